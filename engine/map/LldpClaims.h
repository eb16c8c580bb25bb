// LLDP neighbours as the topology's neighbour-protocol claims. An LLDP neighbour names its far
// end by chassis ID and port ID, each of one of several subtypes; this finds the discovered
// switch and port they stand for, so that the inference sees them as it sees EDP's claims.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/collect/CollectedData.h"
#include "engine/topology/Network.h"

namespace disco {

// What identifies an interface of a switch to its LLDP neighbours, per topology port.
struct PortIdentity {
  long ifIndex = 0;
  topology::Mac mac = 0;  // 0 when it has none
  std::string descr;      // ifDescr
};

// The discovered switches as LLDP neighbours may name them, indexed for the lookups.
class LldpPeers {
 public:
  // Adds the next discovered switch (its index is the number added before it), with its own
  // LLDP chassis ID as "subtype text" ("local SW-0042"; "" when unknown). `sw` and `ports`
  // (parallel to sw.ports) are only referred to: they must outlive the use of this object. A MAC
  // address, address or chassis ID two switches share stands for the first.
  void Add(const topology::Switch& sw, const std::string& chassis,
           const std::vector<PortIdentity>& ports);

  // The claim that `neighbour`, heard on port `port` of the switch `sw`, makes. The far switch
  // is the one whose bridge or interface MAC is the chassis ID (macAddress), whose addresses
  // hold it (networkAddress), whose own chassis ID it is (the other subtypes), else whose
  // addresses hold the management address; never the one that merely has the same name. Its port is
  // found by the port ID: local is the ifIndex, interfaceName and interfaceAlias the port's
  // card:port or ifDescr, macAddress the one port with that MAC. The claim names a matched switch
  // by its MAC and address and its port by card:port; an unmatched one keeps the chassis ID (MAC,
  // else "subtype text"), system name and management address, and its port when the port ID reads
  // as card:port. An unmatched neighbour whose enabled capabilities are only telephone and/or
  // station is an end station (`station`), whose MAC address is the chassis ID's, else the port
  // ID's when that is a MAC address.
  topology::NeighbourClaim Claim(std::uint32_t sw, std::uint32_t port,
                                 const LldpNeighbour& neighbour) const;

 private:
  struct Peer {
    const topology::Switch* sw;
    const std::vector<PortIdentity>* ports;
  };
  int Find(const LldpNeighbour& neighbour) const;

  std::vector<Peer> m_Peers;
  std::unordered_map<topology::Mac, std::uint32_t> m_ByMac;
  std::unordered_map<std::string, std::uint32_t> m_ByAddress, m_ByChassis;
};

}  // namespace disco
