#include "engine/store/StoreJson.h"

#include "engine/store/Addresses.h"

namespace disco {
namespace store {

namespace {

StoreJsonValue Time(std::int64_t seconds) {
  return seconds != 0 ? StoreJsonValue(FormatUtc(seconds)) : StoreJsonValue(nullptr);
}

StoreJsonValue PlacementJson(const Placement& p) {
  StoreJsonValue j = {{"mac", p.mac},
                      {"ip", p.ip},
                      {"vlan", p.vlan},
                      {"switch", p.device},
                      {"port", p.port},
                      {"first_seen", Time(p.firstSeen)},
                      {"last_seen", Time(p.lastSeen)},
                      {"current", p.current},
                      {"vendor", p.vendor},
                      {"evidence", p.evidence}};
  if (!p.name.empty()) j["name"] = p.name;
  return j;
}

StoreJsonValue LinkJson(const LinkRow& l) {
  return {{"a", {{"switch", l.deviceA}, {"port", l.portA}}},
          {"b", {{"switch", l.deviceB}, {"port", l.portB}}},
          {"evidence", l.evidence},
          {"stp", l.stp},
          {"first_seen", Time(l.firstSeen)},
          {"last_seen", Time(l.lastSeen)}};
}

template <typename T, typename F>
StoreJsonValue List(const std::vector<T>& items, F each) {
  StoreJsonValue list = StoreJsonValue::array();
  for (const T& item : items) list.push_back(each(item));
  return list;
}

StoreJsonValue DeviceRowJson(const DeviceRow& d) {
  return {{"name", d.name},
          {"address", d.address},
          {"sys_name", d.sysName},
          {"sys_object_id", d.sysObjectId},
          {"bridge_mac", d.bridgeMac},
          {"in_scope", d.inScope},
          {"answered", d.answered}};
}

}  // namespace

StoreJsonValue DevicesJson(const std::vector<DeviceRow>& devices) {
  return {{"devices", List(devices, DeviceRowJson)}};
}

StoreJsonValue LinksJson(const std::vector<LinkRow>& links) {
  return {{"links", List(links, LinkJson)}};
}

StoreJsonValue DeviceJson(const DeviceView& v) {
  return {{"device", DeviceRowJson(v.device)},
          {"interfaces",
           List(v.interfaces,
                [](const InterfaceRow& i) -> StoreJsonValue {
                  return {
                      {"port", i.port},     {"if_index", i.ifIndex}, {"description", i.description},
                      {"status", i.status}, {"stp", i.stp},          {"vlans", i.vlans}};
                })},
          {"links", List(v.links, LinkJson)},
          {"neighbours", List(v.neighbours,
                              [](const NeighbourRow& n) -> StoreJsonValue {
                                return {{"port", n.port},
                                        {"chassis_id", n.chassisId},
                                        {"remote_port", n.remotePort},
                                        {"sys_name", n.sysName},
                                        {"address", n.address},
                                        {"first_seen", Time(n.firstSeen)},
                                        {"last_seen", Time(n.lastSeen)}};
                              })},
          {"hosts", List(v.hosts, PlacementJson)}};
}

StoreJsonValue RunsJson(const std::vector<RunRow>& runs) {
  return {{"runs", List(runs, [](const RunRow& r) -> StoreJsonValue {
             return {{"id", r.id},
                     {"started", Time(r.started)},
                     {"ended", Time(r.ended)},
                     {"scope", r.scope},
                     {"version", r.version},
                     {"devices_asked", r.devicesAsked},
                     {"devices_found", r.devicesFound}};
           })}};
}

StoreJsonValue FindJson(const FindResult& result) {
  StoreJsonValue j = {{"query", result.query},
                      {"kind", result.kind},
                      {"matches", List(result.matches, PlacementJson)}};
  if (!result.links.empty()) j["links"] = List(result.links, LinkJson);
  return j;
}

StoreJsonValue ChangesJson(const ChangesResult& r) {
  auto ref = [](const PortRef& p) -> StoreJsonValue {
    return {{"switch", p.device}, {"port", p.port}};
  };
  return {{"from_run", r.fromRun},
          {"to_run", r.toRun},
          {"hosts_new", List(r.hostsNew, PlacementJson)},
          {"hosts_gone", List(r.hostsGone, PlacementJson)},
          {"hosts_moved", List(r.hostsMoved,
                               [&](const HostMove& m) -> StoreJsonValue {
                                 return {{"mac", m.mac}, {"from", ref(m.from)}, {"to", ref(m.to)}};
                               })},
          {"links_added", List(r.linksAdded, LinkJson)},
          {"links_removed", List(r.linksRemoved, LinkJson)},
          {"ports_changed", List(r.portsChanged,
                                 [](const PortChange& c) -> StoreJsonValue {
                                   return {{"switch", c.device},          {"port", c.port},
                                           {"status_from", c.statusFrom}, {"status_to", c.statusTo},
                                           {"stp_from", c.stpFrom},       {"stp_to", c.stpTo}};
                                 })},
          {"devices_lost", r.devicesLost}};
}

StoreJsonValue IdlePortsJson(const std::vector<IdlePort>& ports, int days) {
  return {{"idle_days", days}, {"ports", List(ports, [](const IdlePort& p) -> StoreJsonValue {
                                  return {{"switch", p.device},
                                          {"port", p.port},
                                          {"status", p.status},
                                          {"last_mac", p.lastMac},
                                          {"last_seen", Time(p.lastSeen)}};
                                })}};
}

}  // namespace store
}  // namespace disco
