// Spanning-tree port states: dot1dStpPortState is indexed by bridge port, the local-neighbour
// records by ifIndex. The download maps each bridge port to its ifIndex through the bridge's port
// table and keeps the states by ifIndex for the device.
#include <string>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "agent/ExtremeAgentKeys.h"
#include "host/CDiscoMediationData.h"
#include "host/CTolAtom.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVarBind.h"
#include "host/TolTrace.h"

using NSExtremeAgent::kErrorSource;
using NSExtremeAgent::NodeData;

CTolTreeList* CDiscoExtremeSwitchAgent::DESADownloadStpPortStateInfo(
    CTolRecord* device, CDiscoMediationData* med, CTolTreeList* basePortIfIndex) {
  TOL_TRACE(4, "CDiscoExtremeSwitchAgent::DESADownloadStpPortStateInfo\n");
  if (!basePortIfIndex) {
    TOL_TRACE(4, "::DESADownloadStpPortStateInfo(), no SNMP Port to ifIndex data\n");
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return nullptr;
  }

  CTolDoubleList* rows =
      DAGetRequester()->DSRSnmpGetNext(device, "dot1dStpPortState", nullptr, nullptr);
  if (!rows) {
    TOL_TRACE(4, "::DESADownloadStpPortStateInfo: no SNMP Port State data\n");
    return nullptr;
  }

  CTolTreeList* states = nullptr;
  for (CTolListable* e = rows->RDLHead(); e; e = rows->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
    const CTolASN1Address* index = row->RSVOASN1();
    long bridgePort = index ? index->RAAAddressAt(0) : -1;
    const CTolAtom* state = row->RSVOValue();
    if (!state || bridgePort == -1) continue;

    std::string key = std::to_string(bridgePort);
    CTolPointer* node = basePortIfIndex->RTLGet(key.c_str());
    if (!node) {
      TOL_TRACE(4, "::DESADownloadStpPortStateInfo: Port Key " << key << " not found\n");
      continue;
    }
    const CTolSnmpVarOp* portRow = NodeData<CTolSnmpVarOp>(node);
    const CTolAtom* ifIndexValue = portRow ? portRow->RSVOValue() : nullptr;
    if (!ifIndexValue) continue;
    int ifIndex = ifIndexValue->RAInt();

    CTolVarBind* binding = new CTolVarBind(CTolAtom(ifIndex), state);
    if (!states) states = new CTolTreeList(false);
    if (states->RTLAdd(ifIndex, binding) != 1) {
      delete binding;
      CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    }
  }
  delete rows;

  if (states && (!med || med->DMDAddDataPtr(NSExtremeAgent::kStpPortStatesKey, states) != 1)) {
    // Still handed back: the caller uses it for this device's records and frees it, since the
    // mediation data does not hold it.
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
  }
  return states;
}
