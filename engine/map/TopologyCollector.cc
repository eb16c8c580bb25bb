#include "engine/map/TopologyCollector.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "engine/base/JsonText.h"
#include "engine/collect/TableColumns.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolRecord.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

using topology::Mac;

bool MacField(const CTolVBList& fields, const char* name, Mac* mac) {
  return topology::ParseMac(FieldText(fields, name, ""), mac);
}

}  // namespace

void TopologyCollector::AddDevice(std::size_t order, const DeviceRun& d) {
  // Bridges the agent took are switches of the topology, and bridges the agent declined whose
  // forwarding table the engine read: any other device (a server or a router answering SNMP)
  // has no forwarding table to place anything on.
  bool engineBridge = d.collected.fdbRead && !d.collected.vlanFdb.empty();
  if (!d.proc || (!d.passedFilter && !engineBridge)) return;
  Extract e;
  e.facts.order = order;
  e.facts.sysName = d.system.name;
  e.facts.sysDescr = d.system.descr;
  e.facts.sysObjectId = d.system.objectId;
  e.facts.bridgeMac = d.system.bridgeMac;
  e.sw.name = d.entry.name;
  e.sw.sysName = d.system.name;
  if (!d.collected.localChassisId.empty()) {
    e.chassis = d.collected.localChassisIdSubtype + " " + d.collected.localChassisId;
  }
  e.sw.address = d.entry.address;
  e.sw.ips.push_back(d.entry.address);
  Mac mac = 0;
  if (topology::ParseMac(d.system.bridgeMac, &mac)) e.sw.macs.push_back(mac);
  // A switch without a bridge address may still give its chassis MAC to LLDP.
  if (d.collected.localChassisIdSubtype == "macAddress" &&
      topology::ParseMac(d.collected.localChassisId, &mac)) {
    e.sw.macs.push_back(mac);
  }

  // The engine's view of each interface: its type says whether it is a port at all, its label
  // is the one the results give it.
  std::map<long long, const EngineInterface*> engineOf;
  for (const EngineInterface& i : d.collected.interfaces) engineOf.emplace(i.ifIndex, &i);
  std::vector<const CTolVBList*> locals = d.proc->DPDLocalNbrs();
  std::vector<int> portOf(locals.size(), -1);
  std::vector<long long> ifIndexOf(locals.size(), -1);
  for (std::size_t l = 0; l < locals.size(); ++l) {
    const CTolVBList& f = *locals[l];
    if (MacField(f, "m_LocalNbrPhysAddr", &mac)) e.sw.macs.push_back(mac);
    std::string ip = FieldText(f, "m_IpAddress", "");
    if (!ip.empty()) e.sw.ips.push_back(ip);
    FieldInteger(f, "m_IfIndex", &ifIndexOf[l]);
    long long card = 0, port = 0, value = 0;
    if (!FieldInteger(f, "m_LocalNbrCard", &card) || !FieldInteger(f, "m_LocalNbrPort", &port)) {
      continue;  // a VLAN, encapsulation or loopback interface: identity only
    }
    auto engine = engineOf.find(ifIndexOf[l]);
    if (engine != engineOf.end() && engine->second->isVirtual) continue;  // identity only
    topology::Port p;
    p.card = static_cast<int>(card);
    p.number = static_cast<int>(port);
    p.name = std::to_string(card) + ":" + std::to_string(port);
    if (engine != engineOf.end()) p.name = engine->second->label;
    if (FieldInteger(f, "m_StpPortState", &value)) p.stpState = static_cast<int>(value);
    p.up = !FieldInteger(f, "m_LocalNbrStatus", &value) || value == 1;
    portOf[l] = static_cast<int>(e.sw.ports.size());
    e.sw.ports.push_back(std::move(p));
    PortIdentity id;
    id.ifIndex = IfIndexOf(ifIndexOf[l]);  // as the collectors read it, past 2^31 too
    MacField(f, "m_LocalNbrPhysAddr", &id.mac);
    id.descr = FieldText(f, "m_IfDescr", "");
    e.portIds.push_back(std::move(id));
  }
  AddEnginePorts(d.collected, ifIndexOf, &e);
  std::map<long, std::uint32_t> portOfIfIndex;  // the first interface of an ifIndex stays
  for (std::size_t p = 0; p < e.portIds.size(); ++p) {
    portOfIfIndex.emplace(e.portIds[p].ifIndex, static_cast<std::uint32_t>(p));
  }

  std::map<std::pair<long long, std::string>, std::string> edpNames;
  for (const EdpNeighbourName& n : d.system.edpNames) edpNames[{n.ifIndex, n.mac}] = n.name;
  std::vector<std::pair<Mac, std::string>> addresses;
  CTolRecord remote;
  for (std::size_t i = 0; i < d.proc->DPDRemoteCount(); ++i) {
    int l = d.proc->DPDRemoteLocalIndex(i);
    if (l < 0 || static_cast<std::size_t>(l) >= locals.size() || portOf[l] < 0) continue;
    d.proc->DPDRemoteFields(i, &remote);
    const CTolVBList& f = remote.RRValues();
    if (!MacField(f, "m_RemoteNbrPhysAddr", &mac)) continue;
    std::string ip = FieldText(f, "m_RemoteNbrIpAddr", "");
    long long card = 0, port = 0;
    if (FieldInteger(f, "m_Card", &card) && FieldInteger(f, "m_Port", &port)) {
      topology::NeighbourClaim c;
      c.protocol = "edp";
      c.port = static_cast<std::uint32_t>(portOf[l]);
      c.remoteMac = mac;
      c.remoteAddress = ip;
      c.remoteCard = static_cast<int>(card);
      c.remotePort = static_cast<int>(port);
      auto name = edpNames.find({ifIndexOf[l], topology::MacText(mac)});
      if (name != edpNames.end()) c.remoteName = name->second;
      e.claims.push_back(std::move(c));
      continue;
    }
    e.sw.ports[static_cast<std::size_t>(portOf[l])].fdb.push_back(mac);
    if (!ip.empty()) addresses.emplace_back(mac, ip);
  }
  // The engine's own collectors: LLDP neighbours wait for every switch to be known; learned
  // VLAN-aware forwarding entries count as the agent's do.
  for (const LldpNeighbour& n : d.collected.lldp) {
    auto p = portOfIfIndex.find(n.local.ifIndex);
    if (n.local.ifIndex == 0 || p == portOfIfIndex.end()) continue;
    LldpNeighbour kept;
    kept.chassisIdSubtype = n.chassisIdSubtype;
    kept.chassisId = n.chassisId;
    kept.portIdSubtype = n.portIdSubtype;
    kept.portId = n.portId;
    kept.systemName = n.systemName;
    kept.managementAddress = n.managementAddress;
    kept.capabilities = n.capabilities;
    e.lldp.emplace_back(p->second, std::move(kept));
  }
  for (const VlanFdbEntry& entry : d.collected.vlanFdb) {
    if (!topology::ParseMac(entry.mac, &mac)) continue;
    // The VLAN names a host placed here from either forwarding table.
    if (entry.vlanId > 0) e.facts.vlanOf.emplace(mac, entry.vlanId);
    auto p = portOfIfIndex.find(entry.local.ifIndex);
    if (entry.status != 3 || entry.local.ifIndex == 0 || p == portOfIfIndex.end()) continue;
    e.sw.ports[p->second].fdb.push_back(mac);
    if (!entry.ip.empty()) addresses.emplace_back(mac, entry.ip);
  }
  for (topology::Port& p : e.sw.ports) p.fdb.shrink_to_fit();
  Keep(order, std::move(e), addresses);
}

