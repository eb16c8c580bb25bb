// A device's part of the inventory as JSON and back, for the process that keeps a run several
// processes discovered.
#include "engine/inventory/InventoryCollector.h"

namespace disco {

Json InventoryCollector::ExportDevice(std::size_t order) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Devices.size() || !m_Devices[order].added) return nullptr;
  const Extract& e = m_Devices[order];
  Json interfaces = Json::array(), neighbours = Json::array();
  for (const store::InterfaceFact& i : e.interfaces) {
    interfaces.push_back(
        Json::array({i.device, i.port, i.ifIndex, i.description, i.status, i.stp, i.vlans}));
  }
  for (const store::NeighbourFact& n : e.neighbours) {
    neighbours.push_back(
        Json::array({n.device, n.port, n.chassisId, n.portId, n.sysName, n.address}));
  }
  const store::DeviceFact& d = e.device;
  return Json{{"device",
               Json::array({d.name, d.address, d.sysName, d.sysObjectId, d.bridgeMac, d.answered})},
              {"interfaces", interfaces},
              {"neighbours", neighbours}};
}

bool InventoryCollector::ImportDevice(std::size_t order, const Json& j) {
  Extract e;
  try {
    const Json& d = j.at("device");
    e.device = {d.at(0).get<std::string>(), d.at(1).get<std::string>(), d.at(2).get<std::string>(),
                d.at(3).get<std::string>(), d.at(4).get<std::string>(), d.at(5).get<bool>()};
    for (const Json& i : j.at("interfaces")) {
      e.interfaces.push_back({i.at(0).get<std::string>(), i.at(1).get<std::string>(),
                              i.at(2).get<long long>(), i.at(3).get<std::string>(),
                              i.at(4).get<std::string>(), i.at(5).get<std::string>(),
                              i.at(6).get<std::string>()});
    }
    for (const Json& n : j.at("neighbours")) {
      e.neighbours.push_back({n.at(0).get<std::string>(), n.at(1).get<std::string>(),
                              n.at(2).get<std::string>(), n.at(3).get<std::string>(),
                              n.at(4).get<std::string>(), n.at(5).get<std::string>()});
    }
  } catch (const Json::exception&) {
    return false;
  }
  e.added = true;
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Devices.size()) m_Devices.resize(order + 1);
  m_Devices[order] = std::move(e);
  return true;
}

}  // namespace disco
