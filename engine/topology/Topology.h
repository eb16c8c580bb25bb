// The output of the topology inference: the links between switches with both ends and how each
// is known, and every host MAC address on its edge port, or undecided with its candidates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/topology/Network.h"

namespace disco {
namespace topology {

// A switch outside the scope: heard by a neighbour protocol, not discovered itself.
struct OutsideSwitch {
  Mac mac = 0;  // 0 when the protocol identified it otherwise (`chassis`)
  std::string chassis;
  std::string name;
  std::string address;
  std::string protocol;  // the protocol that heard it first
};

// One end of a link. `node` below Network::switches.size() is a discovered switch, above it an
// OutsideSwitch (node - switches.size()).
struct LinkEnd {
  std::uint32_t node = 0;
  int port = -1;  // index in the switch's ports; -1 when unknown (outside switch, unmatched)
  int card = -1;  // as the far end's neighbour protocol said, when `port` is -1
  int number = -1;
  int stpState = kStpUnknown;
};

struct Link {
  LinkEnd a, b;
  // "edp" (heard from both ends), "edp-one-side" (heard from `a` only), "fdb" (inferred from the
  // forwarding tables); another protocol's claims give "lldp", "lldp-one-side". EDP's evidence
  // wins over another protocol's for the same link.
  std::string evidence;
  // The other protocols that heard the same link, in the same terms ("lldp", "lldp-one-side").
  std::vector<std::string> alsoHeard;
  // Either end blocking (or disabled/broken while the other forwards): a redundant link.
  bool Blocked() const;
};

struct PortRef {
  std::uint32_t sw = 0;
  std::uint32_t port = 0;
  bool operator==(const PortRef& o) const { return sw == o.sw && port == o.port; }
  bool operator<(const PortRef& o) const { return sw != o.sw ? sw < o.sw : port < o.port; }
};

struct HostPlacement {
  Mac mac = 0;  // 0 for a host a neighbour protocol heard without a MAC address
  PortRef at;
  int behind = -1;  // an OutsideSwitch index when the host is behind that switch
  int heard = -1;   // a Topology::heard index when a neighbour protocol heard it on `at`
};

// What a neighbour protocol said of an end station it heard (a telephone, a host).
struct HeardHost {
  std::string protocol;  // "lldp"
  std::string chassis;   // its chassis ID as "subtype text" when that is not a MAC address
  std::string name;      // the system name it gave; may be empty
  std::string address;   // the management address it gave; may be empty
};

struct UndecidedHost {
  Mac mac = 0;
  std::vector<PortRef> candidates;
  std::string reason;
};

// What the evidence says but the topology does not show as a link or a host.
struct Note {
  enum Kind {
    // Several switches (by their MAC address or chassis ID) go by one name: `name`, `nodes`.
    kNameConflict,
    // A one-sided claim (`protocol`, heard on `a`, naming `b`) that evidence heard from both
    // ends contradicts: it ties one of the ports to another link. Not made a link.
    kContradictedClaim,
    // A switch hears itself: `a` and `b` are two of its ports (or one port twice), by `protocol`.
    kLoop,
    // `count` forwarding entries of special MAC addresses (all-zero, broadcast, multicast),
    // which are never hosts.
    kSpecialMacs,
    // A port (`a`) that hears several switches (`nodes`): a shared segment (a hub, an unmanaged
    // switch that passes the neighbour protocol on). Each is a link of the port; none of them
    // is the one the port's hosts are behind, so they stay on the port.
    kSharedSegment,
  };
  Kind kind = kNameConflict;
  std::string name;
  std::vector<std::uint32_t> nodes;  // as LinkEnd::node, in node order
  std::string protocol;
  LinkEnd a, b;
  std::size_t count = 0;
};

struct Topology {
  std::vector<OutsideSwitch> outside;
  std::vector<Link> links;
  std::vector<HostPlacement> hosts;      // in MAC order, those without one first
  std::vector<HeardHost> heard;          // referred to by HostPlacement::heard
  std::vector<UndecidedHost> undecided;  // in MAC order
  int root = -1;                         // the switch the forwarding tree was rooted at
  std::vector<Note> notes;               // name conflicts, contradicted claims, loops, ...
};

}  // namespace topology
}  // namespace disco
