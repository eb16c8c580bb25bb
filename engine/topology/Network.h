// The input of the topology inference: a plain model of the discovered switches, free of SNMP
// and of the agent's records, so that the inference can be tested and benchmarked on its own.
//
// A switch is its identity (names, addresses, MAC addresses) and its ports; a port carries its
// spanning-tree state and the MAC addresses its forwarding table learned on it. What a neighbour
// protocol (EDP, LLDP) heard on a port is a NeighbourClaim naming its protocol.
// Switches and ports are referred to by their index in these vectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace disco {
namespace topology {

// A 48-bit MAC address in the low bits, first octet most significant.
using Mac = std::uint64_t;

// Whether `mac` is the all-zero, the broadcast or a multicast (group) address: never the address
// of one switch or host.
inline bool IsSpecialMac(Mac mac) { return mac == 0 || (mac >> 40 & 1) != 0; }

// Reads "00:04:96:1F:A2:10" (':' or '-' separated, either case). False for anything else.
bool ParseMac(const std::string& text, Mac* mac);
// "00:04:96:1F:A2:10".
std::string MacText(Mac mac);

// dot1dStpPortState values; 0 when the switch gave none.
enum StpState : int {
  kStpUnknown = 0,
  kStpDisabled = 1,
  kStpBlocking = 2,
  kStpListening = 3,
  kStpLearning = 4,
  kStpForwarding = 5,
  kStpBroken = 6,
};

struct Port {
  std::string name;  // "1:8" (card:port)
  int card = -1;     // slot; -1 when unknown
  int number = -1;   // port on the card
  int stpState = kStpUnknown;
  bool up = true;        // ifOperStatus up
  std::vector<Mac> fdb;  // addresses learned on the port, any order, duplicates allowed
};

struct Switch {
  std::string name;
  std::string sysName;           // the name it gives itself; may be empty
  std::string address;           // where it was reached
  std::vector<Mac> macs;         // bridge/system MAC and interface MACs
  std::vector<std::string> ips;  // its interface addresses
  std::vector<Port> ports;
};

// "On port `port` of switch `sw`, protocol `protocol` hears the switch `remoteMac`
// (`remoteName`), whose end of the link is its `remoteCard`:`remotePort`."
struct NeighbourClaim {
  std::string protocol;  // "edp"; "lldp" for LLDP claims
  std::uint32_t sw = 0;
  std::uint32_t port = 0;
  Mac remoteMac = 0;
  std::string remoteName;     // may be empty
  std::string remoteAddress;  // may be empty
  int remoteCard = -1;        // -1 when the protocol does not say
  int remotePort = -1;
  std::string remotePortName;  // matched against Port::name when card and port are unknown
  // The far switch's identity when it has no MAC address to go by (an LLDP chassis ID of
  // another subtype, "networkAddress 10.0.1.40"): keeps switches outside the scope apart.
  std::string remoteChassis;
  // The far end is an end station (a telephone, a host), not a switch: it is a host on `port`,
  // known by `remoteMac` (0 when it gave none), else `remoteChassis`, else `remoteAddress`.
  bool station = false;
};

struct Network {
  std::vector<Switch> switches;
  std::vector<NeighbourClaim> claims;
};

}  // namespace topology
}  // namespace disco
