#include "engine/inventory/InventoryCollector.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "engine/collect/InterfaceFields.h"
#include "host/CDiscoProcessedData.h"

namespace disco {

namespace {

// The store files MAC addresses in lower case.
std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

void InventoryCollector::AddDevice(std::size_t order, const DeviceRun& d) {
  Extract e;
  e.added = true;
  e.device.name = d.entry.name;
  e.device.address = d.entry.address;
  e.device.sysName = d.system.name;
  e.device.sysObjectId = d.system.objectId;
  e.device.bridgeMac = Lower(d.system.bridgeMac);
  e.device.answered = d.Status() != DeviceStatus::kNotAnswering;
  // An interface is known by its label; should two records give the same one, the first is
  // kept, as the results' lookups by ifIndex do.
  std::set<std::string> labels;
  std::set<long long> agentIfIndexes;
  if (d.proc) {
    for (const CTolVBList* local : d.proc->DPDLocalNbrs()) {
      InterfaceFields f = ReadInterface(*local);
      if (!labels.insert(f.label).second) continue;
      agentIfIndexes.insert(f.ifIndex);
      e.interfaces.push_back({d.entry.name, std::move(f.label), f.ifIndex, std::move(f.descr),
                              std::move(f.status), std::move(f.stp), std::move(f.vlans)});
    }
  }
  // Then those the engine read that the agent did not hand over: all of a device the agent
  // declined, and the interfaces its numbering left out.
  for (const EngineInterface& i : d.collected.interfaces) {
    if (agentIfIndexes.count(i.ifIndex) > 0 || !labels.insert(i.label).second) continue;
    e.interfaces.push_back({d.entry.name, i.label, i.ifIndex, i.descr,
                            i.operStatus != 0 ? IfOperStatusName(i.operStatus) : "", "", ""});
  }
  for (const LldpNeighbour& n : d.collected.lldp) {
    e.neighbours.push_back(
        {d.entry.name, n.local.label, n.chassisId, n.portId, n.systemName, n.managementAddress});
  }
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order < m_Devices.size()) m_Devices[order] = std::move(e);
}

store::RunSnapshot InventoryCollector::TakeSnapshot(const TopologyView& view,
                                                    const store::RunFacts& run) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  store::RunSnapshot s;
  s.run = run;
  for (Extract& e : m_Devices) {
    if (!e.added) continue;
    s.devices.push_back(e.device);
    std::move(e.interfaces.begin(), e.interfaces.end(), std::back_inserter(s.interfaces));
    std::move(e.neighbours.begin(), e.neighbours.end(), std::back_inserter(s.neighbours));
    e.interfaces.clear();
    e.neighbours.clear();
  }
  for (const topology::Link& l : view.topology.links) {
    s.links.push_back({view.NodeName(l.a.node), view.PortName(l.a), view.NodeName(l.b.node),
                       view.PortName(l.b), TopologyView::EvidenceText(l),
                       l.Blocked() ? "blocked" : "forwarding"});
  }
  s.hosts.reserve(view.topology.hosts.size());
  for (const topology::HostPlacement& h : view.topology.hosts) {
    if (h.mac == 0) continue;  // heard without a MAC address: kept as the device's neighbour
    store::HostFact host;
    host.mac = Lower(topology::MacText(h.mac));
    host.ip = view.HostAddress(h);
    host.device = view.network.switches[h.at.sw].name;
    host.port = view.PortName(h.at);
    host.evidence =
        h.heard >= 0 ? view.topology.heard[static_cast<std::size_t>(h.heard)].protocol : "fdb";
    host.vlan = static_cast<int>(view.HostVlan(h));
    s.hosts.push_back(std::move(host));
  }
  for (Extract& e : m_Devices) e = Extract();
  return s;
}

}  // namespace disco
