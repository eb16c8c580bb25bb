#include "engine/LldpClaims.h"

#include <algorithm>
#include <cstdlib>

namespace disco {

namespace {

using topology::Mac;

bool Has(const std::vector<std::string>& list, const std::string& value) {
  return !value.empty() && std::find(list.begin(), list.end(), value) != list.end();
}

// The peer the chassis ID (else the management address) names; -1 for none.
int FindPeer(const LldpNeighbour& n, const std::vector<LldpPeer>& peers) {
  Mac mac = 0;
  bool isMac = n.chassisIdSubtype == "macAddress" && topology::ParseMac(n.chassisId, &mac);
  for (std::size_t i = 0; i < peers.size(); ++i) {
    const LldpPeer& p = peers[i];
    bool match = false;
    if (isMac) {
      match = std::find(p.sw->macs.begin(), p.sw->macs.end(), mac) != p.sw->macs.end();
    } else if (n.chassisIdSubtype == "networkAddress") {
      match = Has(p.sw->ips, n.chassisId);
    } else {
      match = !n.chassisId.empty() && n.chassisId == p.sysName;
    }
    if (match) return static_cast<int>(i);
  }
  for (std::size_t i = 0; i < peers.size(); ++i) {
    if (Has(peers[i].sw->ips, n.managementAddress)) return static_cast<int>(i);
  }
  return -1;
}

// The one port of `peer` the port ID names; -1 for none or several.
int FindPort(const LldpNeighbour& n, const LldpPeer& peer) {
  const std::string& id = n.portId;
  long ifIndex = 0;
  if (n.portIdSubtype == "local") {
    char* end = nullptr;
    ifIndex = std::strtol(id.c_str(), &end, 10);
    if (id.empty() || *end != '\0') return -1;
  }
  Mac mac = 0;
  if (n.portIdSubtype == "macAddress" && !topology::ParseMac(id, &mac)) return -1;
  bool byName = n.portIdSubtype == "interfaceName" || n.portIdSubtype == "interfaceAlias";
  int found = -1;
  for (std::size_t p = 0; p < peer.sw->ports.size(); ++p) {
    const PortIdentity& i = (*peer.ports)[p];
    bool match = (n.portIdSubtype == "local" && i.ifIndex == ifIndex) ||
                 (mac != 0 && i.mac == mac) ||
                 (byName && !id.empty() && (peer.sw->ports[p].name == id || i.descr == id));
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

}  // namespace

topology::NeighbourClaim LldpClaim(std::uint32_t sw, std::uint32_t port, const LldpNeighbour& n,
                                   const std::vector<LldpPeer>& peers) {
  topology::NeighbourClaim c;
  c.protocol = "lldp";
  c.sw = sw;
  c.port = port;
  c.remoteName = n.systemName;
  int peer = FindPeer(n, peers);
  if (peer >= 0) {
    const LldpPeer& p = peers[static_cast<std::size_t>(peer)];
    if (!p.sw->macs.empty()) c.remoteMac = p.sw->macs.front();
    c.remoteAddress = p.sw->address;
    int far = FindPort(n, p);
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
  if (!CardPort(n.portId, &c.remoteCard, &c.remotePort)) c.remotePortName = n.portId;
  return c;
}

}  // namespace disco
