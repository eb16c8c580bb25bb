// The Extreme agent's life cycle, its name and description, and the mediation filter that takes
// every device answering a get of the bridge aging time.
#include "agent/CDiscoExtremeSwitchAgent.h"

#include "host/CDiscoMediationData.h"
#include "host/CTolError.h"
#include "host/CTolSnmpVarOp.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"

namespace {

const char* const kSource = "CDiscoExtremeSwitchAgent";
const char* const kAgingTimeKey = "dot1dTpAgingTime";

}  // namespace

// Extreme switches carry the Extreme VLAN MIB: no restriction on the lower layers of a VLAN
// stack (-1) and no filter on encapsulation interface descriptions.
CDiscoExtremeSwitchAgent::CDiscoExtremeSwitchAgent()
    : CDiscoExtreme3ComVlanSwitchAgent(
          "extremeVlanGlobalMappingIfIndex", "extremeVlanIfGlobalIdentifier", "extremeVlanIfDescr",
          "extremeVlanStackLowerLayer", "extremeVlanEncapsIfTag", -1, nullptr) {
  TOL_TRACE(2, "CDiscoExtremeSwitchAgent::CDiscoExtremeSwitchAgent(void).\n");
}

CDiscoExtremeSwitchAgent::~CDiscoExtremeSwitchAgent() {
  TOL_TRACE(2, "CDiscoExtremeSwitchAgent::~CDiscoExtremeSwitchAgent(void).\n");
}

void CDiscoExtremeSwitchAgent::RASetSCName() {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::RASetSCName().\n");
  RASetName("ExtremeSwitch");
}

void CDiscoExtremeSwitchAgent::RASetSCDesc() {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::RASetSCDesc().\n");
  RASetDesc("Discovery Agent for Extreme switches");
}

__boolean CDiscoExtremeSwitchAgent::DADoMediationFilter(CTolRecord* device) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DADoMediationFilter().\n");
  if (device == nullptr) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__, "no device record");
    return false;
  }

  __boolean result = false;
  CDiscoMediationData* med = DAGetMediationData(device);
  if (med != nullptr) {
    CTolSnmpVarOp* agingTime = DAGetRequester()->DSRSnmpGet(device, kAgingTimeKey, "0", nullptr);
    if (agingTime != nullptr) {
      const int stored = med->DMDAddSnmp(kAgingTimeKey, agingTime);
      if (stored != 1) {
        // Only a second filtering of the same device gets here: the earlier result stays and
        // still serves the aging-time step, and the device did answer.
        CTolError(stored, kSource, __LINE__, "aging time already stored for the device");
        delete agingTime;
      }
      result = true;
    }
  }

  TOL_TRACE(1, "::DADoMediationFilter(), device " << DAUFGetEntityIdentifier(device)
                                                  << (result ? " passed " : " rejected by ")
                                                  << "filter.\n");
  return result;
}
