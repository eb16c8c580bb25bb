// A device's topology extract as JSON and back: what one process found of a device, for the
// process that infers the topology of the whole run.
#include <algorithm>
#include <utility>

#include "engine/map/TopologyCollector.h"

namespace disco {

namespace {

Json PortJson(const topology::Port& p) {
  return Json{{"name", p.name},    {"card", p.card}, {"number", p.number},
              {"stp", p.stpState}, {"up", p.up},     {"fdb", p.fdb}};
}

Json ClaimJson(const topology::NeighbourClaim& c) {
  return Json{{"protocol", c.protocol},
              {"port", c.port},
              {"remote_mac", c.remoteMac},
              {"remote_name", c.remoteName},
              {"remote_address", c.remoteAddress},
              {"remote_card", c.remoteCard},
              {"remote_port", c.remotePort},
              {"remote_port_name", c.remotePortName},
              {"remote_chassis", c.remoteChassis},
              {"station", c.station}};
}

Json LldpJson(const LldpNeighbour& n) {
  return Json{{"local_port_num", n.localPortNum},
              {"local_if_index", n.local.ifIndex},
              {"local_label", n.local.label},
              {"chassis_id_subtype", n.chassisIdSubtype},
              {"chassis_id", n.chassisId},
              {"port_id_subtype", n.portIdSubtype},
              {"port_id", n.portId},
              {"port_description", n.portDescription},
              {"system_name", n.systemName},
              {"system_description", n.systemDescription},
              {"capabilities", n.capabilities},
              {"management_address", n.managementAddress}};
}

}  // namespace

Json TopologyCollector::ExportDevice(std::size_t order) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Devices.size() || !m_Devices[order].added) return nullptr;
  const Extract& e = m_Devices[order];
  Json ports = Json::array(), claims = Json::array(), ids = Json::array(), lldp = Json::array();
  for (const topology::Port& p : e.sw.ports) ports.push_back(PortJson(p));
  for (const topology::NeighbourClaim& c : e.claims) claims.push_back(ClaimJson(c));
  for (const PortIdentity& id : e.portIds) {
    ids.push_back(Json{{"if_index", id.ifIndex}, {"mac", id.mac}, {"descr", id.descr}});
  }
  for (const auto& [port, n] : e.lldp)
    lldp.push_back(Json{{"port", port}, {"neighbour", LldpJson(n)}});
  // The map's order is no order at all: sorted, so that one extract always reads the same.
  std::vector<std::pair<topology::Mac, long>> vlans(e.facts.vlanOf.begin(), e.facts.vlanOf.end());
  std::sort(vlans.begin(), vlans.end());
  Json addresses = Json::array();
  for (const Address& a : m_Addresses) {
    if (a.order != order) continue;
    addresses.push_back(Json::array({a.mac, m_AddressText.substr(a.offset, a.length)}));
  }
  return Json{{"switch",
               {{"name", e.sw.name},
                {"sys_name", e.sw.sysName},
                {"address", e.sw.address},
                {"macs", e.sw.macs},
                {"ips", e.sw.ips},
                {"ports", ports}}},
              {"claims", claims},
              {"port_ids", ids},
              {"chassis", e.chassis},
              {"lldp", lldp},
              {"facts",
               {{"sys_name", e.facts.sysName},
                {"sys_descr", e.facts.sysDescr},
                {"sys_object_id", e.facts.sysObjectId},
                {"bridge_mac", e.facts.bridgeMac},
                {"vlan_of", vlans}}},
              {"addresses", addresses}};
}

bool TopologyCollector::ImportDevice(std::size_t order, const Json& j) {
  if (j.is_null()) return true;
  Extract e;
  std::vector<std::pair<topology::Mac, std::string>> addresses;
  try {
    const Json& sw = j.at("switch");
    e.sw.name = sw.at("name").get<std::string>();
    e.sw.sysName = sw.at("sys_name").get<std::string>();
    e.sw.address = sw.at("address").get<std::string>();
    e.sw.macs = sw.at("macs").get<std::vector<topology::Mac>>();
    e.sw.ips = sw.at("ips").get<std::vector<std::string>>();
    for (const Json& p : sw.at("ports")) {
      topology::Port port;
      port.name = p.at("name").get<std::string>();
      port.card = p.at("card").get<int>();
      port.number = p.at("number").get<int>();
      port.stpState = p.at("stp").get<int>();
      port.up = p.at("up").get<bool>();
      port.fdb = p.at("fdb").get<std::vector<topology::Mac>>();
      e.sw.ports.push_back(std::move(port));
    }
    for (const Json& c : j.at("claims")) {
      topology::NeighbourClaim claim;
      claim.protocol = c.at("protocol").get<std::string>();
      claim.port = c.at("port").get<std::uint32_t>();
      claim.remoteMac = c.at("remote_mac").get<topology::Mac>();
      claim.remoteName = c.at("remote_name").get<std::string>();
      claim.remoteAddress = c.at("remote_address").get<std::string>();
      claim.remoteCard = c.at("remote_card").get<int>();
      claim.remotePort = c.at("remote_port").get<int>();
      claim.remotePortName = c.at("remote_port_name").get<std::string>();
      claim.remoteChassis = c.at("remote_chassis").get<std::string>();
      claim.station = c.at("station").get<bool>();
      e.claims.push_back(std::move(claim));
    }
    for (const Json& id : j.at("port_ids")) {
      e.portIds.push_back({id.at("if_index").get<long>(), id.at("mac").get<topology::Mac>(),
                           id.at("descr").get<std::string>()});
    }
    e.chassis = j.at("chassis").get<std::string>();
    for (const Json& l : j.at("lldp")) {
      const Json& n = l.at("neighbour");
      LldpNeighbour kept;
      kept.localPortNum = n.at("local_port_num").get<long>();
      kept.local.ifIndex = n.at("local_if_index").get<long>();
      kept.local.label = n.at("local_label").get<std::string>();
      kept.chassisIdSubtype = n.at("chassis_id_subtype").get<std::string>();
      kept.chassisId = n.at("chassis_id").get<std::string>();
      kept.portIdSubtype = n.at("port_id_subtype").get<std::string>();
      kept.portId = n.at("port_id").get<std::string>();
      kept.portDescription = n.at("port_description").get<std::string>();
      kept.systemName = n.at("system_name").get<std::string>();
      kept.systemDescription = n.at("system_description").get<std::string>();
      kept.capabilities = n.at("capabilities").get<std::vector<std::string>>();
      kept.managementAddress = n.at("management_address").get<std::string>();
      e.lldp.emplace_back(l.at("port").get<std::uint32_t>(), std::move(kept));
    }
    const Json& f = j.at("facts");
    e.facts.order = order;
    e.facts.sysName = f.at("sys_name").get<std::string>();
    e.facts.sysDescr = f.at("sys_descr").get<std::string>();
    e.facts.sysObjectId = f.at("sys_object_id").get<std::string>();
    e.facts.bridgeMac = f.at("bridge_mac").get<std::string>();
    for (const Json& v : f.at("vlan_of")) {
      e.facts.vlanOf.emplace(v.at(0).get<topology::Mac>(), v.at(1).get<long>());
    }
    for (const Json& a : j.at("addresses")) {
      addresses.emplace_back(a.at(0).get<topology::Mac>(), a.at(1).get<std::string>());
    }
  } catch (const Json::exception&) {
    return false;
  }
  Keep(order, std::move(e), addresses);
  return true;
}

}  // namespace disco
