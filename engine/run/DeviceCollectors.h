// The engine's own collectors, run for every device that answered, once the agent's processing
// layer has handed its neighbours over (or the agent declined it): interfaces and addresses and
// LLDP neighbours always, the VLAN-aware forwarding database as FdbMode says. Runs on the
// device's engine thread.
#pragma once

#include "engine/collect/VlanFdbCollector.h"
#include "engine/run/DeviceRun.h"

class CDiscoArpService;
class CDiscoStdRequester;

namespace disco {

// Fills `device.collected` from the device, through `requester`; IP addresses of forwarding
// entries come from `arp` in the device's address space. In FdbMode::kAuto the forwarding
// database is read when the agent handed over no forwarding entry and the device's
// forwarding-database download is not switched off (download_fdb). REQUIRES: the device's
// processed data is still there (empty when the agent's filter declined the device).
void RunCollectors(CDiscoStdRequester& requester, CDiscoArpService& arp, FdbMode mode,
                   DeviceRun& device);

}  // namespace disco
