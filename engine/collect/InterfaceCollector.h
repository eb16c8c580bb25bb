// The device's interfaces and IPv4 addresses as the engine reads them itself (ifTable, ifXTable,
// ipAddrTable), every one by ifIndex whatever numbering the maker chose, with a label that is
// unique on the device.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/collect/CollectedData.h"

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

// Whether an IANAifType is a logical interface rather than a port one can plug a cable into:
// propVirtual (53), softwareLoopback (24), tunnel (131), l2vlan (135), l3ipvlan (136),
// l3ipxvlan (137), mplsTunnel (150), mpls (166).
bool IsVirtualIfType(long ifType);

// Labels `interfaces` (sorted by ifIndex, `isVirtual` set): an interface the agent handed over
// keeps the agent's label from `agentLabels` (by ifIndex), unless it is a virtual one the agent
// gave a slot:port; on a device the agent took (some
// agent label given), a port whose ifIndex fits slot * 1000 + port (below 10000; 1..999 is
// slot 1) is "slot:port" unless another port of the device has the same slot and port; any other
// interface, every one of a colliding pair, and every interface of a device the agent declined,
// is named by its ifName, else its ifDescr, else "if N". A label taken already gets " (if N)"
// appended, so that no two interfaces share one.
void LabelInterfaces(const std::map<long, std::string>& agentLabels,
                     std::vector<EngineInterface>* interfaces);

// Reads ifTable, ifXTable's ifName and ipAddrTable of `device` into `out->interfaces` and
// `out->addresses` and sets `out->interfacesRead`; labels as LabelInterfaces. An address on an
// ifIndex that ifTable lacks is kept with an empty label; problems go to `out->problems`, each
// naming its table.
void CollectInterfaces(CDiscoStdRequester& requester, CTolRecord& device,
                       const std::map<long, std::string>& agentLabels, DeviceCollections* out);

}  // namespace disco
