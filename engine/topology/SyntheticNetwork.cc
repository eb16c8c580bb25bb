#include "engine/topology/SyntheticNetwork.h"

#include <random>

namespace disco {
namespace topology {

namespace {

constexpr Mac kSwitchMacs = 0x000496000000ull;  // Extreme's OUI, switch number below
constexpr Mac kHostMacs = 0x020000000000ull;    // locally administered, host number below
constexpr Mac kOutsideMac = 0x0004960FFFFFull;

class Builder {
 public:
  explicit Builder(const SyntheticOptions& o) : m_O(o), m_Rng(o.seed) {}

  SyntheticNetwork Build() {
    int n = m_O.switches;
    int nodes = n + (m_O.outsideSwitch && n > 0 ? 1 : 0);
    m_Adj.assign(static_cast<std::size_t>(nodes), {});
    for (int i = 0; i < n; ++i) {
      Switch sw;
      sw.name = "sw" + std::to_string(i);
      sw.address = "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256);
      sw.ips.push_back(sw.address);
      sw.macs.push_back(kSwitchMacs | static_cast<Mac>(i));
      m_Net.network.switches.push_back(std::move(sw));
    }
    for (int i = 1; i < n; ++i) TreeLink(i, static_cast<int>(Below(static_cast<std::uint64_t>(i))));
    if (nodes > n) OutsideSwitchLink(n);
    Redundant();
    Hosts(n);
    Tables(nodes);
    return std::move(m_Net);
  }

 private:
  std::uint64_t Below(std::uint64_t bound) { return bound == 0 ? 0 : m_Rng() % bound; }
  bool Chance(double p) { return static_cast<double>(m_Rng() >> 11) * 0x1.0p-53 < p; }

  std::uint32_t NewPort(int sw, int stp) {
    auto& ports = m_Net.network.switches[static_cast<std::size_t>(sw)].ports;
    Port p;
    p.card = 1;
    p.number = static_cast<int>(ports.size()) + 1;
    p.name = "1:" + std::to_string(p.number);
    p.stpState = stp;
    ports.push_back(p);
    return static_cast<std::uint32_t>(ports.size() - 1);
  }

  void Claim(PortRef from, PortRef to, Mac remoteMac, const std::string& name) {
    NeighbourClaim c;
    c.protocol = "edp";
    c.sw = from.sw;
    c.port = from.port;
    c.remoteMac = remoteMac;
    c.remoteName = name;
    c.remoteCard = 1;
    c.remotePort = static_cast<int>(to.port) + 1;
    m_Net.network.claims.push_back(c);
  }

  void ClaimBoth(PortRef a, PortRef b, bool oneSideAllowed) {
    const auto& sws = m_Net.network.switches;
    bool one = oneSideAllowed && Chance(m_O.edpOneSide);
    bool aSpeaks = !one || Chance(0.5);
    if (aSpeaks) Claim(a, b, sws[b.sw].macs[0], sws[b.sw].name);
    if (!one || !aSpeaks) Claim(b, a, sws[a.sw].macs[0], sws[a.sw].name);
  }

  void TreeLink(int child, int parent) {
    PortRef a{static_cast<std::uint32_t>(child), NewPort(child, kStpForwarding)};
    PortRef b{static_cast<std::uint32_t>(parent), NewPort(parent, kStpForwarding)};
    m_Adj[static_cast<std::size_t>(child)].push_back({parent, a.port});
    m_Adj[static_cast<std::size_t>(parent)].push_back({child, b.port});
    m_Net.links.push_back(TruthLink{a, b, false});
    if (!Chance(m_O.edpMissing)) ClaimBoth(a, b, true);
  }

  void OutsideSwitchLink(int outside) {
    int at = static_cast<int>(Below(static_cast<std::uint64_t>(outside)));
    PortRef a{static_cast<std::uint32_t>(at), NewPort(at, kStpForwarding)};
    m_Adj[static_cast<std::size_t>(at)].push_back({outside, a.port});
    m_Adj[static_cast<std::size_t>(outside)].push_back({at, 0});
    m_Net.links.push_back(TruthLink{a, PortRef{static_cast<std::uint32_t>(outside), 0}, false});
    Claim(a, PortRef{static_cast<std::uint32_t>(outside), 0}, kOutsideMac, "outside-1");
    m_OutsidePort = a;
  }

  void Redundant() {
    int n = m_O.switches;
    for (int k = 0; k < m_O.redundantLinks && n > 2; ++k) {
      int x = static_cast<int>(Below(static_cast<std::uint64_t>(n)));
      int y = static_cast<int>(Below(static_cast<std::uint64_t>(n)));
      if (x == y) continue;
      PortRef a{static_cast<std::uint32_t>(x), NewPort(x, kStpForwarding)};
      PortRef b{static_cast<std::uint32_t>(y), NewPort(y, kStpBlocking)};
      m_Net.links.push_back(TruthLink{a, b, true});
      ClaimBoth(a, b, true);  // blocked ports learn no address: only a neighbour protocol tells
    }
  }

