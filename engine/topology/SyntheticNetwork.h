// Generated networks with a known topology, for the inference's tests and benchmark: a random
// tree of switches with redundant links blocked by spanning tree, hosts on edge ports (several
// on a port behind a hub), a switch outside the scope with hosts behind it, EDP missing on some
// links and heard from one side only on others, and forwarding tables with entries aged out.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/topology/Network.h"
#include "engine/topology/Topology.h"

namespace disco {
namespace topology {

struct SyntheticOptions {
  std::uint64_t seed = 1;
  int switches = 50;
  int hostsPerSwitch = 10;
  int hubs = 5;  // edge ports with several hosts (a hub or unmanaged switch)
  int hostsPerHub = 4;
  int redundantLinks = 5;       // extra links, blocked at one end; EDP always hears them
  bool outsideSwitch = true;    // one EDP-speaking switch outside the scope, hosts behind it
  double edpMissing = 1.0 / 3;  // share of tree links without any EDP claim
  double edpOneSide = 0.2;      // share of the others heard from one end only
  double fdbLoss = 0.25;        // share of forwarding entries aged out
  double silentHosts = 0.0;     // share of hosts whose own edge entry aged out too
  // true: every switch learns every address (a flat broadcast domain). false: a host is learned
  // only by the switches between it and the root (its traffic goes to the gateway there), and
  // every switch learns every switch's address.
  bool everywhere = true;
};

struct TruthLink {
  PortRef a;
  PortRef b;  // b.sw == switches for the switch outside the scope (its port 0)
  bool blocked = false;
};

struct TruthHost {
  Mac mac = 0;
  PortRef at;  // its edge port, or the port that leads to the outside switch
  bool behindOutside = false;
};

struct SyntheticNetwork {
  Network network;
  std::vector<TruthLink> links;
  std::vector<TruthHost> hosts;
};

// A network after `options`; the same options give the same network.
SyntheticNetwork Generate(const SyntheticOptions& options);

}  // namespace topology
}  // namespace disco
