#include "engine/collect/LldpCollector.h"

#include <cstdlib>
#include <optional>
#include <set>

#include "engine/collect/EngineOids.h"
#include "engine/collect/LldpDecode.h"
#include "engine/collect/TableColumns.h"
#include "host/TolSnmpValue.h"

namespace disco {

namespace {

// Reads the local side of LLDP and turns local port numbers into interfaces, walking the
// interface-naming columns only when a port's subtype needs them.
class LocalPorts {
 public:
  LocalPorts(CDiscoStdRequester& requester, CTolRecord& device, const DeviceInterfaces& interfaces)
      : m_Requester(requester), m_Device(device), m_Interfaces(interfaces) {
    ReadColumn(requester, device, oids::kLldpLocPortIdSubtype, &m_Subtype);
    ReadColumn(requester, device, oids::kLldpLocPortId, &m_Id);
  }

  // The interface behind local port `portNum`; false when none matches.
  bool Find(unsigned long portNum, LocalPort* port) {
    Index index{portNum};
    long long subtype = 0;
    std::string id = OctetsAt(m_Id, index);
    if (IntegerAt(m_Subtype, index, &subtype) && !id.empty()) {
      std::optional<long> ifIndex = BySubtype(subtype, id);
      if (ifIndex && m_Interfaces.Find(*ifIndex, port)) return true;
    }
    if (!m_BridgePortsRead) {
      ReadColumn(m_Requester, m_Device, oids::kDot1dBasePortIfIndex, &m_BridgePorts);
      m_BridgePortsRead = true;
    }
    long ifIndex = 0;
    return IfIndexAt(m_BridgePorts, index, &ifIndex) && m_Interfaces.Find(ifIndex, port);
  }

  // Why local port `portNum` names no interface (after Find), for a problem line.
  std::string WhyNot(unsigned long portNum) const {
    Index index{portNum};
    long long value = 0;
    std::string why = "lldpLocPortTable does not list it";
    if (IntegerAt(m_Subtype, index, &value)) {
      LldpId id = DecodePortId(static_cast<long>(value), OctetsAt(m_Id, index));
      why = "lldpLocPortTable gives " + id.subtype + " \"" + id.text + "\"";
    }
    if (IntegerAt(m_BridgePorts, index, &value)) {
      return why + ", dot1dBasePortIfIndex ifIndex " + std::to_string(value) +
             ", which ifTable does not list";
    }
    return why + ", and dot1dBasePortIfIndex has no such bridge port";
  }

 private:
  std::optional<long> BySubtype(long long subtype, const std::string& id) {
    switch (subtype) {
      case 7: {  // local: agents put the ifIndex here
        std::string text = PrintableOrHex(id);
        char* end = nullptr;
        long ifIndex = std::strtol(text.c_str(), &end, 10);
        if (end != text.c_str() && *end == '\0') return ifIndex;
        return std::nullopt;
      }
      case 5:  // interfaceName
        if (auto i = ByColumn(oids::kIfName, &m_IfName, &m_IfNameRead, id)) return i;
        return Unique(m_Interfaces.WithDescr(PrintableOrHex(id)));
      case 1:  // interfaceAlias
        return ByColumn(oids::kIfAlias, &m_IfAlias, &m_IfAliasRead, id);
      case 3:  // macAddress
        if (id.size() != 6) return std::nullopt;
        return Unique(m_Interfaces.WithMac(TolFormatMac(id)));
      default:
        return std::nullopt;
    }
  }

  // The one ifIndex whose value in the column `oid` is `id`.
  std::optional<long> ByColumn(const char* oid, Column* column, bool* read, const std::string& id) {
    if (!*read) {
      ReadColumn(m_Requester, m_Device, oid, column);
      *read = true;
    }
    std::vector<long> found;
    for (const auto& [index, value] : *column) {
      if (index.size() == 1 && value.kind == TolSnmpValue::kOctetString && value.bytes == id) {
        found.push_back(static_cast<long>(index[0]));
      }
    }
    return Unique(found);
  }

  static std::optional<long> Unique(const std::vector<long>& found) {
    if (found.size() == 1) return found[0];
    return std::nullopt;
  }

