#include "engine/map/LldpClaims.h"

#include <cstdlib>

namespace disco {

namespace {

using topology::Mac;

// The one port of `sw` the port ID names; -1 for none or several.
int FindPort(const LldpNeighbour& n, const topology::Switch& sw,
             const std::vector<PortIdentity>& ids) {
  const std::string& id = n.portId;
  long ifIndex = 0;
  if (n.portIdSubtype == "local") {
    char* end = nullptr;
    ifIndex = std::strtol(id.c_str(), &end, 10);
    if (id.empty() || *end != '\0' || ifIndex <= 0) return -1;
  }
  Mac mac = 0;
  if (n.portIdSubtype == "macAddress" && !topology::ParseMac(id, &mac)) return -1;
  bool byName = n.portIdSubtype == "interfaceName" || n.portIdSubtype == "interfaceAlias";
  int found = -1;
  for (std::size_t p = 0; p < sw.ports.size() && p < ids.size(); ++p) {
    const PortIdentity& i = ids[p];
    bool match = (n.portIdSubtype == "local" && i.ifIndex == ifIndex) ||
                 (mac != 0 && i.mac == mac) ||
                 (byName && !id.empty() && (sw.ports[p].name == id || i.descr == id));
    if (!match) continue;
    if (found >= 0) return -1;  // several interfaces share the MAC or name
    found = static_cast<int>(p);
  }
  return found;
}

// "card:port" read from a port ID such as EXOS's ifName "1:48".
bool CardPort(const std::string& text, int* card, int* port) {
  char* end = nullptr;
  long c = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != ':') return false;
  const char* rest = end + 1;
  long p = std::strtol(rest, &end, 10);
  if (end == rest || *end != '\0' || c < 0 || p < 0 || c > 0xFFFF || p > 0xFFFF) return false;
  *card = static_cast<int>(c);
  *port = static_cast<int>(p);
  return true;
}

// Whether the enabled capabilities are those of an end station only: a telephone, a host.
bool EndStation(const std::vector<std::string>& capabilities) {
  if (capabilities.empty()) return false;
  for (const std::string& c : capabilities) {
    if (c != "telephone" && c != "stationOnly") return false;
  }
  return true;
}

}  // namespace

void LldpPeers::Add(const topology::Switch& sw, const std::string& chassis,
                    const std::vector<PortIdentity>& ports) {
  auto index = static_cast<std::uint32_t>(m_Peers.size());
  m_Peers.push_back(Peer{&sw, &ports});
  for (Mac mac : sw.macs) m_ByMac.emplace(mac, index);
  for (const std::string& ip : sw.ips) m_ByAddress.emplace(ip, index);
  if (!chassis.empty()) m_ByChassis.emplace(chassis, index);
}

int LldpPeers::Find(const LldpNeighbour& n) const {
  auto found = [](const auto& map, const auto& key) {
    auto it = map.find(key);
    return it == map.end() ? -1 : static_cast<int>(it->second);
  };
  int peer = -1;
  Mac mac = 0;
  if (n.chassisIdSubtype == "macAddress") {
    if (topology::ParseMac(n.chassisId, &mac)) peer = found(m_ByMac, mac);
  } else if (n.chassisIdSubtype == "networkAddress") {
    peer = found(m_ByAddress, n.chassisId);
  } else if (!n.chassisId.empty()) {
    peer = found(m_ByChassis, n.chassisIdSubtype + " " + n.chassisId);
  }
  if (peer < 0 && !n.managementAddress.empty()) peer = found(m_ByAddress, n.managementAddress);
  return peer;
}

topology::NeighbourClaim LldpPeers::Claim(std::uint32_t sw, std::uint32_t port,
                                          const LldpNeighbour& n) const {
  topology::NeighbourClaim c;
  c.protocol = "lldp";
  c.sw = sw;
  c.port = port;
  c.remoteName = n.systemName;
  int peer = Find(n);
  if (peer >= 0) {
    const Peer& p = m_Peers[static_cast<std::size_t>(peer)];
    if (!p.sw->macs.empty()) c.remoteMac = p.sw->macs.front();
    c.remoteAddress = p.sw->address;
    int far = FindPort(n, *p.sw, *p.ports);
    if (far >= 0) {
      c.remoteCard = p.sw->ports[static_cast<std::size_t>(far)].card;
      c.remotePort = p.sw->ports[static_cast<std::size_t>(far)].number;
    }
    return c;
  }
  if (n.chassisIdSubtype != "macAddress" || !topology::ParseMac(n.chassisId, &c.remoteMac)) {
    c.remoteChassis = n.chassisId.empty() ? "" : n.chassisIdSubtype + " " + n.chassisId;
  }
  c.remoteAddress = n.managementAddress;
  c.station = EndStation(n.capabilities);
  // A telephone often gives its address as chassis ID and its MAC address as port ID.
  if (c.station && c.remoteMac == 0 && n.portIdSubtype == "macAddress") {
    topology::ParseMac(n.portId, &c.remoteMac);
  }
  if (!c.station && !CardPort(n.portId, &c.remoteCard, &c.remotePort)) {
    c.remotePortName = n.portId;
  }
  return c;
}

}  // namespace disco
