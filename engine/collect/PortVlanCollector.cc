#include "engine/collect/PortVlanCollector.h"

#include <map>
#include <set>

#include "engine/collect/EngineOids.h"
#include "engine/collect/LldpDecode.h"
#include "engine/collect/TableColumns.h"

namespace disco {

namespace {

struct Membership {
  std::set<long> egress, untagged;
};

// VLAN id -> member ports, from an egress and an untagged column indexed by `…, VLAN id`.
std::map<long, Membership> Members(const Column& egress, const Column& untagged,
                                   std::vector<long>* badVlans) {
  std::map<long, Membership> members;
  for (const auto& [index, value] : egress) {
    if (index.empty()) continue;
    long vlan = static_cast<long>(index.back());
    if (vlan < 1 || vlan > 4094) {
      badVlans->push_back(vlan);
      continue;
    }
    Membership& m = members[vlan];
    for (long port : PortsInList(OctetsAt(egress, index))) m.egress.insert(port);
    for (long port : PortsInList(OctetsAt(untagged, index))) m.untagged.insert(port);
  }
  return members;
}

}  // namespace

std::vector<long> PortsInList(const std::string& portList) {
  std::vector<long> ports;
  for (std::size_t i = 0; i < portList.size(); ++i) {
    auto octet = static_cast<unsigned char>(portList[i]);
    for (int bit = 0; bit < 8; ++bit) {
      if (octet & (0x80 >> bit)) ports.push_back(static_cast<long>(i * 8 + bit + 1));
    }
  }
  return ports;
}

void CollectPortVlans(CDiscoStdRequester& requester, CTolRecord& device,
                      const BridgePorts& bridgePorts, const DeviceInterfaces& interfaces,
                      DeviceCollections* out) {
  Column pvids, egress, untagged, names;
  ReadColumn(requester, device, oids::kDot1qPvid, &pvids);
  ReadColumn(requester, device, oids::kDot1qVlanCurrentEgressPorts, &egress);
  if (!egress.empty()) {
    ReadColumn(requester, device, oids::kDot1qVlanCurrentUntaggedPorts, &untagged);
  } else {
    ReadColumn(requester, device, oids::kDot1qVlanStaticEgressPorts, &egress);
    if (!egress.empty()) {
      ReadColumn(requester, device, oids::kDot1qVlanStaticUntaggedPorts, &untagged);
    }
  }
  if (pvids.empty() && egress.empty()) return;
  ReadColumn(requester, device, oids::kDot1qVlanStaticName, &names);
  auto ref = [&names](long id) {
    return VlanRef{id, PrintableOrHex(OctetsAt(names, {static_cast<unsigned long>(id)}))};
  };

  std::vector<long> badVlans;
  std::map<long, PortVlans> byPort;
  for (const auto& [vlan, m] : Members(egress, untagged, &badVlans)) {
    for (long port : m.egress) {
      (m.untagged.count(port) ? byPort[port].untagged : byPort[port].tagged).push_back(ref(vlan));
    }
  }
  for (const auto& [index, value] : pvids) {
    long long pvid = 0;
    if (index.size() != 1 || !IntegerAt(pvids, index, &pvid)) continue;
    if (pvid < 1 || pvid > 4094) {
      badVlans.push_back(static_cast<long>(pvid));
      continue;
    }
    byPort[static_cast<long>(index[0])].native = ref(static_cast<long>(pvid));
  }

  long unmapped = 0;
  std::string firstUnmapped;
  for (auto& [port, vlans] : byPort) {
    vlans.bridgePort = port;
    long ifIndex = 0;
    if (!bridgePorts.IfIndexOf(port, &ifIndex)) {
      if (unmapped++ == 0) firstUnmapped = "bridge port " + std::to_string(port);
    } else if (!interfaces.Find(ifIndex, &vlans.local)) {
      vlans.local.ifIndex = ifIndex;
      if (unmapped++ == 0) firstUnmapped = "ifIndex " + std::to_string(ifIndex);
    }
    out->portVlans.push_back(std::move(vlans));
  }
  if (unmapped > 0) {
    out->problems.push_back("dot1qPortVlanTable: " + std::to_string(unmapped) + " bridge port" +
                            (unmapped == 1 ? "" : "s") +
                            " on no interface of the device (first: " + firstUnmapped + ")");
  }
  if (!badVlans.empty()) {
    out->problems.push_back(
        "dot1qPortVlanTable: " + std::to_string(badVlans.size()) + " VLAN id" +
        (badVlans.size() == 1 ? "" : "s") +
        " outside 1..4094 left out (first: " + std::to_string(badVlans.front()) + ")");
  }
}

}  // namespace disco
