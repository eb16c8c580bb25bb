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
StoreJsonValue IdlePortsJson(const std::vector<IdlePort>& ports, int days);

}  // namespace store
}  // namespace disco