  CDiscoStdRequester& m_Requester;
  CTolRecord& m_Device;
  const DeviceInterfaces& m_Interfaces;
  Column m_Subtype, m_Id, m_BridgePorts, m_IfName, m_IfAlias;
  bool m_BridgePortsRead = false, m_IfNameRead = false, m_IfAliasRead = false;
};

// Management addresses by lldpRemTable index: the first IPv4 one, else the first.
std::map<Index, std::string> ManagementAddresses(const Column& rows,
                                                 std::vector<std::string>* problems) {
  std::map<Index, std::string> out;
  std::set<Index> haveIpv4;
  for (const auto& [index, value] : rows) {
    // timeMark, localPortNum, remIndex, address family, length, octets...
    if (index.size() < 5 || index[4] != index.size() - 5) {
      problems->push_back("lldpRemManAddrTable row " + IndexText(index) +
                          ": malformed index (no length-prefixed address)");
      continue;
    }
    Index key(index.begin(), index.begin() + 3);
    std::string octets;
    bool fits = true;
    for (std::size_t i = 5; i < index.size(); ++i) {
      fits = fits && index[i] <= 255;
      octets += static_cast<char>(index[i] & 0xFF);
    }
    if (!fits) {
      problems->push_back("lldpRemManAddrTable row " + IndexText(index) +
                          ": an address octet above 255, left out");
      continue;
    }
    std::string text;
    bool ipv4 = DecodeAddress(static_cast<long>(index[3]), octets, &text) && index[3] == 1;
    if (haveIpv4.count(key) > 0 || (out.count(key) > 0 && !ipv4)) continue;
    out[key] = text;
    if (ipv4) haveIpv4.insert(key);
  }
  return out;
}

}  // namespace

void CollectLldp(CDiscoStdRequester& requester, CTolRecord& device,
                 const DeviceInterfaces& interfaces, DeviceCollections* out) {
  out->lldpRead = true;
  Column locSubtype, locId;
  ReadColumn(requester, device, oids::kLldpLocChassisIdSubtype, &locSubtype);
  ReadColumn(requester, device, oids::kLldpLocChassisId, &locId);
  long long subtype = 0;
  if (IntegerAt(locSubtype, {0}, &subtype)) {
    LldpId id = DecodeChassisId(static_cast<long>(subtype), OctetsAt(locId, {0}));
    out->localChassisIdSubtype = id.subtype;
    out->localChassisId = id.text;
    if (!id.problem.empty()) out->problems.push_back("lldpLocChassisId: " + id.problem);
  }

  Column chassisSubtype;
  if (!ReadColumn(requester, device, oids::kLldpRemChassisIdSubtype, &chassisSubtype)) {
    out->problems.push_back(
        "lldpRemTable: not read (the walk of lldpRemChassisIdSubtype failed, see "
        "snmp_failures); the device's LLDP neighbours are unknown");
    return;
  }
  if (chassisSubtype.empty()) return;
  Column chassisId, portSubtype, portId, portDesc, sysName, sysDesc, caps, manAddr;
  ReadColumn(requester, device, oids::kLldpRemChassisId, &chassisId);
  ReadColumn(requester, device, oids::kLldpRemPortIdSubtype, &portSubtype);
  ReadColumn(requester, device, oids::kLldpRemPortId, &portId);
  ReadColumn(requester, device, oids::kLldpRemPortDesc, &portDesc);
  ReadColumn(requester, device, oids::kLldpRemSysName, &sysName);
  ReadColumn(requester, device, oids::kLldpRemSysDesc, &sysDesc);
  ReadColumn(requester, device, oids::kLldpRemSysCapEnabled, &caps);
  ReadColumn(requester, device, oids::kLldpRemManAddrIfSubtype, &manAddr);
  std::map<Index, std::string> addresses = ManagementAddresses(manAddr, &out->problems);
  LocalPorts localPorts(requester, device, interfaces);

  for (const auto& [index, value] : chassisSubtype) {
    std::string where = "lldpRemTable row " + IndexText(index) + ": ";
    if (index.size() != 3 || value.kind != TolSnmpValue::kInteger) {
      out->problems.push_back(where + "malformed row (index or chassis ID subtype)");
      continue;
    }
    LldpNeighbour n;
    n.localPortNum = static_cast<long>(index[1]);
    if (!localPorts.Find(index[1], &n.local)) {
      out->problems.push_back(where + "local port " + std::to_string(index[1]) +
                              " matches no interface of the device (" +
                              localPorts.WhyNot(index[1]) + ")");
    }
    LldpId chassis = DecodeChassisId(static_cast<long>(value.integer), OctetsAt(chassisId, index));
    n.chassisIdSubtype = chassis.subtype;
    n.chassisId = chassis.text;
    if (!chassis.problem.empty()) out->problems.push_back(where + "chassis ID: " + chassis.problem);
    long long portKind = 0;
    if (IntegerAt(portSubtype, index, &portKind)) {
      LldpId port = DecodePortId(static_cast<long>(portKind), OctetsAt(portId, index));
      n.portIdSubtype = port.subtype;
      n.portId = port.text;
      if (!port.problem.empty()) out->problems.push_back(where + "port ID: " + port.problem);
    } else {
      out->problems.push_back(where + "no port ID subtype");
    }
    n.portDescription = PrintableOrHex(OctetsAt(portDesc, index));
    n.systemName = PrintableOrHex(OctetsAt(sysName, index));
    n.systemDescription = PrintableOrHex(OctetsAt(sysDesc, index));
    n.capabilities = DecodeCapabilities(OctetsAt(caps, index));
    auto address = addresses.find(index);
    if (address != addresses.end()) n.managementAddress = address->second;
    out->lldp.push_back(std::move(n));
  }
}

}  // namespace disco
