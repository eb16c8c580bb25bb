#include "engine/map/TopologyView.h"

#include <set>

#include "engine/base/Ipv4Address.h"
#include "engine/topology/Infer.h"

namespace disco {

namespace {

// The nodes' names (TopologyView::names): outside switches named like another get their
// identity appended, and any name still taken a number.
std::vector<std::string> NodeNames(const topology::Network& network,
                                   const topology::Topology& topology) {
  std::set<std::uint32_t> shared;  // outside switches named in a name conflict note
  for (const topology::Note& note : topology.notes) {
    if (note.kind != topology::Note::kNameConflict) continue;
    for (std::uint32_t node : note.nodes) {
      if (node >= network.switches.size()) shared.insert(node);
    }
  }
  std::vector<std::string> names;
  names.reserve(network.switches.size() + topology.outside.size());
  std::set<std::string> taken;
  auto add = [&names, &taken](std::string name) {
    std::string unique = name;
    for (int k = 2; !taken.insert(unique).second; ++k) {
      unique = name + " (" + std::to_string(k) + ")";
    }
    names.push_back(std::move(unique));
  };
  for (const topology::Switch& sw : network.switches) add(sw.name.empty() ? sw.address : sw.name);
  for (std::size_t k = 0; k < topology.outside.size(); ++k) {
    const topology::OutsideSwitch& o = topology.outside[k];
    std::string id = TopologyView::OutsideId(o);
    if (id.empty()) id = o.address;
    auto node = static_cast<std::uint32_t>(network.switches.size() + k);
    if (o.name.empty() || o.name == id) {
      add(id);
    } else {
      add(shared.count(node) ? o.name + " [" + id + "]" : o.name);
    }
  }
  return names;
}

}  // namespace

TopologyView TopologyView::Build(TopologyCollector& collector) {
  std::vector<SwitchFacts> facts;
  topology::Network network = collector.TakeNetwork(&facts);
  return Build(std::move(network), std::move(facts),
               [&collector](topology::Mac mac) { return collector.AddressOf(mac); });
}

TopologyView TopologyView::Build(topology::Network network, std::vector<SwitchFacts> facts,
                                 const std::function<std::string(topology::Mac)>& addressOf) {
  TopologyView v;
  v.network = std::move(network);
  v.facts = std::move(facts);
  v.facts.resize(v.network.switches.size());
  v.addressOf = addressOf;
  v.topology = topology::Infer(v.network);
  v.names = NodeNames(v.network, v.topology);
  for (std::size_t i = 0; i < v.topology.hosts.size(); ++i) {
    v.hostsOnPort[v.topology.hosts[i].at].push_back(i);
  }
  // The forwarding entries are not needed any more.
  for (topology::Switch& sw : v.network.switches) {
    for (topology::Port& p : sw.ports) std::vector<topology::Mac>().swap(p.fdb);
  }
  return v;
}

std::string TopologyView::NodeId(std::uint32_t node) const {
  if (!InScope(node)) {
    const topology::OutsideSwitch& o = topology.outside[node - network.switches.size()];
    std::string id = OutsideId(o);
    return id.empty() ? o.address : id;
  }
  return facts[node].bridgeMac.empty() ? network.switches[node].address : facts[node].bridgeMac;
}

std::string TopologyView::OutsideId(const topology::OutsideSwitch& o) {
  return o.mac != 0 ? topology::MacText(o.mac) : o.chassis;
}

std::string TopologyView::EvidenceText(const topology::Link& link) {
  std::string text = link.evidence;
  for (const std::string& e : link.alsoHeard) text += "+" + e;
  return text;
}

std::string TopologyView::PortName(const topology::LinkEnd& end) const {
  if (InScope(end.node) && end.port >= 0) {
    return network.switches[end.node].ports[static_cast<std::size_t>(end.port)].name;
  }
  if (end.card >= 0) return std::to_string(end.card) + ":" + std::to_string(end.number);
  return "";
}

std::string TopologyView::PortName(const topology::PortRef& port) const {
  return network.switches[port.sw].ports[port.port].name;
}

bool TopologyView::Shared(const topology::PortRef& port) const {
  auto it = hostsOnPort.find(port);
  return it != hostsOnPort.end() && it->second.size() > 1;
}

std::string TopologyView::AddressOf(topology::Mac mac) const {
  return addressOf ? addressOf(mac) : std::string();
}

std::string TopologyView::HostAddress(const topology::HostPlacement& host) const {
  std::string ip = host.mac != 0 ? AddressOf(host.mac) : "";
  if (!ip.empty() || host.heard < 0) return ip;
  const std::string& announced = topology.heard[static_cast<std::size_t>(host.heard)].address;
  std::uint32_t value = 0;
  return ParseIpv4(announced, &value) ? announced : "";
}

long TopologyView::HostVlan(const topology::HostPlacement& host) const {
  if (host.mac == 0 || host.at.sw >= facts.size()) return 0;
  const auto& vlanOf = facts[host.at.sw].vlanOf;
  auto vlan = vlanOf.find(host.mac);
  return vlan != vlanOf.end() ? vlan->second : 0;
}

std::string TopologyView::HostId(const topology::HostPlacement& host) const {
  if (host.mac != 0 || host.heard < 0) return topology::MacText(host.mac);
  const topology::HeardHost& heard = topology.heard[static_cast<std::size_t>(host.heard)];
  return heard.chassis.empty() ? heard.address : heard.chassis;
}

}  // namespace disco
