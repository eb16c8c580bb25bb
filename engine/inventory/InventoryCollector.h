// The run as the inventory store keeps it (engine/store/Inventory.h), gathered device by device:
// as soon as a device is through, its identity, status, interfaces, LLDP neighbours and the VLAN
// of each address its VLAN-aware forwarding table holds are kept, and the device's own data can
// go. At the end the links and the hosts on their edge ports come from the inferred topology.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/base/JsonText.h"
#include "engine/map/TopologyView.h"
#include "engine/run/DeviceRun.h"
#include "engine/store/Inventory.h"

namespace disco {

class InventoryCollector {
 public:
  explicit InventoryCollector(std::size_t devices) : m_Devices(devices) {}

  // Keeps what the store needs of device `order`, which is through all its steps; its processed
  // data is only read during the call. Thread-safe: engine threads call it.
  void AddDevice(std::size_t order, const DeviceRun& device);

  // What the store will keep of device `order` as JSON that ImportDevice takes back unchanged;
  // null when the device was not added. Thread-safe.
  Json ExportDevice(std::size_t order);
  // Keeps device `order` as ExportDevice gave it. False, adding nothing, when `extract` is not
  // such a document. Thread-safe.
  bool ImportDevice(std::size_t order, const Json& extract);

  // The snapshot of the run: the devices added, in plan order, with their interfaces and LLDP
  // neighbours; the links and placed hosts of `view`, which was built from the same devices.
  // Moves the extracts out: call once, after every device is added.
  store::RunSnapshot TakeSnapshot(const TopologyView& view, const store::RunFacts& run);

 private:
  struct Extract {
    bool added = false;
    store::DeviceFact device;
    std::vector<store::InterfaceFact> interfaces;
    std::vector<store::NeighbourFact> neighbours;
  };

  std::mutex m_Mutex;  // guards m_Devices
  std::vector<Extract> m_Devices;
};

}  // namespace disco
