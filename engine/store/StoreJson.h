// The answers of the store's queries as JSON documents (times in ISO 8601, UTC).
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "engine/store/StoreResults.h"

namespace disco {
namespace store {

using StoreJsonValue = nlohmann::ordered_json;

StoreJsonValue RunsJson(const std::vector<RunRow>& runs);
// {"query", "kind", "matches": [{"mac", "ip", "vlan", "switch", "port", "first_seen",
// "last_seen", "current", "vendor", ...}], "links": [...]}
StoreJsonValue FindJson(const FindResult& result);
// {"from_run", "to_run", "hosts_new", "hosts_gone", "hosts_moved", "links_added",
// "links_removed", "ports_changed", "devices_lost"}
StoreJsonValue ChangesJson(const ChangesResult& result);
// {"devices": [{"name", "address", "sys_name", "sys_object_id", "bridge_mac", "in_scope",
// "answered"}]}
StoreJsonValue DevicesJson(const std::vector<DeviceRow>& devices);
// {"links": [{"a": {"switch", "port"}, "b": {...}, "evidence", "stp", "first_seen",
// "last_seen"}]}
StoreJsonValue LinksJson(const std::vector<LinkRow>& links);
// {"device": {...as in DevicesJson}, "interfaces": [{"port", "if_index", "description",
// "status", "stp", "vlans"}], "links": [...], "neighbours": [{"port", "chassis_id",
// "remote_port", "sys_name", "address", "first_seen", "last_seen"}], "hosts": [...as matches]}
StoreJsonValue DeviceJson(const DeviceView& view);
StoreJsonValue IdlePortsJson(const std::vector<IdlePort>& ports, int days);

}  // namespace store
}  // namespace disco
