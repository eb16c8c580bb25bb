// The topology's input, gathered device by device: as soon as a device is through, a compact
// extract of what it found (its identity, its ports with their spanning-tree state and the MAC
// addresses behind them from the agent's and the engine's VLAN-aware forwarding entries, its EDP
// claims and LLDP neighbours) is kept, and the device's own data can go. At the end of the run
// the extracts become the inference's plain input model (engine/topology/Network.h); LLDP
// neighbours become claims then, when every switch they may name is known (LldpClaims.h).
//
// A claim found elsewhere goes in through AddClaim with its protocol name, extra forwarding
// entries through AddForwardingEntry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/base/JsonText.h"
#include "engine/map/LldpClaims.h"
#include "engine/run/DeviceRun.h"
#include "engine/topology/Network.h"

namespace disco {

// What the topology shows of a discovered switch beside the inference's input.
struct SwitchFacts {
  std::size_t order = 0;  // in the plan
  std::string sysName, sysDescr, sysObjectId, bridgeMac;
  // The 802.1Q VLAN of each MAC address the switch's VLAN-aware forwarding table learned.
  std::unordered_map<topology::Mac, long> vlanOf;
};

class TopologyCollector {
 public:
  explicit TopologyCollector(std::size_t devices) : m_Devices(devices) {}

  // Keeps the extract of device `order`, which is through all its steps; its processed data is
  // only read during the call. A device without processed data (not through the filter) is not
  // a switch of the topology. Thread-safe: engine threads call it.
  void AddDevice(std::size_t order, const DeviceRun& device);
  // A neighbour-protocol claim heard on card:port of device `order` (its `sw` and `port` are
  // set here). False when the device or the port is unknown. Thread-safe.
  bool AddClaim(std::size_t order, int card, int port, topology::NeighbourClaim claim);
  // An address learned on card:port of device `order`. False when unknown. Thread-safe.
  bool AddForwardingEntry(std::size_t order, int card, int port, topology::Mac mac);

  // The extract of device `order` and the host addresses it gave, as JSON that ImportDevice
  // takes back unchanged (so that another process infers the topology); null when the device
  // was not added or is not a switch of the topology. Thread-safe.
  Json ExportDevice(std::size_t order) const;
  // Keeps device `order` as ExportDevice gave it (a null `extract` adds nothing). False, adding
  // nothing, when `extract` is not such a document. Thread-safe.
  bool ImportDevice(std::size_t order, const Json& extract);

  // The network of the devices added, in plan order; `facts` receives their facts in the same
  // order. Moves the extracts out: call once, after every device is added.
  topology::Network TakeNetwork(std::vector<SwitchFacts>* facts);
  // The IPv4 address the ARP data gave a MAC address, "" for none: of the devices that gave it
  // one, the first in plan order (and its first). Answers only after TakeNetwork.
  std::string AddressOf(topology::Mac mac) const;

 private:
  struct Extract {
    bool added = false;
    topology::Switch sw;
    std::vector<topology::NeighbourClaim> claims;
    std::vector<PortIdentity> portIds;  // parallel to sw.ports
    std::string chassis;                // its own LLDP chassis ID, "subtype text"; "" when unknown
    std::vector<std::pair<std::uint32_t, LldpNeighbour>> lldp;  // heard on port .first
    SwitchFacts facts;
  };
  // A host's address as a device gave it: the text at m_AddressText[offset, offset + length).
  // Kept flat, not as a map of strings, since a core switch's table gives a million of them.
  struct Address {
    topology::Mac mac;
    std::uint32_t order;  // of the device in the plan
    std::uint32_t offset, length;
  };
  int PortIndex(const Extract& e, int card, int port) const;
  // Adds to `e` the ports among the engine's interfaces of `c` that the agent did not hand over
  // (its records have `agentIfIndexes`), virtual interfaces left out, and their MAC addresses
  // and the device's IPv4 addresses to its identity.
  static void AddEnginePorts(const DeviceCollections& c,
                             const std::vector<long long>& agentIfIndexes, Extract* e);
  // Keeps `e`, marked added, as device `order` (growing the list as needed) with the host
  // addresses it gave. Takes m_Mutex.
  void Keep(std::size_t order, Extract e,
            const std::vector<std::pair<topology::Mac, std::string>>& addresses);

  mutable std::mutex m_Mutex;  // guards everything below
  std::vector<Extract> m_Devices;
  std::vector<Address> m_Addresses;  // by MAC, one per MAC after TakeNetwork
  std::string m_AddressText;
};

}  // namespace disco
