// The local-neighbour record of one switch interface: card and port of an ifIndex, the field
// adders that fill the record from the walked interface tables, and the filing of the finished
// record in the local-neighbour tree under its card.port (or ifIndex) key.
#include <cstdlib>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "agent/ExtremeAgentKeys.h"
#include "host/CTolAtom.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"

using NSExtremeAgent::kErrorSource;
using NSExtremeAgent::NodeData;

namespace {

// Chassis switches number their ports slot * 1000 + port; ifIndexes from this value up belong to
// no slot.
constexpr int kFirstSlotlessIfIndex = 10000;
constexpr int kPortsPerSlot = 1000;

// Appends `vb` to `fields`, which takes it over. Returns 1, or TOL_ERR_FAILED after deleting `vb`
// when the list refuses it.
int AppendField(CTolVBList& fields, CTolVarBind* vb) {
  if (fields.RVBLAddToListEnd(vb) == 1) return 1;
  delete vb;
  return TOL_ERR_FAILED;
}

}  // namespace

int CDiscoExtremeSwitchAgent::DESAIfIndex2Card(int ifIndex) {
  if (ifIndex < kPortsPerSlot) return 1;
  if (ifIndex >= kFirstSlotlessIfIndex) return -1;
  return ifIndex / kPortsPerSlot;
}

int CDiscoExtremeSwitchAgent::DESAIfIndex2Port(int ifIndex) {
  if (ifIndex >= kFirstSlotlessIfIndex) return -1;
  return ifIndex % kPortsPerSlot;
}

int CDiscoExtremeSwitchAgent::DESAAddPort(CTolVBList& fields, int ifIndex) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAAddPort().\n");
  int port = DESAIfIndex2Port(ifIndex);
  if (port == -1) return TOL_ERR_FAILED;
  return AppendField(fields, new CTolVarBind("m_LocalNbrPort", port));
}

int CDiscoExtremeSwitchAgent::DESAAddCard(CTolVBList& fields, int ifIndex) {
  TOL_TRACE(4, "CDiscoExtremeSwitchAgent::DESAAddCard().\n");
  int card = DESAIfIndex2Card(ifIndex);
  if (card == -1) return TOL_ERR_FAILED;
  return AppendField(fields, new CTolVarBind("m_LocalNbrCard", card));
}

int CDiscoExtremeSwitchAgent::DESAAddMac(CTolVBList& fields, const CTolAtom* physAddress) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAAddMac().\n");
  if (!physAddress) return TOL_ERR_FAILED;
  return AppendField(fields, new CTolVarBind("m_LocalNbrPhysAddr", physAddress));
}

int CDiscoExtremeSwitchAgent::DESAAddDescription(CTolVBList& fields, const char* indexText,
                                                 CTolTreeList* ifDescr) {
  if (!ifDescr || !indexText) return TOL_ERR_FAILED;
  const CTolAtom* descr = nullptr;
  DAUFGetValueFromSnmpTreeList(indexText, ifDescr, &descr);
  if (!descr || descr->RAType() != eTolString) return TOL_ERR_FAILED;
  return AppendField(fields, new CTolVarBind("m_IfDescr", descr));
}

int CDiscoExtremeSwitchAgent::DESAAddStpPortState(CTolVBList& fields, const char* indexText,
                                                  CTolTreeList* portStates) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAAddStpPortState().\n");
  if (!portStates || !indexText) return TOL_ERR_FAILED;
  // The state tree is keyed by the integer ifIndex; its decimal text finds the same node.
  const CTolVarBind* state = NodeData<CTolVarBind>(portStates->RTLGet(indexText));
  const CTolAtom* value = state ? state->RVBValue() : nullptr;
  if (!value || value->RAType() != eTolInteger) return TOL_ERR_FAILED;
  int rc = AppendField(fields, new CTolVarBind("m_StpPortState", value));
  if (rc == 1) {
    TOL_TRACE(4, "::DESAAddStpPortState() - added STP state of " << value->RAInt() << "\n");
  }
  return rc;
}

int CDiscoExtremeSwitchAgent::DESAAddIPIfIndexAndStatusBinds(int ifIndex, const char* indexText,
                                                             CTolVBList& fields,
                                                             CTolTreeList* ifOperStatus,
                                                             CTolTreeList* ipAdEntIfIndex) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAAddIPIfIndexAndStatusBinds().\n");
  // The address table is keyed by its value, the ifIndex; the row's instance index is the
  // address itself.
  if (ipAdEntIfIndex && indexText) {
    const CTolSnmpVarOp* row = NodeData<CTolSnmpVarOp>(ipAdEntIfIndex->RTLGet(indexText));
    const CTolASN1Address* address = row ? row->RSVOASN1() : nullptr;
    const char* dotted = address ? address->RAAAsString() : nullptr;
    if (dotted && *dotted) AppendField(fields, new CTolVarBind("m_IpAddress", dotted));
  }
  if (ifOperStatus && indexText) {
    const CTolAtom* status = nullptr;
    DAUFGetValueFromSnmpTreeList(indexText, ifOperStatus, &status);
    if (status) AppendField(fields, new CTolVarBind("m_LocalNbrStatus", status));
  }
  if (ifIndex > 0) AppendField(fields, new CTolVarBind("m_IfIndex", ifIndex));
  return 1;
}

int CDiscoExtremeSwitchAgent::DESAAddLocalNeighbour(CTolVBList* fields, CTolTreeList** tree) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAAddLocalNeighbour().\n");
  if (!fields || !tree) {
    delete fields;  // handed over to us: nobody else frees it
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }
  CTolRecord* record = new CTolRecord(fields);
  TOL_TRACE(4,
            "::DESAAddLocalNeighbour(), Found Local Neighbour: " << TolTraceRecord(record) << "\n");

  char* key = DSADetermineKeyToUse(record);
  if (!key) {
    delete record;
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }

  int result = 1;
  if (!*tree) *tree = new CTolTreeList(false);
  if ((*tree)->RTLGet(key)) {
    // The interface filed first under a key keeps it (ifIndex 5 and 1005 both give 1.5).
    delete record;
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, "Failed to add local nbr");
    result = TOL_ERR_KEY_TAKEN;
  } else if ((*tree)->RTLAdd(key, record) != 1) {
    delete record;
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    result = TOL_ERR_FAILED;
  } else {
    TOL_TRACE(4, "Adding local Nbr " << TolTraceRecord(record) << " on key " << key << "\n");
  }
  free(key);
  return result;
}
