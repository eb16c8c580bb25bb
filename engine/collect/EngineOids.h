// The MIB objects the engine's own collectors read (the agent's are in host/TolOidTable.cc), by
// numeric identifier, as snmptranslate gives them from LLDP-MIB, Q-BRIDGE-MIB, IF-MIB and
// EXTREME-FDB-MIB. Each is a column (or a scalar, marked) without a leading dot.
#pragma once

namespace disco::oids {

// IF-MIB ifXTable, indexed by ifIndex.
constexpr const char* kIfName = "1.3.6.1.2.1.31.1.1.1.1";
constexpr const char* kIfAlias = "1.3.6.1.2.1.31.1.1.1.18";

// LLDP-MIB (IEEE 802.1AB-2005), lldpLocalSystemData: scalars, and lldpLocPortTable indexed by
// lldpLocPortNum.
constexpr const char* kLldpLocChassisIdSubtype = "1.0.8802.1.1.2.1.3.1";  // scalar
constexpr const char* kLldpLocChassisId = "1.0.8802.1.1.2.1.3.2";         // scalar
constexpr const char* kLldpLocPortIdSubtype = "1.0.8802.1.1.2.1.3.7.1.2";
constexpr const char* kLldpLocPortId = "1.0.8802.1.1.2.1.3.7.1.3";
// lldpRemTable, indexed by lldpRemTimeMark, lldpRemLocalPortNum, lldpRemIndex.
constexpr const char* kLldpRemChassisIdSubtype = "1.0.8802.1.1.2.1.4.1.1.4";
constexpr const char* kLldpRemChassisId = "1.0.8802.1.1.2.1.4.1.1.5";
constexpr const char* kLldpRemPortIdSubtype = "1.0.8802.1.1.2.1.4.1.1.6";
constexpr const char* kLldpRemPortId = "1.0.8802.1.1.2.1.4.1.1.7";
constexpr const char* kLldpRemPortDesc = "1.0.8802.1.1.2.1.4.1.1.8";
constexpr const char* kLldpRemSysName = "1.0.8802.1.1.2.1.4.1.1.9";
constexpr const char* kLldpRemSysDesc = "1.0.8802.1.1.2.1.4.1.1.10";
constexpr const char* kLldpRemSysCapSupported = "1.0.8802.1.1.2.1.4.1.1.11";
constexpr const char* kLldpRemSysCapEnabled = "1.0.8802.1.1.2.1.4.1.1.12";
// lldpRemManAddrTable, indexed by the lldpRemTable index, lldpRemManAddrSubtype and
// lldpRemManAddr (length-prefixed octets).
constexpr const char* kLldpRemManAddrIfSubtype = "1.0.8802.1.1.2.1.4.2.1.3";

// EXTREME-FDB-MIB extremeFdbMacExosFdbTable (extremeFdb 4), indexed by
// extremeFdbMacExosFdbMacAddress (six sub-identifiers) and extremeFdbMacExosFdbVlanIfIndex.
constexpr const char* kExosFdbPortIfIndex = "1.3.6.1.4.1.1916.1.16.4.1.3";
constexpr const char* kExosFdbStatus = "1.3.6.1.4.1.1916.1.16.4.1.4";
// EXTREME-FDB-MIB extremeFdbMacFdbTable (extremeFdb 1) of the older switches, indexed by
// extremeFdbMacFdbVlanIfIndex (the VLAN's ifIndex) and extremeFdbMacFdbSequenceNumber.
constexpr const char* kExtremeFdbMacAddress = "1.3.6.1.4.1.1916.1.16.1.1.3";
constexpr const char* kExtremeFdbPortIfIndex = "1.3.6.1.4.1.1916.1.16.1.1.4";
constexpr const char* kExtremeFdbStatus = "1.3.6.1.4.1.1916.1.16.1.1.5";
// EXTREME-VLAN-MIB extremeVlanIfTable, indexed by the VLAN's ifIndex.
constexpr const char* kExtremeVlanIfDescr = "1.3.6.1.4.1.1916.1.2.1.2.1.2";
constexpr const char* kExtremeVlanIfVlanId = "1.3.6.1.4.1.1916.1.2.1.2.1.10";

// BRIDGE-MIB, indexed by dot1dBasePort.
constexpr const char* kDot1dBasePortIfIndex = "1.3.6.1.2.1.17.1.4.1.2";
// Q-BRIDGE-MIB dot1qTpFdbTable, indexed by dot1qFdbId and dot1qTpFdbAddress (six
// sub-identifiers).
constexpr const char* kDot1qTpFdbPort = "1.3.6.1.2.1.17.7.1.2.2.1.2";
constexpr const char* kDot1qTpFdbStatus = "1.3.6.1.2.1.17.7.1.2.2.1.3";
// dot1qVlanCurrentTable, indexed by dot1qVlanTimeMark and dot1qVlanIndex (the VLAN id).
constexpr const char* kDot1qVlanFdbId = "1.3.6.1.2.1.17.7.1.4.2.1.3";
// PortList bitmaps (the first octet's high bit is bridge port 1).
constexpr const char* kDot1qVlanCurrentEgressPorts = "1.3.6.1.2.1.17.7.1.4.2.1.4";
constexpr const char* kDot1qVlanCurrentUntaggedPorts = "1.3.6.1.2.1.17.7.1.4.2.1.5";
// dot1qVlanStaticTable, indexed by dot1qVlanIndex.
constexpr const char* kDot1qVlanStaticName = "1.3.6.1.2.1.17.7.1.4.3.1.1";
constexpr const char* kDot1qVlanStaticEgressPorts = "1.3.6.1.2.1.17.7.1.4.3.1.2";
constexpr const char* kDot1qVlanStaticUntaggedPorts = "1.3.6.1.2.1.17.7.1.4.3.1.4";
// dot1qPortVlanTable, indexed by dot1dBasePort: the port's native VLAN.
constexpr const char* kDot1qPvid = "1.3.6.1.2.1.17.7.1.4.5.1.1";

}  // namespace disco::oids