  void AddHost(int sw, std::uint32_t port, bool behindOutside) {
    Mac mac = kHostMacs | static_cast<Mac>(m_Net.hosts.size());
    m_Net.hosts.push_back(
        TruthHost{mac, PortRef{static_cast<std::uint32_t>(sw), port}, behindOutside});
  }

  void Hosts(int n) {
    for (int i = 0; i < n; ++i) {
      for (int h = 0; h < m_O.hostsPerSwitch; ++h) AddHost(i, NewPort(i, kStpForwarding), false);
    }
    for (int k = 0; k < m_O.hubs && n > 0; ++k) {
      int sw = static_cast<int>(Below(static_cast<std::uint64_t>(n)));
      std::uint32_t port = NewPort(sw, kStpForwarding);
      for (int h = 0; h < m_O.hostsPerHub; ++h) AddHost(sw, port, false);
    }
    if (m_O.outsideSwitch && n > 0) {
      for (int h = 0; h < 3; ++h)
        AddHost(static_cast<int>(m_OutsidePort.sw), m_OutsidePort.port, true);
    }
  }

  // first[y]: the port of `from` towards node y over the forwarding links (-1: itself).
  std::vector<int> PortsFrom(int from, int nodes) const {
    std::vector<int> first(static_cast<std::size_t>(nodes), -2);
    std::vector<int> queue{from};
    first[static_cast<std::size_t>(from)] = -1;
    for (std::size_t k = 0; k < queue.size(); ++k) {
      int x = queue[k];
      for (const auto& e : m_Adj[static_cast<std::size_t>(x)]) {
        if (first[static_cast<std::size_t>(e.first)] != -2) continue;
        first[static_cast<std::size_t>(e.first)] =
            x == from ? static_cast<int>(e.second) : first[static_cast<std::size_t>(x)];
        queue.push_back(e.first);
      }
    }
    return first;
  }

  void Learn(int sw, int port, Mac mac, double loss) {
    if (port < 0 || Chance(loss)) return;
    m_Net.network.switches[static_cast<std::size_t>(sw)]
        .ports[static_cast<std::size_t>(port)]
        .fdb.push_back(mac);
  }

  void Tables(int nodes) {
    int n = m_O.switches;
    std::vector<std::vector<int>> toward(static_cast<std::size_t>(n));
    for (int x = 0; x < n; ++x) toward[static_cast<std::size_t>(x)] = PortsFrom(x, nodes);
    for (int x = 0; x < n; ++x) {
      for (int y = 0; y < n; ++y) {
        if (x != y)
          Learn(x, toward[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)],
                kSwitchMacs | static_cast<Mac>(y), m_O.fdbLoss);
      }
    }
    for (const TruthHost& h : m_Net.hosts) {
      int home = static_cast<int>(h.at.sw);
      Learn(home, static_cast<int>(h.at.port), h.mac,
            h.behindOutside ? m_O.fdbLoss : m_O.silentHosts);
      if (m_O.everywhere) {
        for (int x = 0; x < n; ++x) {
          if (x != home)
            Learn(x, toward[static_cast<std::size_t>(x)][static_cast<std::size_t>(home)], h.mac,
                  m_O.fdbLoss);
        }
        continue;
      }
      // Towards the root (switch 0): the path's switches learn it on their down ports.
      int below = home;
      for (int x = ParentOf(home, toward); x >= 0; x = ParentOf(x, toward)) {
        Learn(x, toward[static_cast<std::size_t>(x)][static_cast<std::size_t>(below)], h.mac,
              m_O.fdbLoss);
        below = x;
      }
    }
  }

  // The switch next to `x` towards switch 0; -1 for switch 0.
  int ParentOf(int x, const std::vector<std::vector<int>>& toward) const {
    if (x == 0) return -1;
    int up = toward[static_cast<std::size_t>(x)][0];
    for (const auto& e : m_Adj[static_cast<std::size_t>(x)]) {
      if (static_cast<int>(e.second) == up) return e.first;
    }
    return -1;
  }

  const SyntheticOptions m_O;
  std::mt19937_64 m_Rng;
  SyntheticNetwork m_Net;
  std::vector<std::vector<std::pair<int, std::uint32_t>>> m_Adj;  // forwarding links
  PortRef m_OutsidePort;
};

}  // namespace

SyntheticNetwork Generate(const SyntheticOptions& options) { return Builder(options).Build(); }

}  // namespace topology
}  // namespace disco
