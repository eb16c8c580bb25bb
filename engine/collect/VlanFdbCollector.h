// The VLAN-aware forwarding database of a device, read by the engine after the agent's phases
// through the same requester: extremeFdbMacExosFdbTable (EXTREME-FDB-MIB) on EXOS switches,
// else extremeFdbMacFdbTable on the older Extreme switches (the VLAN's ifIndex in the row's
// index), else Q-BRIDGE-MIB's dot1qTpFdbTable with the VLAN of each filtering database from
// dot1qVlanCurrentTable and the interface of each bridge port from BridgePorts.
#pragma once

#include <functional>
#include <string>

#include "engine/collect/BridgePorts.h"
#include "engine/collect/CollectedData.h"
#include "engine/collect/DeviceInterfaces.h"

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

// When the engine reads the VLAN-aware forwarding database (--fdb).
enum class FdbMode {
  kAuto,    // wherever the device has one of the tables, unless its download_fdb is off
  kAlways,  // for every device that passed the filter
  kNever,
};

// The IP address the engine's ARP data gives for a MAC text; "" when none.
using MacToIp = std::function<std::string(const std::string& mac)>;

// Reads the forwarding database of `device` into `out->vlanFdb` (table order), sets `fdbRead`
// and `fdbSource`. Only learned(3) and mgmt(5) rows count. A row whose port is no interface of
// `interfaces` (or a learned row without port: a bridge port the switch maps to no ifIndex) is
// kept with an empty label and, when learned, counted in `fdbWithoutPort`; such rows, rows
// without status and rows whose VLAN is unknown are summed up in `out->problems`; a mgmt row
// without port is the switch's own address and no problem. `bridgePorts`, when given, is the
// device's bridge port mapping already read; else it is read when the Q-BRIDGE table is. Returns
// whether the device has rows in one of the tables. Failed walks are reported by the requester.
bool CollectVlanFdb(CDiscoStdRequester& requester, CTolRecord& device,
                    const DeviceInterfaces& interfaces, const MacToIp& ipOf, DeviceCollections* out,
                    const BridgePorts* bridgePorts = nullptr);

}  // namespace disco
