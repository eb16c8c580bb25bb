// The reply callback of the in-scope address query: hands each reply to its agent.
#include "host/CTolError.h"
#include "host/CTolQryInfo.h"
#include "host/TolTypes.h"
#include "switchagent/CDiscoSwitchAgent.h"

void DiscoSwitchAgentIpReplyThreadFn(void* info, void* agent) {
  if (agent == nullptr) {
    // Without its agent the reply has nobody to process it; it is dropped with the report.
    CTolError(TOL_ERR_NULL, "DiscoSwitchAgentIpReplyThreadFn", __LINE__, nullptr);
    delete static_cast<CTolQryInfo*>(info);
    return;
  }
  // The result is the agent's business: DSAProcessDiscoPackets reports its own failures.
  static_cast<CDiscoSwitchAgent*>(agent)->DSAProcessDiscoPackets(static_cast<CTolQryInfo*>(info));
}
