// Links from forwarding tables that are incomplete, rooted like Gobjuka and Breitbart's method
// ("Ethernet topology discovery for networks with incomplete information", ICCCN 2007 and
// IEEE/ACM ToN 2010) and tested with the through-set reasoning of Lowekamp, O'Hallaron and Gross
// ("Topology discovery for large Ethernet networks", SIGCOMM 2001): a port's through set is what
// its forwarding table learned on it, and in a tree the sets of a link's two ends are disjoint.
//
// The active topology is a tree (blocked ports learn nothing). Rooted at the switch most others
// see, every other switch has one up port, towards the root; every address it learns on another
// port (a down port) is in its subtree. Then:
//   - up port: the port that sees the root; else the port that sees any switch X that is an
//     ancestor (X sees this switch on a down port, or a link heard by a neighbour protocol goes
//     to X's down port), or that sees any address X learned outside this switch's side; else the
//     port whose addresses the root learned on ports other than the one that leads here.
//   - ancestors: X is an ancestor of S when X learned on a down port some address of S's
//     subtree (so one subtree holds the other) and S learned on its up port some address of X's
//     subtree, or X itself (so X is not below S); or when X learned S's own address on a down
//     port. One shared address each way suffices, which is what makes the method hold up when a
//     quarter of the entries are gone.
//   - parent: the deepest ancestor; the link goes from S's up port to the parent's port that
//     sees S (or S's subtree). When that port has a heard link to another discovered switch,
//     that switch is between them: the parent is sought down the heard links. A link whose ends
//     both have heard links is left to them; one that ends on a heard link to a switch outside
//     the scope ends at that switch.
// Cost: every forwarding entry is looked at a bounded number of times per switch it names, and
// the candidate ancestors of a switch are the holders of its subtree's addresses: near-linear in
// the entries for trees of moderate depth.
#include <algorithm>
#include <utility>

#include "engine/topology/InferenceState.h"

namespace disco {
namespace topology {

namespace {

struct Tree {
  std::uint32_t root = 0;
  std::vector<bool> known;  // up port decided
  // seenBy[X]: (switch, port) pairs that see X.
  std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> seenBy;
};

bool IsDown(const InferenceState& s, const Tree& t, std::uint32_t sw, int port) {
  return port >= 0 && (sw == t.root || port != s.up[sw]);
}

// An address `sw` learned on a port that its ancestor `x` learned on another port than `q` (the
// port of `x` towards `sw`): that port of `sw` is its up port. kNoPort when none.
int PortSeeingOutside(const InferenceState& s, std::uint32_t sw, std::uint32_t x, int q) {
  for (const auto& entry : s.portOf[sw]) {
    int px = s.PortOf(x, entry.first);
    if (px >= 0 && px != q) return static_cast<int>(entry.second);
  }
  return kNoPort;
}

// The up port of `sw` from ancestors whose up port is known; kNoPort when none tells.
int UpFromAncestors(const InferenceState& s, const Tree& t, std::uint32_t sw) {
  for (const auto& seen : t.seenBy[sw]) {
    std::uint32_t x = seen.first;
    int q = static_cast<int>(seen.second);
    if (!t.known[x] || !IsDown(s, t, x, q)) continue;
    int p = s.PortToward(sw, x);
    if (p < 0) p = PortSeeingOutside(s, sw, x, q);
    if (p >= 0) return p;
  }
  const auto& ports = s.net.switches[sw].ports;
  for (std::uint32_t p = 0; p < ports.size(); ++p) {
    int l = s.linkOn[sw][p];
    if (l < 0) continue;
    const Link& link = s.out.links[static_cast<std::size_t>(l)];
    if (link.Blocked()) continue;  // not part of the tree the tables learned over
    const LinkEnd& far = link.a.node == sw && link.a.port == static_cast<int>(p) ? link.b : link.a;
    if (far.node < s.Switches() && t.known[far.node] && IsDown(s, t, far.node, far.port)) {
      return static_cast<int>(p);
    }
  }
  return kNoPort;
}

// The up port of `sw` from the root's view: the root learned the addresses of `sw`'s subtree on
// one port; the port of `sw` whose addresses the root learned elsewhere (or that sees the root's
// own) leads up. kNoPort when the root's table does not tell.
int UpFromRootView(const InferenceState& s, const Tree& t, std::uint32_t sw) {
  constexpr int kRootItself = -2;
  int below = s.PortToward(t.root, sw);  // the root's port towards sw, when it sees sw
  // Per port of sw: up to two distinct root ports of its addresses.
  std::vector<std::pair<int, int>> rootPorts(s.net.switches[sw].ports.size(), {kNoPort, kNoPort});
  for (const auto& entry : s.portOf[sw]) {
    auto owner = s.ownerOf.find(entry.first);
    int r = owner != s.ownerOf.end() && owner->second == t.root ? kRootItself
                                                                : s.PortOf(t.root, entry.first);
    if (r == kNoPort) continue;
    auto& seen = rootPorts[entry.second];
    if (seen.first == kNoPort) {
      seen.first = r;
    } else if (seen.first != r && seen.second == kNoPort) {
      seen.second = r;
    }
  }
  std::vector<int> mixed;                   // ports with several root ports: up
  std::vector<std::pair<int, int>> single;  // (port, its one root port)
  for (std::size_t p = 0; p < rootPorts.size(); ++p) {
    const auto& seen = rootPorts[p];
    if (seen.first == kNoPort) continue;
    bool outside =
        seen.second != kNoPort || seen.first == kRootItself || (below >= 0 && seen.first != below);
    if (outside) {
      mixed.push_back(static_cast<int>(p));
    } else {
      single.emplace_back(static_cast<int>(p), seen.first);
    }
  }
  if (mixed.size() == 1) return mixed[0];
  if (!mixed.empty() || single.size() < 3) return kNoPort;
  // The down ports all map to one root port; one port mapping elsewhere is the up port.
  int odd = kNoPort;
  int odds = 0;
  for (const auto& a : single) {
    int same = 0;
    for (const auto& b : single) same += a.second == b.second ? 1 : 0;
    if (same == 1) {
      odd = a.first;
      ++odds;
    }
  }
  return odds == 1 ? odd : kNoPort;
}

// The port of `sw` that sees the most switches: the last resort for its up port.
int BusiestPort(const InferenceState& s, std::uint32_t sw) {
  std::vector<int> count(s.net.switches[sw].ports.size(), 0);
  for (const auto& seen : s.sees[sw]) ++count[seen.second];
  auto best = std::max_element(count.begin(), count.end());
  return best == count.end() || *best == 0 ? kNoPort : static_cast<int>(best - count.begin());
}

void FindUpPorts(InferenceState* s, Tree* t) {
  std::uint32_t n = s->Switches();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (i == t->root) continue;
    s->up[i] = s->PortToward(i, t->root);
    t->known[i] = s->up[i] >= 0;
  }
  auto propagate = [&]() {
    for (bool changed = true; changed;) {
      changed = false;
      for (std::uint32_t i = 0; i < n; ++i) {
        if (t->known[i]) continue;
        int p = UpFromAncestors(*s, *t, i);
        if (p < 0) continue;
        s->up[i] = p;
        t->known[i] = true;
        changed = true;
      }
    }
  };
  propagate();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (t->known[i]) continue;
    int p = UpFromRootView(*s, *t, i);
    if (p < 0) continue;
    s->up[i] = p;
    t->known[i] = true;
  }
  propagate();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!t->known[i]) s->up[i] = BusiestPort(*s, i);
  }
}

