// What the engine's own collectors found on one device, after the agent's phases: LLDP neighbours
// and, when it was read, the VLAN-aware forwarding database. Plain values, no pointers into any
// store, so that the results, the summary and a topology builder can take them as they are.
#pragma once

#include <string>
#include <vector>

namespace disco {

// The interface of the device an entry belongs to.
struct LocalPort {
  long ifIndex = 0;   // 0 when the row names no port
  std::string label;  // "card:port" as the results show interfaces, "if N"; "" when no
                      // interface of the device has the ifIndex
};

// One row of lldpRemTable, every identifier decoded to readable text.
struct LldpNeighbour {
  long localPortNum = 0;  // lldpRemLocalPortNum
  LocalPort local;
  std::string chassisIdSubtype;  // "macAddress", "networkAddress", "local", ... (LLDP-MIB names)
  std::string chassisId;         // "00:04:96:50:00:00", "10.0.1.1", text, or 0x-hex
  std::string portIdSubtype;
  std::string portId;
  std::string portDescription;
  std::string systemName;
  std::string systemDescription;
  std::vector<std::string> capabilities;  // enabled ones: "bridge", "router", ...
  std::string managementAddress;          // the first IPv4 one, else the first; "" for none
};

// One forwarding-database row that counts (learned or management).
struct VlanFdbEntry {
  std::string mac;  // "00:1B:21:00:10:01"
  long vlanId = 0;  // 802.1Q VLAN id; 0 when the switch does not say
  std::string vlanName;
  LocalPort local;
  std::string ip;  // from the engine's ARP data; "" when it has none
  int status = 0;  // 3 learned, 5 mgmt (dot1dTpFdbStatus values)
};

// One VLAN as the switch names it.
struct VlanRef {
  long id = 0;       // 802.1Q VLAN id
  std::string name;  // "" when the switch gives none
};

// The VLANs of one bridge port of a standard bridge (Q-BRIDGE-MIB).
struct PortVlans {
  long bridgePort = 0;            // dot1dBasePort
  LocalPort local;                // ifIndex 0 when the switch maps the bridge port to no interface
  VlanRef native;                 // dot1qPvid; id 0 when the switch does not say
  std::vector<VlanRef> untagged;  // egress members sent untagged, by VLAN id
  std::vector<VlanRef> tagged;    // egress members sent tagged, by VLAN id
};

// One row of ifTable, with its ifXTable name and the label the results give it.
struct EngineInterface {
  long ifIndex = 0;
  long ifType = 0;         // IANAifType; 0 when the device gives none
  std::string name;        // ifName; "" when ifXTable has none
  std::string descr;       // ifDescr
  std::string mac;         // ifPhysAddress, normalised; "" for none
  long operStatus = 0;     // ifOperStatus; 0 when the device gives none
  bool isVirtual = false;  // a VLAN, loopback, tunnel...: no port of the topology
  // "1:8" where the ifIndex fits slot * 1000 + port without colliding (or the agent's label of
  // it), else the ifName, else the ifDescr, else "if N"; unique on the device.
  std::string label;
};

// One row of ipAddrTable.
struct DeviceAddress {
  std::string ip, mask;
  long ifIndex = 0;
  std::string label;  // of the interface; "" when ifTable lists no such ifIndex
};

struct DeviceCollections {
  // ifTable, ifXTable and ipAddrTable as the engine read them; false when never read.
  bool interfacesRead = false;
  std::vector<EngineInterface> interfaces;  // in ifIndex order
  std::vector<DeviceAddress> addresses;

  bool lldpRead = false;  // false when the device never reached the collectors
  std::string localChassisIdSubtype;
  std::string localChassisId;
  std::vector<LldpNeighbour> lldp;

  bool fdbRead = false;
  std::string fdbSource;  // "extremeFdbMacExosFdbTable", "extremeFdbMacFdbTable" or
                          // "dot1qTpFdbTable"
  std::vector<VlanFdbEntry> vlanFdb;
  long fdbWithoutPort = 0;  // learned rows of vlanFdb whose port maps to no interface

  // Q-BRIDGE-MIB's port VLANs, by bridge port; empty when the switch has none.
  std::vector<PortVlans> portVlans;

  // Rows that could not be used, one sentence each ("lldpRemTable: ...").
  std::vector<std::string> problems;
};

}  // namespace disco
