// The engine's own collectors, run for a device once the agent's processing layer has handed
// its neighbours over: LLDP neighbours and the port VLANs of a standard bridge always, the
// VLAN-aware forwarding database as FdbMode says. Runs on the device's engine thread.
#pragma once

#include "engine/collect/VlanFdbCollector.h"
#include "engine/run/DeviceRun.h"

class CDiscoArpService;
class CDiscoStdRequester;

namespace disco {

// Fills `device.collected` from the device, through `requester`; IP addresses of forwarding
// entries come from `arp` in the device's address space. In FdbMode::kAuto the forwarding
// database is read unless the device's forwarding-database download is switched off
// (download_fdb), beside the agent's entries: its VLANs name the agent's hosts and its other
// rows place hosts the agent's table does not hold. REQUIRES: the device passed the filter and
// its processed data is still there.
void RunCollectors(CDiscoStdRequester& requester, CDiscoArpService& arp, FdbMode mode,
                   DeviceRun& device);

}  // namespace disco
