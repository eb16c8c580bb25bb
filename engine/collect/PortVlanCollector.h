// The VLANs of each port of a standard bridge, read by the engine through the device's requester:
// Q-BRIDGE-MIB's native VLAN (dot1qPvid) and the egress and untagged member port lists of
// dot1qVlanCurrentTable (else dot1qVlanStaticTable), with the VLAN names of
// dot1qVlanStaticTable and each bridge port's interface from BridgePorts.
#pragma once

#include <string>
#include <vector>

#include "engine/collect/BridgePorts.h"
#include "engine/collect/CollectedData.h"
#include "engine/collect/DeviceInterfaces.h"

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

// The bridge ports set in a PortList bitmap: the high bit of the first octet is port 1.
std::vector<long> PortsInList(const std::string& portList);

// Reads the port VLANs of `device` into `out->portVlans`, one entry per bridge port that has a
// native VLAN or is a member of a VLAN, in bridge port order; nothing when the switch has none of
// these tables. Bridge ports that map to no interface are kept with an empty label and counted in
// `out->problems`, as are member ports of VLAN ids outside 1..4094 (left out).
void CollectPortVlans(CDiscoStdRequester& requester, CTolRecord& device,
                      const BridgePorts& bridgePorts, const DeviceInterfaces& interfaces,
                      DeviceCollections* out);

}  // namespace disco
