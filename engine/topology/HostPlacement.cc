// Hosts on their edge ports. In a tree only the switch a host hangs on learns it on a port
// without a link to another switch (an edge port); every other switch learns it on the port
// that leads towards it. So a host seen on exactly one edge port is placed there. When that
// entry has aged out, the ports that still see the host point at the switch it is behind: a
// switch outside the scope (the host is placed on the port that leads to it) or a discovered
// switch that no longer lists it (undecided: one of that switch's edge ports).
//
// A port that hears several switches is a shared segment: its hosts may hang on the segment
// itself or behind any of them, so they stay on that port (as on an edge port); a host that a
// real edge port also lists is on that edge port. An end station a neighbour protocol heard (a
// telephone) is on the port that heard it, whatever the forwarding tables say.
#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>

#include "engine/topology/InferenceState.h"

namespace disco {
namespace topology {

namespace {

struct Sighting {
  Mac mac;
  std::uint32_t sw;
  std::uint32_t port;
  bool operator<(const Sighting& o) const {
    return std::tie(mac, sw, port) < std::tie(o.mac, o.sw, o.port);
  }
};

// A port without a link to another switch, or a shared segment.
bool IsEdge(const InferenceState& s, std::uint32_t sw, std::uint32_t port) {
  return s.linkOn[sw][port] < 0;
}

bool IsSegment(const InferenceState& s, std::uint32_t sw, std::uint32_t port) {
  return s.linkOn[sw][port] == kSegment;
}

// Where a host that `sw` does not list may be: the edge ports (up) of `sw` and of the switches
// beyond it that do not list it either, and their ports to switches outside the scope; at most
// kMaxCandidates.
constexpr std::size_t kMaxCandidates = 1024;
std::vector<PortRef> Region(const InferenceState& s, std::uint32_t sw, Mac mac) {
  std::vector<PortRef> ports;
  std::vector<std::uint32_t> queue{sw};
  for (std::size_t k = 0; k < queue.size() && ports.size() < kMaxCandidates; ++k) {
    std::uint32_t x = queue[k];
    const auto& list = s.net.switches[x].ports;
    for (std::uint32_t p = 0; p < list.size(); ++p) {
      std::uint32_t far = s.FarNode(x, static_cast<int>(p));
      if (far == kNone) {
        if (list[p].up) ports.push_back(PortRef{x, p});
      } else if (far >= s.Switches()) {
        ports.push_back(PortRef{x, p});
      } else if (s.PortOf(far, mac) < 0 &&
                 std::find(queue.begin(), queue.end(), far) == queue.end()) {
        queue.push_back(far);
      }
    }
  }
  if (ports.size() > kMaxCandidates) ports.resize(kMaxCandidates);
  return ports;
}

// Whether every switch next to `sw` (other than `from`) that lists `mac` lists it on the port
// that leads back to `sw`.
bool PointedAtBy(const InferenceState& s, std::uint32_t sw, std::uint32_t from, Mac mac) {
  const auto& list = s.net.switches[sw].ports;
  for (std::uint32_t p = 0; p < list.size(); ++p) {
    std::uint32_t far = s.FarNode(sw, static_cast<int>(p));
    if (far == kNone || far >= s.Switches() || far == from) continue;
    int seen = s.PortOf(far, mac);
    if (seen >= 0 && s.FarNode(far, seen) != sw) return false;
  }
  return true;
}

void PlaceOne(InferenceState* s, const Sighting* first, const Sighting* last) {
  Mac mac = first->mac;
  std::vector<PortRef> edge;
  for (const Sighting* e = first; e != last; ++e) {
    if (IsEdge(*s, e->sw, e->port)) edge.push_back(PortRef{e->sw, e->port});
  }
  if (edge.size() > 1) {  // a segment sees what hangs on the other switches' edge ports too
    std::vector<PortRef> real;
    for (const PortRef& p : edge) {
      if (!IsSegment(*s, p.sw, p.port)) real.push_back(p);
    }
    if (real.size() == 1) edge = real;
  }
  if (edge.size() == 1) {
    s->out.hosts.push_back(HostPlacement{mac, edge[0], -1, -1});
    return;
  }
  if (edge.size() > 1) {
    s->out.undecided.push_back(
        UndecidedHost{mac, edge, "learned on edge ports of several switches"});
    return;
  }
  // Only on ports towards other switches: where do they lead?
  std::vector<std::pair<std::uint32_t, PortRef>> targets;  // (node, port leading to it)
  for (const Sighting* e = first; e != last; ++e) {
    std::uint32_t far = s->FarNode(e->sw, static_cast<int>(e->port));
    if (far == kNone) continue;
    bool behindFar = far >= s->Switches() || s->PortOf(far, mac) < 0;
    if (!behindFar) continue;
    bool known = false;
    for (const auto& t : targets) known = known || t.first == far;
    if (!known) targets.emplace_back(far, PortRef{e->sw, e->port});
  }
  // A gap of several aged-out entries leaves several such switches; the host is beyond the one
  // whose neighbours that see it all point back at it. A switch that learned it on its port to a
  // switch outside the scope is nearer to it than switches that lost it.
  if (targets.size() > 1) {
    std::vector<std::pair<std::uint32_t, PortRef>> last, outside;
    for (const auto& t : targets) {
      if (t.first >= s->Switches()) {
        outside.push_back(t);
      } else if (PointedAtBy(*s, t.first, t.second.sw, mac)) {
        last.push_back(t);
      }
    }
    if (outside.size() == 1) {
      targets = outside;
    } else if (outside.empty() && last.size() == 1) {
      targets = last;
    }
  }
  if (targets.size() == 1 && targets[0].first >= s->Switches()) {
    int outside = static_cast<int>(targets[0].first - s->Switches());
    s->out.hosts.push_back(HostPlacement{mac, targets[0].second, outside, -1});
    return;
  }
  if (targets.size() == 1) {
    std::uint32_t sw = targets[0].first;
    s->out.undecided.push_back(UndecidedHost{
        mac, Region(*s, sw, mac),
        "not in the forwarding table of " + s->net.switches[sw].name +
            ", which the switches that see it point at: on an edge port of it or of a switch "
            "beyond it"});
    return;
  }
  std::vector<PortRef> seen;
  for (const Sighting* e = first; e != last; ++e) seen.push_back(PortRef{e->sw, e->port});
  s->out.undecided.push_back(UndecidedHost{
      mac, seen, "learned only on ports towards other switches, which point different ways"});
}

// The end stations neighbour protocols heard, each on the first port that heard it; none that
// is a switch's. Returns their MAC addresses.
absl::flat_hash_set<Mac> PlaceHeardHosts(InferenceState* s) {
  absl::flat_hash_set<Mac> macs;
  std::set<std::pair<std::string, std::string>> others;  // chassis text, else address
  for (const NeighbourClaim& c : s->net.claims) {
    if (!c.station || c.sw >= s->Switches() || c.port >= s->net.switches[c.sw].ports.size()) {
      continue;
    }
    if (c.remoteMac != 0) {
      if (IsSpecialMac(c.remoteMac) || s->ownerOf.count(c.remoteMac) ||
          !macs.insert(c.remoteMac).second) {
        continue;
      }
    } else if ((c.remoteChassis.empty() && c.remoteAddress.empty()) ||
               !others.emplace(c.remoteChassis, c.remoteChassis.empty() ? c.remoteAddress : "")
                    .second) {
      continue;
    }
    s->out.hosts.push_back(HostPlacement{c.remoteMac, PortRef{c.sw, c.port}, -1,
                                         static_cast<int>(s->out.heard.size())});
    s->out.heard.push_back(HeardHost{c.protocol, c.remoteChassis, c.remoteName, c.remoteAddress});
  }
  return macs;
}

}  // namespace

void PlaceHosts(InferenceState* s) {
  absl::flat_hash_set<Mac> heard = PlaceHeardHosts(s);
  std::size_t heardHosts = s->out.hosts.size();
  absl::flat_hash_set<Mac> switchMacs;
  for (const OutsideSwitch& o : s->out.outside) {
    if (o.mac != 0) switchMacs.insert(o.mac);
  }
  std::vector<Sighting> sightings;
  for (std::uint32_t i = 0; i < s->Switches(); ++i) {
    for (const auto& entry : s->portOf[i]) {
      if (s->ownerOf.count(entry.first) || switchMacs.count(entry.first) ||
          heard.count(entry.first)) {
        continue;
      }
      sightings.push_back(Sighting{entry.first, i, entry.second});
    }
  }
  std::sort(sightings.begin(), sightings.end());
  for (std::size_t i = 0; i < sightings.size();) {
    std::size_t j = i;
    while (j < sightings.size() && sightings[j].mac == sightings[i].mac) ++j;
    PlaceOne(s, &sightings[i], &sightings[0] + j);
    i = j;
  }
  if (heardHosts > 0) {
    std::stable_sort(s->out.hosts.begin(), s->out.hosts.end(),
                     [](const HostPlacement& a, const HostPlacement& b) { return a.mac < b.mac; });
  }
}

}  // namespace topology
}  // namespace disco
