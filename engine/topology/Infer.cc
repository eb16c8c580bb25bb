#include "engine/topology/Infer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "engine/topology/InferenceState.h"

namespace disco {
namespace topology {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Stopped(int state) {
  return state == kStpBlocking || state == kStpDisabled || state == kStpBroken;
}

// The port of `sw` that a claim's far end names: by card and port, else by name.
int FindPort(const Switch& sw, const NeighbourClaim& c) {
  for (std::size_t p = 0; p < sw.ports.size(); ++p) {
    const Port& port = sw.ports[p];
    if (c.remoteCard >= 0 && port.card == c.remoteCard && port.number == c.remotePort) {
      return static_cast<int>(p);
    }
    if (c.remoteCard < 0 && !c.remotePortName.empty() && port.name == c.remotePortName) {
      return static_cast<int>(p);
    }
  }
  return kNoPort;
}

// Step 1: which switch every MAC address stands for; each switch's forwarding entries by address.
void IndexSwitches(InferenceState* s) {
  const Network& net = s->net;
  for (std::uint32_t i = 0; i < s->Switches(); ++i) {
    for (Mac m : net.switches[i].macs) {
      if (!IsSpecialMac(m)) s->ownerOf.emplace(m, i);
    }
  }
  std::size_t special = 0;
  s->portOf.resize(net.switches.size());
  s->sees.resize(net.switches.size());
  s->linkOn.resize(net.switches.size());
  for (std::uint32_t i = 0; i < s->Switches(); ++i) {
    const Switch& sw = net.switches[i];
    s->linkOn[i].assign(sw.ports.size(), -1);
    std::size_t entries = 0;
    for (const Port& p : sw.ports) entries += p.fdb.size();
    s->portOf[i].reserve(entries);
    for (std::uint32_t p = 0; p < sw.ports.size(); ++p) {
      for (Mac m : sw.ports[p].fdb) {
        if (IsSpecialMac(m)) {
          ++special;
          continue;
        }
        auto owner = s->ownerOf.find(m);
        if (owner != s->ownerOf.end() && owner->second == i) continue;  // its own address
        if (!s->portOf[i].emplace(m, p).second) continue;
        if (owner != s->ownerOf.end()) s->sees[i].emplace(owner->second, p);
      }
    }
  }
  if (special > 0) {
    Note note;
    note.kind = Note::kSpecialMacs;
    note.count = special;
    s->out.notes.push_back(std::move(note));
  }
}

// An outside switch's identity: its MAC address, else its chassis text, else its address.
using OutsideKey = std::tuple<Mac, std::string, std::string>;

// The switch a claim names: discovered (its index) or outside (Switches() + outside index, made
// on first sight). An outside switch is known by its MAC address, else by its chassis text, else
// by its address.
std::uint32_t ClaimedNode(InferenceState* s, const NeighbourClaim& c,
                          std::map<OutsideKey, std::uint32_t>* outsideById) {
  if (IsSpecialMac(c.remoteMac) && c.remoteMac != 0) return kNone;  // no one switch's address
  if (c.remoteMac != 0) {
    auto owner = s->ownerOf.find(c.remoteMac);
    if (owner != s->ownerOf.end()) return owner->second;
  }
  if (!c.remoteAddress.empty()) {
    for (std::uint32_t i = 0; i < s->Switches(); ++i) {
      const auto& ips = s->net.switches[i].ips;
      if (std::find(ips.begin(), ips.end(), c.remoteAddress) != ips.end()) return i;
    }
  }
  if (c.remoteMac == 0 && c.remoteChassis.empty() && c.remoteAddress.empty()) {
    return kNone;  // nothing to know it by
  }
  OutsideKey id{c.remoteMac, c.remoteMac != 0 ? "" : c.remoteChassis,
                c.remoteMac != 0 || !c.remoteChassis.empty() ? "" : c.remoteAddress};
  auto it = outsideById->find(id);
  if (it == outsideById->end()) {
    it = outsideById->emplace(id, static_cast<std::uint32_t>(s->out.outside.size())).first;
    s->out.outside.push_back(
        OutsideSwitch{c.remoteMac, std::get<1>(id), c.remoteName, c.remoteAddress, c.protocol});
  }
  return s->Switches() + it->second;
}

// A note about the claim `c`, whose far end is `node`'s port `farPort`.
Note ClaimNote(Note::Kind kind, const InferenceState& s, const NeighbourClaim& c,
               std::uint32_t node, int farPort) {
  Note note;
  note.kind = kind;
  note.protocol = c.protocol;
  note.nodes = {c.sw};
  if (node != c.sw) note.nodes.push_back(node);
  note.a.node = c.sw;
  note.a.port = static_cast<int>(c.port);
  note.b.node = node;
  note.b.port = farPort;
  note.b.card = c.remoteCard;
  note.b.number = c.remotePort;
  if (farPort == kNoPort && node < s.Switches()) note.b.card = note.b.number = -1;
  return note;
}

// Step 2: the links neighbour protocols heard. A claim and its reverse (the far switch's claim
// on the named port, naming this switch and port) are one link. EDP's claims go first: a link
// another protocol heard too keeps EDP's evidence and lists the other's in `alsoHeard`.
void ClaimedLinks(InferenceState* s) {
  const Network& net = s->net;
  std::map<OutsideKey, std::uint32_t> outsideById;
  struct Resolved {
    std::uint32_t node;
    int farPort;
  };
  std::vector<Resolved> resolved;
  resolved.reserve(net.claims.size());
  // (protocol, switch, port, far node, far port) -> claim, for finding reverse claims.
  std::map<std::tuple<std::string, std::uint32_t, int, std::uint32_t, int>, std::size_t> index;
  for (std::size_t i = 0; i < net.claims.size(); ++i) {
    const NeighbourClaim& c = net.claims[i];
    if (c.station || c.sw >= s->Switches() || c.port >= net.switches[c.sw].ports.size()) {
      resolved.push_back({kNone, kNoPort});
      continue;
    }
    std::uint32_t node = ClaimedNode(s, c, &outsideById);
    if (node == kNone) {
      resolved.push_back({kNone, kNoPort});
      continue;
    }
    int farPort = node < s->Switches() ? FindPort(net.switches[node], c) : kNoPort;
    resolved.push_back({node, farPort});
    index.emplace(std::make_tuple(c.protocol, c.sw, static_cast<int>(c.port), node, farPort), i);
  }
  // The ports that claims heard from both ends tie together: a one-sided claim that ties one of
  // them to another discovered switch's port is outranked (that switch would hear it too). One
  // that names a switch outside the scope cannot be checked so: the port is a shared segment.
  std::map<std::pair<std::uint32_t, int>, std::pair<std::uint32_t, int>> tied;
  for (const auto& [key, i] : index) {
    const auto& [protocol, sw, port, node, farPort] = key;
    if (node >= s->Switches() || farPort == kNoPort || node == sw) continue;
    if (index.count(std::make_tuple(protocol, node, farPort, sw, port)) == 0) continue;
    tied.emplace(std::make_pair(sw, port), std::make_pair(node, farPort));
  }
  auto tiedElsewhere = [&tied](std::uint32_t sw, int port, std::uint32_t node, int farPort) {
    auto it = tied.find({sw, port});
    return it != tied.end() &&
           (it->second.first != node || (farPort != kNoPort && it->second.second != farPort));
  };
  std::set<std::tuple<std::uint32_t, int, int>> loops;  // switch, ports: each reported once
  // (switch, port, far node) -> the link made on the port to that node; a port may have several.
  std::map<std::tuple<std::uint32_t, int, std::uint32_t>, int> linkTo;
  auto knownLink = [&linkTo](std::uint32_t sw, int port, std::uint32_t node) {
    auto it = linkTo.find(std::make_tuple(sw, port, node));
    return it == linkTo.end() ? -1 : it->second;
  };
  std::vector<std::size_t> order(net.claims.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_partition(order.begin(), order.end(),
                        [&net](std::size_t i) { return net.claims[i].protocol == "edp"; });
  for (std::size_t i : order) {
    const NeighbourClaim& c = net.claims[i];
    const Resolved& r = resolved[i];
    if (r.node == kNone) continue;
    auto self =
        index.find(std::make_tuple(c.protocol, c.sw, static_cast<int>(c.port), r.node, r.farPort));
    if (self->second != i) continue;  // the same claim twice
    if (r.node == c.sw) {
      int port = static_cast<int>(c.port);
      if (loops.emplace(c.sw, std::min(port, r.farPort), std::max(port, r.farPort)).second) {
        s->out.notes.push_back(ClaimNote(Note::kLoop, *s, c, r.node, r.farPort));
      }
      continue;
    }
    bool reverse = false;
    if (r.farPort != kNoPort) {
      auto it = index.find(
          std::make_tuple(c.protocol, r.node, r.farPort, c.sw, static_cast<int>(c.port)));
      reverse = it != index.end();
      if (reverse && it->second < i) continue;  // made when its reverse was met
    }
    if (!reverse && ((r.node < s->Switches() &&
                      tiedElsewhere(c.sw, static_cast<int>(c.port), r.node, r.farPort)) ||
                     (r.farPort != kNoPort &&
                      tiedElsewhere(r.node, r.farPort, c.sw, static_cast<int>(c.port))))) {
      s->out.notes.push_back(ClaimNote(Note::kContradictedClaim, *s, c, r.node, r.farPort));
      continue;
    }
    std::string evidence = reverse ? c.protocol : c.protocol + "-one-side";
    int known = knownLink(c.sw, static_cast<int>(c.port), r.node);
    if (known < 0 && r.farPort != kNoPort) known = knownLink(r.node, r.farPort, c.sw);
    if (known >= 0) {
      Link& link = s->out.links[static_cast<std::size_t>(known)];
      auto& also = link.alsoHeard;
      // The other protocol's claim from the far end, or its reverse, says the same again.
      bool said = link.evidence.compare(0, c.protocol.size(), c.protocol) == 0;
      for (std::string& e : also) {
        if (e.compare(0, c.protocol.size(), c.protocol) != 0) continue;
        if (reverse) e = evidence;
        said = true;
      }
      if (!said) also.push_back(evidence);
      continue;
    }
    Link link;
    link.a.node = c.sw;
    link.a.port = static_cast<int>(c.port);
    link.a.stpState = net.switches[c.sw].ports[c.port].stpState;
    link.b.node = r.node;
    link.b.port = r.farPort;
    link.b.card = c.remoteCard;
    link.b.number = c.remotePort;
    if (r.farPort != kNoPort) link.b.stpState = net.switches[r.node].ports[r.farPort].stpState;
    link.evidence = std::move(evidence);
    auto made = static_cast<int>(s->out.links.size());
    linkTo.emplace(std::make_tuple(c.sw, static_cast<int>(c.port), r.node), made);
    if (r.farPort != kNoPort) linkTo.emplace(std::make_tuple(r.node, r.farPort, c.sw), made);
    s->AddLink(std::move(link));
  }
}

// Ports whose heard links lead to several switches: shared segments. Their hosts are on the
// segment, behind none of its switches in particular, so the port has no one far end.
void SharedSegments(InferenceState* s) {
  std::map<PortRef, std::vector<std::uint32_t>> farNodes;
  for (const Link& link : s->out.links) {
    if (link.a.node < s->Switches() && link.a.port >= 0) {
      farNodes[PortRef{link.a.node, static_cast<std::uint32_t>(link.a.port)}].push_back(
          link.b.node);
    }
    if (link.b.node < s->Switches() && link.b.port >= 0) {
      farNodes[PortRef{link.b.node, static_cast<std::uint32_t>(link.b.port)}].push_back(
          link.a.node);
    }
  }
  for (auto& [port, nodes] : farNodes) {
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    if (nodes.size() < 2) continue;
    s->linkOn[port.sw][port.port] = kSegment;
    Note note;
    note.kind = Note::kSharedSegment;
    note.a.node = port.sw;
    note.a.port = static_cast<int>(port.port);
    note.nodes = std::move(nodes);
    s->out.notes.push_back(std::move(note));
  }
}

// Names that several switches go by: a switch's identity is its MAC address or chassis ID, and a
// neighbour that calls itself like another switch is still another switch.
void NameConflicts(InferenceState* s) {
  std::map<std::string, std::vector<std::uint32_t>> byName;
  auto add = [&byName](const std::string& name, std::uint32_t node) {
    if (name.empty()) return;
    std::vector<std::uint32_t>& nodes = byName[name];
    if (nodes.empty() || nodes.back() != node) nodes.push_back(node);
  };
  for (std::uint32_t i = 0; i < s->Switches(); ++i) {
    add(s->net.switches[i].name, i);
    add(s->net.switches[i].sysName, i);
  }
  for (std::size_t k = 0; k < s->out.outside.size(); ++k) {
    add(s->out.outside[k].name, s->Switches() + static_cast<std::uint32_t>(k));
  }
  for (auto& [name, nodes] : byName) {
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    if (nodes.size() < 2) continue;
    Note note;
    note.kind = Note::kNameConflict;
    note.name = name;
    note.nodes = std::move(nodes);
    s->out.notes.push_back(std::move(note));
  }
}

}  // namespace

bool ParseMac(const std::string& text, Mac* mac) {
  Mac value = 0;
  int groups = 0;
  std::size_t i = 0;
  while (i < text.size() && groups < 6) {
    int hi = HexDigit(text[i]);
    int lo = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    if (hi < 0 || lo < 0) return false;
    value = (value << 8) | static_cast<Mac>(hi * 16 + lo);
    ++groups;
    i += 2;
    if (groups < 6) {
      if (i >= text.size() || (text[i] != ':' && text[i] != '-')) return false;
      ++i;
    }
  }
  if (groups != 6 || i != text.size()) return false;
  *mac = value;
  return true;
}

std::string MacText(Mac mac) {
  char text[18];
  std::snprintf(
      text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", static_cast<unsigned>((mac >> 40) & 0xFF),
      static_cast<unsigned>((mac >> 32) & 0xFF), static_cast<unsigned>((mac >> 24) & 0xFF),
      static_cast<unsigned>((mac >> 16) & 0xFF), static_cast<unsigned>((mac >> 8) & 0xFF),
      static_cast<unsigned>(mac & 0xFF));
  return text;
}

bool Link::Blocked() const { return Stopped(a.stpState) || Stopped(b.stpState); }

std::uint32_t InferenceState::FarNode(std::uint32_t sw, int port) const {
  if (port < 0) return kNone;
  int l = linkOn[sw][static_cast<std::size_t>(port)];
  if (l < 0) return kNone;
  const Link& link = out.links[static_cast<std::size_t>(l)];
  if (link.Blocked()) return kNone;
  bool isA = link.a.node == sw && link.a.port == port;
  return isA ? link.b.node : link.a.node;
}

void InferenceState::AddLink(Link link) {
  int index = static_cast<int>(out.links.size());
  for (const LinkEnd* e : {&link.a, &link.b}) {
    if (e->node < Switches() && e->port >= 0) {
      int& on = linkOn[e->node][static_cast<std::size_t>(e->port)];
      if (on == -1) on = index;
    }
  }
  out.links.push_back(std::move(link));
}

Topology Infer(const Network& network) {
  InferenceState state(network);
  IndexSwitches(&state);
  ClaimedLinks(&state);
  NameConflicts(&state);
  SharedSegments(&state);
  InferForwardingLinks(&state);
  PlaceHosts(&state);
  return std::move(state.out);
}

}  // namespace topology
}  // namespace disco