// Addresses each switch learned on its up port and on its down ports (its own included there).
struct Sides {
  std::vector<std::vector<Mac>> upSide, downSide;
};

Sides SplitSides(const InferenceState& s, const Tree& t) {
  Sides sides;
  std::uint32_t n = s.Switches();
  sides.upSide.resize(n);
  sides.downSide.resize(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (Mac m : s.net.switches[i].macs) sides.downSide[i].push_back(m);
    for (const auto& entry : s.portOf[i]) {
      bool down = IsDown(s, t, i, static_cast<int>(entry.second));
      (down ? sides.downSide[i] : sides.upSide[i]).push_back(entry.first);
    }
  }
  return sides;
}

// Whether `x`'s subtree (its down side) shares an address with what `sw` learned on its up port.
bool NotBelow(const InferenceState& s, const Tree& t, const Sides& sides, std::uint32_t sw,
              std::uint32_t x) {
  if (x == t.root) return true;
  int below = s.PortToward(x, sw);  // x learned sw itself on a down port: sw is in x's subtree
  if (below >= 0 && IsDown(s, t, x, below)) return true;
  int toward = s.PortToward(sw, x);
  if (toward >= 0) return toward == s.up[sw];
  if (sides.upSide[sw].size() <= sides.downSide[x].size()) {
    for (Mac m : sides.upSide[sw]) {
      auto owner = s.ownerOf.find(m);
      if (owner != s.ownerOf.end() && owner->second == x) return true;
      if (IsDown(s, t, x, s.PortOf(x, m))) return true;
    }
    return false;
  }
  for (Mac m : sides.downSide[x]) {
    int p = s.PortOf(sw, m);
    if (p >= 0 && p == s.up[sw]) return true;
  }
  return false;
}

// The port of `x` that learned `sw` or an address of its subtree; kNoPort when none.
int PortTowardSubtree(const InferenceState& s, const Sides& sides, std::uint32_t x,
                      std::uint32_t sw) {
  int q = s.PortToward(x, sw);
  for (std::size_t k = 0; q < 0 && k < sides.downSide[sw].size(); ++k) {
    q = s.PortOf(x, sides.downSide[sw][k]);
  }
  return q;
}

