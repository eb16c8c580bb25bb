// The LLDP neighbours of a device, read by the engine after the agent's phases through the same
// requester: lldpLocChassisId, lldpLocPortTable (to find the switch's interface behind each
// local port number), lldpRemTable and lldpRemManAddrTable (LLDP-MIB).
#pragma once

#include "engine/collect/CollectedData.h"
#include "engine/collect/DeviceInterfaces.h"

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

// Reads the LLDP tables of `device` and fills `out`'s local chassis, `lldp` (in lldpRemTable
// order) and sets `lldpRead`. A local port is matched to an interface of `interfaces` by its
// lldpLocPortId subtype (local: the ifIndex in decimal; interfaceName: ifName, else ifDescr;
// interfaceAlias: ifAlias; macAddress: the one interface with that MAC), else through
// dot1dBasePortIfIndex (LLDP port numbers are bridge port numbers on a bridge). Rows that cannot
// be fully decoded are kept with what could be read and described in `out->problems`; failed
// walks are reported by the requester. Nothing else is read when lldpRemTable is empty.
void CollectLldp(CDiscoStdRequester& requester, CTolRecord& device,
                 const DeviceInterfaces& interfaces, DeviceCollections* out);

}  // namespace disco
