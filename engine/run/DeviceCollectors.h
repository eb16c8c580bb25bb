// The engine's own collectors, run for every device that answered, once the agent's processing
// layer has handed its neighbours over (or the agent declined it): interfaces and addresses,
// LLDP neighbours and the port VLANs of a standard bridge always, the VLAN-aware forwarding
// database as FdbMode says. Runs on the device's engine thread.
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
// rows place hosts the agent's table does not hold. REQUIRES: the device's processed data is
// still there (empty when the agent's filter declined the device).
void RunCollectors(CDiscoStdRequester& requester, CDiscoArpService& arp, FdbMode mode,
                   DeviceRun& device);

}  // namespace disco
