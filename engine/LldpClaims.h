// LLDP neighbours as the topology's neighbour-protocol claims. An LLDP neighbour names its far
// end by chassis ID and port ID, each of one of several subtypes; this finds the discovered
// switch and port they stand for, so that the inference sees them as it sees EDP's claims.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CollectedData.h"
#include "engine/topology/Network.h"

namespace disco {

// What identifies an interface of a switch to its LLDP neighbours, per topology port.
struct PortIdentity {
  long ifIndex = 0;
  topology::Mac mac = 0;  // 0 when it has none
  std::string descr;      // ifDescr
};

// A discovered switch as LLDP neighbours may name it.
struct LldpPeer {
  const topology::Switch* sw = nullptr;
  std::string sysName;
  const std::vector<PortIdentity>* ports = nullptr;  // parallel to sw->ports
};

// The claim that `neighbour`, heard on port `port` of the switch `sw`, makes. The far switch is
// the peer whose bridge or interface MAC is the chassis ID (macAddress), whose addresses hold
// it (networkAddress), whose sysName it is (the other subtypes), else whose addresses hold the
// management address. Its port is found by the port ID: local is the ifIndex, interfaceName and
// interfaceAlias the port's card:port or ifDescr, macAddress the one port with that MAC. The
// claim names a matched switch by its address and port by card:port; an unmatched one keeps the
// chassis ID (MAC, else "subtype text"), system name and management address, and its port when
// the port ID reads as card:port.
topology::NeighbourClaim LldpClaim(std::uint32_t sw, std::uint32_t port,
                                   const LldpNeighbour& neighbour,
                                   const std::vector<LldpPeer>& peers);

}  // namespace disco
