// The engine's VLAN knowledge of one device, looked up by what the agent hands over: the VLAN of
// a MAC address seen on an interface (the VLAN-aware forwarding entries) and the VLANs of an
// interface (the port VLANs of a standard bridge).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/collect/CollectedData.h"

namespace disco {

class VlanLookup {
 public:
  // Borrowed: `collected` must outlive the lookup and stay unchanged.
  explicit VlanLookup(const DeviceCollections& collected);

  // The VLAN of `mac` (any form NormalizeMac takes): that of its first forwarding entry on
  // `ifIndex` that names a VLAN, else of its first such entry on the device. False when no entry
  // of the MAC names a VLAN (or `mac` is no MAC address).
  bool VlanOf(const std::string& mac, long ifIndex, VlanRef* vlan) const;
  // The port VLANs of the interface `ifIndex`; nullptr when the switch gave none.
  const PortVlans* PortOf(long ifIndex) const;

 private:
  struct Key {
    std::uint64_t mac;
    long ifIndex;
    std::uint32_t entry;  // position in vlanFdb
    bool operator<(const Key& o) const {
      return mac != o.mac           ? mac < o.mac
             : ifIndex != o.ifIndex ? ifIndex < o.ifIndex
                                    : entry < o.entry;
    }
  };
  const DeviceCollections& m_Collected;
  std::vector<Key> m_Keys;              // entries with a VLAN id, sorted
  std::map<long, std::size_t> m_Ports;  // ifIndex -> position in portVlans (the first)
};

}  // namespace disco
