// The engine's collectors' findings in a device's results: "lldp_local_chassis",
// "lldp_neighbours", "vlan_fdb_source", "vlan_fdb", "vlan_fdb_without_port", "port_vlans",
// "collector_problems", "interfaces" and "ip_addresses", and who read the device, "collected_by"
// (doc/results-schema.md).
#pragma once

#include <functional>
#include <string>

#include "engine/base/JsonText.h"
#include "engine/collect/CollectedData.h"

namespace disco {

// {"id": 10, "name": "users"}.
Json VlanJson(const VlanRef& vlan);
// {"native_vlan": {...} or null, "untagged": [...], "tagged": [...]}.
Json PortVlansJson(const PortVlans& vlans);

// Appends the members, each preceded by ",\n", at nesting `depth` (the device object's members).
// "lldp_neighbours" is always there; the chassis only when the device gave one; the forwarding
// members only when the forwarding database was read; the port VLANs only when the switch gave
// some; the problems only when there are some. The interfaces and addresses only when the engine
// read the interface tables.
// `drain` is called after each forwarding entry, so that the caller can move `*out` elsewhere.
void AppendCollections(std::string* out, const DeviceCollections& c, int depth,
                       const std::function<void()>& drain = {});

// ["agent", "engine"]: whether the agent's filter took the device, whether the engine's own
// collectors read it.
Json CollectedBy(bool agentTookIt, const DeviceCollections& c);

}  // namespace disco
