// The VLAN-aware forwarding database of a device, read by the engine after the agent's phases
// through the same requester: extremeFdbMacExosFdbTable (EXTREME-FDB-MIB) on EXOS switches,
// else Q-BRIDGE-MIB's dot1qTpFdbTable with the VLAN of each filtering database from
// dot1qVlanCurrentTable and the interface of each bridge port from dot1dBasePortIfIndex.
#pragma once

#include <functional>
#include <string>

#include "engine/collect/CollectedData.h"
#include "engine/collect/DeviceInterfaces.h"

class CDiscoProcessedData;
class CDiscoStdRequester;
class CTolRecord;

namespace disco {

// When the engine reads the VLAN-aware forwarding database (--fdb).
enum class FdbMode {
  kAuto,    // when the agent handed over no forwarding-database neighbour for the device
  kAlways,  // for every device that passed the filter
  kNever,
};

// Whether the agent handed over a forwarding-database neighbour (a remote neighbour with a MAC
// address that is not an EDP peer) in `processed`.
bool AgentFoundFdbEntry(const CDiscoProcessedData& processed);

// The IP address the engine's ARP data gives for a MAC text; "" when none.
using MacToIp = std::function<std::string(const std::string& mac)>;

// Reads the forwarding database of `device` into `out->vlanFdb` (table order), sets `fdbRead`
// and `fdbSource`. Only learned(3) and mgmt(5) rows count. A row whose port is no interface of
// `interfaces` (or a learned row without port) is kept with an empty label; such rows, rows
// without status and rows whose VLAN is unknown are summed up in `out->problems`; a mgmt row
// without port is the switch's own address and no problem. Failed walks are reported by the
// requester.
void CollectVlanFdb(CDiscoStdRequester& requester, CTolRecord& device,
                    const DeviceInterfaces& interfaces, const MacToIp& ipOf,
                    DeviceCollections* out);

}  // namespace disco
