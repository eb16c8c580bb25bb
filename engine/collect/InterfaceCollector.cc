#include "engine/collect/InterfaceCollector.h"

#include <cstdio>
#include <set>

#include "engine/base/Ipv4Address.h"
#include "engine/collect/LldpDecode.h"
#include "engine/collect/TableColumns.h"

namespace disco {

namespace {

// IF-MIB ifTable columns and ifXTable's ifName, indexed by ifIndex; IP-MIB ipAddrTable, indexed
// by the address's four octets.
constexpr const char* kIfDescr = "1.3.6.1.2.1.2.2.1.2";
constexpr const char* kIfType = "1.3.6.1.2.1.2.2.1.3";
constexpr const char* kIfPhysAddress = "1.3.6.1.2.1.2.2.1.6";
constexpr const char* kIfOperStatus = "1.3.6.1.2.1.2.2.1.8";
constexpr const char* kIfName = "1.3.6.1.2.1.31.1.1.1.1";
constexpr const char* kIpAdEntIfIndex = "1.3.6.1.2.1.4.20.1.2";
constexpr const char* kIpAdEntNetMask = "1.3.6.1.2.1.4.20.1.3";

// The agent's numbering: slot * 1000 + port, 1..999 on slot 1, none from 10000 up.
constexpr long kPortsPerSlot = 1000;
constexpr long kFirstSlotlessIfIndex = 10000;

std::string SchemeLabel(long ifIndex) {
  if (ifIndex <= 0 || ifIndex >= kFirstSlotlessIfIndex) return "";
  long slot = ifIndex < kPortsPerSlot ? 1 : ifIndex / kPortsPerSlot;
  long port = ifIndex % kPortsPerSlot;
  if (port == 0) return "";
  return std::to_string(slot) + ":" + std::to_string(port);
}

bool IsSlotPort(const std::string& label) {
  int slot = 0, port = 0;
  char rest = 0;
  return std::sscanf(label.c_str(), "%d:%d%c", &slot, &port, &rest) == 2;
}

std::string NameLabel(const EngineInterface& i) {
  if (!i.name.empty()) return i.name;
  if (!i.descr.empty()) return i.descr;
  return "if " + std::to_string(i.ifIndex);
}

std::string DottedIpv4(const Index& index, std::size_t at) {
  if (index.size() != at + 4) return "";
  uint32_t a = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    if (index[i] > 255) return "";
    a = (a << 8) | static_cast<uint32_t>(index[i]);
  }
  return FormatIpv4(a);
}

std::string MaskText(const Column& masks, const Index& index) {
  std::string octets = OctetsAt(masks, index);
  if (octets.size() != 4) return "";
  uint32_t a = 0;
  for (unsigned char c : octets) a = (a << 8) | c;
  return FormatIpv4(a);
}

}  // namespace

bool IsVirtualIfType(long ifType) {
  switch (ifType) {
    case 24:   // softwareLoopback
    case 53:   // propVirtual
    case 131:  // tunnel
    case 135:  // l2vlan
    case 136:  // l3ipvlan
    case 137:  // l3ipxvlan
    case 150:  // mplsTunnel
    case 166:  // mpls
      return true;
    default:
      return false;
  }
}

void LabelInterfaces(const std::map<long, std::string>& agentLabels,
                     std::vector<EngineInterface>* interfaces) {
  // How many ports each slot:port label would name.
  std::map<std::string, int> schemeUses;
  for (const EngineInterface& i : *interfaces) {
    if (!i.isVirtual) ++schemeUses[SchemeLabel(i.ifIndex)];
  }
  std::vector<std::string> wanted(interfaces->size());
  std::set<std::string> taken;
  // First the labels that keep the agent's view, so that a name never pushes one aside.
  for (std::size_t n = 0; n < interfaces->size(); ++n) {
    const EngineInterface& i = (*interfaces)[n];
    auto agent = agentLabels.find(i.ifIndex);
    std::string scheme = i.isVirtual || agentLabels.empty() ? "" : SchemeLabel(i.ifIndex);
    // The agent gives a VLAN interface of another maker slot:port as if it were a port: that
    // label is not kept, its "if N" is.
    bool agentKept = agent != agentLabels.end() && !agent->second.empty() &&
                     !(i.isVirtual && IsSlotPort(agent->second)) &&
                     (agent->second != scheme || schemeUses[scheme] == 1);
    if (agentKept) {
      wanted[n] = agent->second;
    } else if (!scheme.empty() && schemeUses[scheme] == 1) {
      wanted[n] = scheme;
    }
    if (!wanted[n].empty() && !taken.insert(wanted[n]).second) wanted[n].clear();
  }
  for (std::size_t n = 0; n < interfaces->size(); ++n) {
    EngineInterface& i = (*interfaces)[n];
    if (!wanted[n].empty()) {
      i.label = wanted[n];
      continue;
    }
    std::string label = NameLabel(i);
    if (!taken.insert(label).second) {
      label += " (if " + std::to_string(i.ifIndex) + ")";
      taken.insert(label);
    }
    i.label = label;
  }
}

