// The inference's working state, shared by its steps (Infer.cc, ForwardingTree.cc,
// HostPlacement.cc). Internal to engine/topology.
#pragma once

#include <absl/container/flat_hash_map.h>

#include <cstdint>
#include <vector>

#include "engine/topology/Network.h"
#include "engine/topology/Topology.h"

namespace disco {
namespace topology {

constexpr int kNoPort = -1;
// linkOn's value for a port that heard several switches: links on it, but no one far end.
constexpr int kSegment = -2;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct InferenceState {
  explicit InferenceState(const Network& n) : net(n) {}

  const Network& net;
  Topology out;

  // MAC address -> the discovered switch it belongs to (the first in order when shared).
  absl::flat_hash_map<Mac, std::uint32_t> ownerOf;
  // Per switch: address -> port it was learned on (first entry wins; the switch's own left out).
  std::vector<absl::flat_hash_map<Mac, std::uint32_t>> portOf;
  // Per switch: other discovered switch -> port of this switch through which it is seen.
  std::vector<absl::flat_hash_map<std::uint32_t, std::uint32_t>> sees;
  // Per switch and port: the link on that port (index in out.links), -1 for none, kSegment for
  // a shared segment.
  std::vector<std::vector<int>> linkOn;

  // Forwarding tree: the port towards the root (kNoPort for the root and unknown), depth.
  std::vector<int> up;
  std::vector<int> depth;

  std::uint32_t Switches() const { return static_cast<std::uint32_t>(net.switches.size()); }
  // The port of `sw` on which `mac` was learned, kNoPort when none.
  int PortOf(std::uint32_t sw, Mac mac) const {
    auto it = portOf[sw].find(mac);
    return it == portOf[sw].end() ? kNoPort : static_cast<int>(it->second);
  }
  // The port of `sw` through which switch `other` is seen, kNoPort when none.
  int PortToward(std::uint32_t sw, std::uint32_t other) const {
    auto it = sees[sw].find(other);
    return it == sees[sw].end() ? kNoPort : static_cast<int>(it->second);
  }
  // The node at the far end of the link on (sw, port), kNone when the port has no link, a
  // blocked one (which carries no traffic, so no forwarding entry points across it) or is a
  // shared segment.
  std::uint32_t FarNode(std::uint32_t sw, int port) const;
  // Adds a link and records it on its ends' ports that have none yet.
  void AddLink(Link link);
};

// Step 3: links from the forwarding tables (ForwardingTree.cc).
void InferForwardingLinks(InferenceState* state);
// Step 4: host placement (HostPlacement.cc).
void PlaceHosts(InferenceState* state);

}  // namespace topology
}  // namespace disco