void TopologyCollector::AddEnginePorts(const DeviceCollections& c,
                                       const std::vector<long long>& agentIfIndexes, Extract* e) {
  std::set<long long> agents(agentIfIndexes.begin(), agentIfIndexes.end());
  for (const EngineInterface& i : c.interfaces) {
    if (agents.count(i.ifIndex) > 0) continue;  // the agent's record of it is in already
    Mac mac = 0;
    if (topology::ParseMac(i.mac, &mac)) e->sw.macs.push_back(mac);
    if (i.isVirtual) continue;
    topology::Port p;
    p.name = i.label;
    int card = 0, number = 0;
    char rest = 0;
    if (std::sscanf(i.label.c_str(), "%d:%d%c", &card, &number, &rest) == 2) {
      p.card = card;
      p.number = number;
    }
    p.up = i.operStatus == 0 || i.operStatus == 1;
    e->sw.ports.push_back(std::move(p));
    PortIdentity id;
    id.ifIndex = i.ifIndex;
    id.mac = mac;
    id.descr = i.descr;
    e->portIds.push_back(std::move(id));
  }
  for (const DeviceAddress& a : c.addresses) {
    if (std::find(e->sw.ips.begin(), e->sw.ips.end(), a.ip) == e->sw.ips.end()) {
      e->sw.ips.push_back(a.ip);
    }
  }
}