// Starts the tree at the switch the most others see, and finds every switch's up port.
Tree PlantTree(InferenceState* s) {
  std::uint32_t n = s->Switches();
  Tree t;
  t.known.assign(n, false);
  t.seenBy.resize(n);
  std::vector<std::uint32_t> seenCount(n, 0);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (const auto& seen : s->sees[i]) {
      t.seenBy[seen.first].emplace_back(i, seen.second);
      ++seenCount[seen.first];
    }
  }
  t.root = static_cast<std::uint32_t>(std::max_element(seenCount.begin(), seenCount.end()) -
                                      seenCount.begin());
  t.known[t.root] = true;
  s->out.root = static_cast<int>(t.root);
  FindUpPorts(s, &t);
  return t;
}

// The ancestors of every switch: the switches holding one of its down side's addresses (and the
// root) that it is not below. Sets each switch's depth to its number of ancestors.
std::vector<std::vector<std::uint32_t>> FindAncestors(InferenceState* s, const Tree& t,
                                                      const Sides& sides) {
  std::uint32_t n = s->Switches();
  // Holders of every address on a down side: (address, switch), sorted by address.
  std::vector<std::pair<Mac, std::uint32_t>> holders;
  for (std::uint32_t i = 0; i < n; ++i) {
    for (Mac m : sides.downSide[i]) holders.emplace_back(m, i);
  }
  std::sort(holders.begin(), holders.end());

  std::vector<std::vector<std::uint32_t>> ancestors(n);
  std::vector<std::uint32_t> mark(n, kNone);
  std::vector<std::uint32_t> candidates;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (i == t.root) continue;
    candidates.clear();
    mark[i] = i;
    for (Mac m : sides.downSide[i]) {
      auto it = std::lower_bound(holders.begin(), holders.end(), std::make_pair(m, 0u));
      for (; it != holders.end() && it->first == m; ++it) {
        if (mark[it->second] == i) continue;
        mark[it->second] = i;
        candidates.push_back(it->second);
      }
    }
    if (mark[t.root] != i) candidates.push_back(t.root);  // the root is everyone's ancestor
    for (std::uint32_t x : candidates) {
      if (NotBelow(*s, t, sides, i, x)) ancestors[i].push_back(x);
    }
    s->depth[i] = static_cast<int>(ancestors[i].size());
  }
  return ancestors;
}

// Adds the link from switch `i` up to its parent, the deepest of its `ancestors`, unless a
// neighbour protocol heard both ends or a discovered switch stands between them.
void LinkToParent(InferenceState* s, const Sides& sides,
                  const std::vector<std::uint32_t>& ancestors, std::uint32_t i) {
  std::uint32_t n = s->Switches();
  std::uint32_t parent = ancestors[0];
  for (std::uint32_t x : ancestors) {
    bool deeper = s->depth[x] > s->depth[parent] ||
                  (s->depth[x] == s->depth[parent] &&
                   sides.downSide[x].size() < sides.downSide[parent].size());
    if (deeper) parent = x;
  }
  int q = PortTowardSubtree(*s, sides, parent, i);
  // The parent's port leads to another discovered switch by a heard link: that switch is
  // between them (an ancestor the tables did not prove); go down the heard links.
  for (std::uint32_t steps = 0; q >= 0 && steps < n; ++steps) {
    std::uint32_t next = s->FarNode(parent, q);
    if (next == kNone || next >= n || next == i) break;
    int nq = PortTowardSubtree(*s, sides, next, i);
    if (nq < 0 || s->FarNode(next, nq) == parent) break;
    parent = next;
    q = nq;
  }
  if (q < 0) return;
  int mine = s->linkOn[i][static_cast<std::size_t>(s->up[i])];
  int theirs = s->linkOn[parent][static_cast<std::size_t>(q)];
  if (mine >= 0 && theirs >= 0) return;  // a neighbour protocol heard both ends
  Link link;
  link.evidence = "fdb";
  link.a.node = i;
  link.a.port = s->up[i];
  link.a.stpState = s->net.switches[i].ports[static_cast<std::size_t>(s->up[i])].stpState;
  link.b.node = parent;
  link.b.port = q;
  link.b.stpState = s->net.switches[parent].ports[static_cast<std::size_t>(q)].stpState;
  // A switch outside the scope between the two: the forwarding tables saw through it.
  std::uint32_t far = mine >= 0 ? s->FarNode(i, s->up[i]) : s->FarNode(parent, q);
  if (far != kNone && far < n) return;  // a discovered switch in between: its own link
  if (far != kNone) {
    LinkEnd outside;
    outside.node = far;
    (mine >= 0 ? link.a : link.b) = outside;
    if (mine >= 0) std::swap(link.a, link.b);  // the discovered end first
  }
  s->AddLink(std::move(link));
}

}  // namespace

void InferForwardingLinks(InferenceState* s) {
  std::uint32_t n = s->Switches();
  s->up.assign(n, kNoPort);
  s->depth.assign(n, 0);
  if (n == 0) return;
  Tree t = PlantTree(s);
  Sides sides = SplitSides(*s, t);
  std::vector<std::vector<std::uint32_t>> ancestors = FindAncestors(s, t, sides);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (i == t.root || ancestors[i].empty() || s->up[i] < 0) continue;
    LinkToParent(s, sides, ancestors[i], i);
  }
}

}  // namespace topology
}  // namespace disco
