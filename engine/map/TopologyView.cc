#include "engine/map/TopologyView.h"

#include "engine/topology/Infer.h"

namespace disco {

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
  for (const topology::Note& note : v.topology.notes) {
    if (note.kind != topology::Note::kNameConflict) continue;
    for (std::uint32_t node : note.nodes) {
      if (!v.InScope(node)) v.sharedName.insert(node);
    }
  }
  for (std::size_t i = 0; i < v.topology.hosts.size(); ++i) {
    v.hostsOnPort[v.topology.hosts[i].at].push_back(i);
  }
  // The forwarding entries are not needed any more.
  for (topology::Switch& sw : v.network.switches) {
    for (topology::Port& p : sw.ports) std::vector<topology::Mac>().swap(p.fdb);
  }
  return v;
}

std::string TopologyView::NodeName(std::uint32_t node) const {
  if (InScope(node)) return network.switches[node].name;
  const topology::OutsideSwitch& o = topology.outside[node - network.switches.size()];
  if (o.name.empty()) return OutsideId(o);
  return sharedName.count(node) ? o.name + " [" + OutsideId(o) + "]" : o.name;
}

std::string TopologyView::NodeId(std::uint32_t node) const {
  if (!InScope(node)) return OutsideId(topology.outside[node - network.switches.size()]);
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

}  // namespace disco
