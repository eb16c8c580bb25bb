#include "engine/report/CollectedJson.h"

#include "engine/base/JsonText.h"

namespace disco {

namespace {

// The local side: the label and ifIndex, or nulls when no interface matched.
void AddLocal(Json* object, const LocalPort& local) {
  (*object)["port"] = local.label.empty() ? Json() : Json(local.label);
  (*object)["if_index"] = local.ifIndex != 0 ? Json(local.ifIndex) : Json();
}

Json Neighbour(const LldpNeighbour& n) {
  Json o{{"local_port_num", n.localPortNum}};
  AddLocal(&o, n.local);
  o["chassis_id_subtype"] = n.chassisIdSubtype;
  o["chassis_id"] = n.chassisId;
  o["port_id_subtype"] = n.portIdSubtype;
  o["port_id"] = n.portId;
  o["port_description"] = n.portDescription;
  o["system_name"] = n.systemName;
  o["system_description"] = n.systemDescription;
  o["capabilities"] = n.capabilities;
  o["management_address"] = n.managementAddress;
  return o;
}

Json PortVlansItem(const PortVlans& p) {
  Json o{{"bridge_port", p.bridgePort}};
  AddLocal(&o, p.local);
  Json more = PortVlansJson(p);
  for (auto& [key, value] : more.items()) o[key] = value;
  return o;
}

Json Interface(const EngineInterface& i) {
  Json o{{"if_index", i.ifIndex},
         {"port", i.label},
         {"if_type", i.ifType},
         {"virtual", i.isVirtual},
         {"if_name", i.name},
         {"if_descr", i.descr},
         {"mac", i.mac.empty() ? Json() : Json(i.mac)},
         {"oper_status", i.operStatus}};
  return o;
}

Json Address(const DeviceAddress& a) {
  Json o{{"ip", a.ip}, {"mask", a.mask.empty() ? Json() : Json(a.mask)}, {"if_index", a.ifIndex}};
  o["port"] = a.label.empty() ? Json() : Json(a.label);
  return o;
}

Json FdbEntry(const VlanFdbEntry& e) {
  Json o{{"mac", e.mac}, {"vlan_id", e.vlanId}, {"vlan_name", e.vlanName}};
  AddLocal(&o, e.local);
  o["ip"] = e.ip.empty() ? Json() : Json(e.ip);
  o["status"] = e.status == 5 ? "mgmt" : "learned";
  return o;
}

template <typename T, typename Render>
void AppendList(std::string* out, const char* key, const std::vector<T>& items, int depth,
                Render render, const std::function<void()>& drain) {
  out->append(",\n");
  AppendIndent(out, depth);
  AppendJsonString(out, key);
  out->append(": ");
  if (items.empty()) {
    out->append("[]");
    return;
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    out->append(i == 0 ? "[\n" : ",\n");
    AppendIndent(out, depth + 1);
    AppendJson(out, render(items[i]), depth + 1);
    if (drain) drain();
  }
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back(']');
}

void AppendMember(std::string* out, const char* key, const Json& value, int depth) {
  out->append(",\n");
  AppendIndent(out, depth);
  AppendJsonString(out, key);
  out->append(": ");
  AppendJson(out, value, depth);
}

}  // namespace

Json VlanJson(const VlanRef& vlan) { return Json{{"id", vlan.id}, {"name", vlan.name}}; }

Json PortVlansJson(const PortVlans& p) {
  Json untagged = Json::array(), tagged = Json::array();
  for (const VlanRef& v : p.untagged) untagged.push_back(VlanJson(v));
  for (const VlanRef& v : p.tagged) tagged.push_back(VlanJson(v));
  return Json{{"native_vlan", p.native.id != 0 ? VlanJson(p.native) : Json()},
              {"untagged", untagged},
              {"tagged", tagged}};
}

void AppendCollections(std::string* out, const DeviceCollections& c, int depth,
                       const std::function<void()>& drain) {
  if (!c.localChassisIdSubtype.empty()) {
    AppendMember(
        out, "lldp_local_chassis",
        Json{{"chassis_id_subtype", c.localChassisIdSubtype}, {"chassis_id", c.localChassisId}},
        depth);
  }
  AppendList(out, "lldp_neighbours", c.lldp, depth, Neighbour, {});
  if (c.fdbRead) {
    AppendMember(out, "vlan_fdb_source", c.fdbSource, depth);
    AppendList(out, "vlan_fdb", c.vlanFdb, depth, FdbEntry, drain);
    AppendMember(out, "vlan_fdb_without_port", c.fdbWithoutPort, depth);
  }
  if (!c.portVlans.empty()) AppendList(out, "port_vlans", c.portVlans, depth, PortVlansItem, {});
  if (!c.problems.empty()) AppendMember(out, "collector_problems", c.problems, depth);
  if (c.interfacesRead) {
    AppendList(out, "interfaces", c.interfaces, depth, Interface, drain);
    AppendList(out, "ip_addresses", c.addresses, depth, Address, drain);
  }
}

Json CollectedBy(bool agentTookIt, const DeviceCollections& c) {
  Json by = Json::array();
  if (agentTookIt) by.push_back("agent");
  if (c.interfacesRead) by.push_back("engine");
  return by;
}

}  // namespace disco
