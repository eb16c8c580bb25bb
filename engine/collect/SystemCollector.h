// What the engine reads itself from each switch to know it in the network's topology: the system
// group (sysName, sysDescr, sysObjectID), the bridge address (dot1dBaseBridgeAddress) and the
// names EDP gives its neighbours (extremeEdpNeighborName), through the agent's requester with
// the device's own credentials, after the agent's phases 1 and 2; and whether it routes
// (ipForwarding).
#pragma once

#include <string>
#include <vector>

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

struct EdpNeighbourName {
  long ifIndex = 0;
  std::string mac;  // normalised MAC text
  std::string name;
};

struct SwitchSystem {
  std::string name;       // sysName
  std::string descr;      // sysDescr
  std::string objectId;   // sysObjectID, dotted
  std::string bridgeMac;  // normalised MAC text; empty when the switch gave none
  std::vector<EdpNeighbourName> edpNames;
  bool forwardsIp = false;  // ipForwarding.0 is forwarding(1): a router, or a switch routing
};

// Reads the system group, the bridge address, ipForwarding and the EDP neighbour names of
// `device`. A missing
// object leaves its field empty; SNMP failures are reported by the requester to the calling
// thread's error sink.
SwitchSystem ReadSwitchSystem(CDiscoStdRequester& requester, CTolRecord& device);

}  // namespace disco
