// The inferred topology with what its renderings need around it: the network it came from, the
// switches' facts, the hosts' addresses, names for every node and port, and the hosts grouped by
// edge port. The results' "topology" section, the DOT picture and the summary's links read it.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/map/TopologyCollector.h"
#include "engine/topology/Network.h"
#include "engine/topology/Topology.h"

namespace disco {

struct TopologyView {
  topology::Network network;
  std::vector<SwitchFacts> facts;  // per switch of `network`
  topology::Topology topology;
  // A host's IPv4 address ("" for none), from what the view was built with.
  std::function<std::string(topology::Mac)> addressOf;
  // Indexes into topology.hosts, by the port they are on, in port order.
  std::map<topology::PortRef, std::vector<std::size_t>> hostsOnPort;
  // Per node (as topology::LinkEnd::node): its name, unique among the nodes, never empty.
  std::vector<std::string> names;

  // Infers the topology of the devices `collector` holds (which it empties); the view asks the
  // collector for addresses, so the collector must outlive it.
  static TopologyView Build(TopologyCollector& collector);
  // Infers the topology of `network`; `addressOf` gives a host's IPv4 address ("" for none) and
  // must stay callable as long as the view.
  static TopologyView Build(topology::Network network, std::vector<SwitchFacts> facts,
                            const std::function<std::string(topology::Mac)>& addressOf);

  // A node's name, which every rendering (results, DOT, summary, inventory) calls it by: a
  // discovered switch's scope name; an outside switch's system name, else its OutsideId, else
  // its address. A name another switch goes by too is followed by " [OutsideId]", so that the
  // two are never taken for one; one that is still taken gets " (2)", " (3)", ...
  const std::string& NodeName(std::uint32_t node) const { return names[node]; }
  // The switch's identity as a note shows it: the bridge MAC (else the address) of a discovered
  // switch, the OutsideId (else the address) of an outside one.
  std::string NodeId(std::uint32_t node) const;
  // An outside switch's identity: its MAC address, else its chassis ID ("" when it has neither).
  static std::string OutsideId(const topology::OutsideSwitch& outside);
  // A link's evidence and the other protocols that heard it: "edp", "edp+lldp".
  static std::string EvidenceText(const topology::Link& link);
  bool InScope(std::uint32_t node) const { return node < network.switches.size(); }
  // "1:8"; the far end's card:port as its neighbour protocol said when the port is unmatched;
  // "" when unknown.
  std::string PortName(const topology::LinkEnd& end) const;
  std::string PortName(const topology::PortRef& port) const;
  // Whether several hosts share the port (a hub or an unmanaged switch behind it).
  bool Shared(const topology::PortRef& port) const;
  std::string AddressOf(topology::Mac mac) const;
  // A placed host's IPv4 address: AddressOf its MAC, else the IPv4 address it announced when a
  // neighbour protocol heard it; "" for none.
  std::string HostAddress(const topology::HostPlacement& host) const;
  // A placed host's 802.1Q VLAN as its switch's VLAN-aware forwarding table gave it; 0 when
  // unknown.
  long HostVlan(const topology::HostPlacement& host) const;
  // A placed host as one short text: its MAC address, else what the protocol that heard it
  // knows it by.
  std::string HostId(const topology::HostPlacement& host) const;
};

}  // namespace disco