void CollectInterfaces(CDiscoStdRequester& requester, CTolRecord& device,
                       const std::map<long, std::string>& agentLabels, DeviceCollections* out) {
  out->interfacesRead = true;
  Column descr, type, phys, oper, name, ipIfIndex, ipMask;
  bool read = ReadColumn(requester, device, kIfDescr, &descr);
  ReadColumn(requester, device, kIfType, &type);
  ReadColumn(requester, device, kIfPhysAddress, &phys);
  ReadColumn(requester, device, kIfOperStatus, &oper);
  ReadColumn(requester, device, kIfName, &name);
  if (!read)
    out->problems.push_back("ifTable: not read (the walk of ifDescr failed, see snmp_failures)");

  // Every ifIndex any ifTable column lists is an interface.
  std::set<long> ifIndexes;
  long malformed = 0;
  for (const Column* column : {&descr, &type, &phys, &oper}) {
    for (const auto& entry : *column) {
      const Index& index = entry.first;
      if (index.size() != 1 || index[0] == 0) {
        ++malformed;
        continue;
      }
      ifIndexes.insert(static_cast<long>(index[0]));
    }
  }
  if (malformed > 0) {
    out->problems.push_back("ifTable: " + std::to_string(malformed) +
                            " value(s) with an index that is no ifIndex, left out");
  }
  for (long ifIndex : ifIndexes) {
    Index at{static_cast<unsigned long>(ifIndex)};
    EngineInterface i;
    i.ifIndex = ifIndex;
    long long value = 0;
    if (IntegerAt(type, at, &value)) i.ifType = static_cast<long>(value);
    if (IntegerAt(oper, at, &value)) i.operStatus = static_cast<long>(value);
    i.name = PrintableOrHex(OctetsAt(name, at));
    i.descr = PrintableOrHex(OctetsAt(descr, at));
    i.mac = TolFormatMac(OctetsAt(phys, at));
    if (i.mac == "00:00:00:00:00:00") i.mac.clear();
    i.isVirtual = IsVirtualIfType(i.ifType);
    out->interfaces.push_back(std::move(i));
  }
  LabelInterfaces(agentLabels, &out->interfaces);

  if (!ReadColumn(requester, device, kIpAdEntIfIndex, &ipIfIndex)) {
    out->problems.push_back(
        "ipAddrTable: not read (the walk of ipAdEntIfIndex failed, see snmp_failures)");
    return;
  }
  ReadColumn(requester, device, kIpAdEntNetMask, &ipMask);
  std::map<long, std::string> labelOf;
  for (const EngineInterface& i : out->interfaces) labelOf[i.ifIndex] = i.label;
  long unknown = 0;
  std::string firstUnknown;
  for (const auto& [index, value] : ipIfIndex) {
    DeviceAddress a;
    a.ip = DottedIpv4(index, 0);
    long long ifIndex = 0;
    if (a.ip.empty() || !IntegerAt(ipIfIndex, index, &ifIndex)) {
      out->problems.push_back(
          "ipAddrTable row " + IndexText(index) +
          ": no IPv4 address in the index or no ipAdEntIfIndex value, left out");
      continue;
    }
    a.mask = MaskText(ipMask, index);
    a.ifIndex = static_cast<long>(ifIndex);
    auto label = labelOf.find(a.ifIndex);
    if (label != labelOf.end()) {
      a.label = label->second;
    } else if (unknown++ == 0) {
      firstUnknown = a.ip + " on ifIndex " + std::to_string(a.ifIndex);
    }
    out->addresses.push_back(std::move(a));
  }
  if (unknown > 0) {
    out->problems.push_back("ipAddrTable: " + std::to_string(unknown) + " address" +
                            (unknown == 1 ? "" : "es") +
                            " on an ifIndex that ifTable does not list, kept on the device "
                            "without an interface (first: " +
                            firstUnknown + ")");
  }
}

}  // namespace disco