void TopologyCollector::Keep(std::size_t order, Extract e,
                             const std::vector<std::pair<Mac, std::string>>& addresses) {
  e.added = true;
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Devices.size()) m_Devices.resize(order + 1);
  m_Devices[order] = std::move(e);
  for (const auto& [mac, text] : addresses) {
    if (m_AddressText.size() + text.size() > UINT32_MAX) return;  // beyond 4 GiB of addresses
    m_Addresses.push_back({mac, static_cast<std::uint32_t>(order),
                           static_cast<std::uint32_t>(m_AddressText.size()),
                           static_cast<std::uint32_t>(text.size())});
    m_AddressText.append(text);
  }
}

int TopologyCollector::PortIndex(const Extract& e, int card, int port) const {
  for (std::size_t p = 0; p < e.sw.ports.size(); ++p) {
    if (e.sw.ports[p].card == card && e.sw.ports[p].number == port) return static_cast<int>(p);
  }
  return -1;
}

bool TopologyCollector::AddClaim(std::size_t order, int card, int port,
                                 topology::NeighbourClaim claim) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Devices.size() || !m_Devices[order].added) return false;
  int p = PortIndex(m_Devices[order], card, port);
  if (p < 0) return false;
  claim.port = static_cast<std::uint32_t>(p);
  m_Devices[order].claims.push_back(std::move(claim));
  return true;
}

bool TopologyCollector::AddForwardingEntry(std::size_t order, int card, int port, Mac mac) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Devices.size() || !m_Devices[order].added) return false;
  int p = PortIndex(m_Devices[order], card, port);
  if (p < 0) return false;
  m_Devices[order].sw.ports[static_cast<std::size_t>(p)].fdb.push_back(mac);
  return true;
}

topology::Network TopologyCollector::TakeNetwork(std::vector<SwitchFacts>* facts) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  topology::Network net;
  facts->clear();
  {
    LldpPeers peers;  // refers to the extracts: gone before they are moved
    for (const Extract& e : m_Devices) {
      if (e.added) peers.Add(e.sw, e.chassis, e.portIds);
    }
    std::uint32_t sw = 0;
    for (Extract& e : m_Devices) {
      if (!e.added) continue;
      for (const auto& [port, n] : e.lldp) e.claims.push_back(peers.Claim(sw, port, n));
      std::vector<std::pair<std::uint32_t, LldpNeighbour>>().swap(e.lldp);
      ++sw;
    }
  }
  for (Extract& e : m_Devices) {
    if (!e.added) continue;
    auto sw = static_cast<std::uint32_t>(net.switches.size());
    for (topology::NeighbourClaim& c : e.claims) {
      c.sw = sw;
      net.claims.push_back(std::move(c));
    }
    net.switches.push_back(std::move(e.sw));
    facts->push_back(std::move(e.facts));
  }
  std::vector<Extract>().swap(m_Devices);
  // Devices finish in any order: sorting by device keeps the answer the same from run to run.
  std::stable_sort(m_Addresses.begin(), m_Addresses.end(), [](const Address& a, const Address& b) {
    return a.mac != b.mac ? a.mac < b.mac : a.order < b.order;
  });
  auto sameMac = [](const Address& a, const Address& b) { return a.mac == b.mac; };
  m_Addresses.erase(std::unique(m_Addresses.begin(), m_Addresses.end(), sameMac),
                    m_Addresses.end());
  m_Addresses.shrink_to_fit();
  return net;
}

std::string TopologyCollector::AddressOf(Mac mac) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = std::lower_bound(m_Addresses.begin(), m_Addresses.end(), mac,
                             [](const Address& a, Mac m) { return a.mac < m; });
  if (it == m_Addresses.end() || it->mac != mac) return "";
  return m_AddressText.substr(it->offset, it->length);
}

}  // namespace disco
