// VLAN download, first step: the VLAN interfaces (logical interfaces whose global-identifier row
// gives the VLAN id) into the logical tree, and the VLAN descriptions keyed by VLAN id.
#include <cstdlib>

#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

int CDiscoExtreme3ComVlanSwitchAgent::GetLogicalVlanInfo(CTolRecord* device,
                                                         CTolTreeList* logicalTree,
                                                         CTolTreeList** vlanDescr) {
  TOL_TRACE(2, "CDiscoExtreme3ComVlanSwitchAgent::GetLogicalVlanInfo().\n");
  int result = 1;
  if (!logicalTree) {
    result = TOL_ERR_FAILED;
    CTolError(result, kSource, __LINE__, nullptr);
    return result;
  }

  CTolDoubleList* rows = nullptr;
  CTolTreeList* globalIdTree = DSABuildSnmpList(device, true, m_GlobalIdName, &rows);
  // The descriptions are read whatever the identifier rows hold.
  CTolTreeList* descr = BuildVlanDescrByID(device, globalIdTree);
  if (vlanDescr) {
    *vlanDescr = descr;
  } else {
    DAUFDeleteTreeListAndContents(descr, eContentText);
  }

  if (!rows || rows->RDLLength() == 0) {
    TOL_TRACE(4, "::GetLogicalVlanInfo(), unable to retrieve global mapping ifIndex.\n");
    result = TOL_ERR_FAILED;
  } else {
    for (CTolListable* e = rows->RDLHead(); e; e = rows->RDLGetNext(e)) {
      const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
      int ifIndex = IndexAt(row, 0);
      int vlanId = -1;
      if (row->RSVOValue()) {
        vlanId = row->RSVOValue()->RAInt();
      } else {
        TOL_TRACE(4, "::GetVlanDescription(), ignoring NULL Vlan Entry.\n");
      }
      if (vlanId == -1 || ifIndex == -1) {
        TOL_TRACE(4, "::GetLogicalVlanInfo(), incomplete data, ignoring VLan interface: "
                         << vlanId << ", " << ifIndex << ".\n");
        continue;
      }
      result = AddVlanIdToTreeList(logicalTree, ifIndex, vlanId, false, false);
      if (result != 1) {
        TOL_TRACE(4, "::AddVlanIdToTreeList(), failed to add Vlan info to the List.\n");
      }
    }
  }

  if (globalIdTree || rows) DSADeleteSnmpList(globalIdTree, rows);

  TOL_TRACE(3, "::GetLogicalVlanInfo(), Exiting with TolRet = " << result << ".\n");
  return result;
}

CTolTreeList* CDiscoExtreme3ComVlanSwitchAgent::BuildVlanDescrByID(CTolRecord* device,
                                                                   CTolTreeList* globalIdTree) {
  if (!globalIdTree) return nullptr;

  CTolDoubleList* response =
      DAGetRequester()->DSRSnmpGetNext(device, m_VlanDescrName, nullptr, nullptr);
  if (!response || response->RDLLength() == 0) {
    TOL_TRACE(4, "CDiscoExtreme3ComVlanSwitchAgent::BuildVlanDescrByID() "
                     << Printable(m_VlanDescrName) << " empty\n");
    delete response;
    return nullptr;
  }

  CTolTreeList* descrTree = new CTolTreeList(false);
  for (CTolListable* e = response->RDLHead(); e; e = response->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
    int index = IndexAt(row, 0);
    char* text = nullptr;
    if (row->RSVOValue()) {
      text = row->RSVOValue()->RAStrRep();
      if (!text) CTolError(TOL_ERR_NULL, kSource, __LINE__, nullptr);
    } else {
      TOL_TRACE(4, "::GetVlanDescription(), ignoring NULL Vlan Entry.\n");
    }
    if (text && index >= 0) {
      // The description is filed under the VLAN id that the same logical interface carries.
      const CTolSnmpVarOp* globalId = RowOf(globalIdTree->RTLGet(row->RSVOASN1()->RAAAsString()));
      if (globalId && globalId->RSVOValue() &&
          descrTree->RTLAdd(globalId->RSVOValue(), text, true) == 1) {
        text = nullptr;  // the tree holds it now
      }
    }
    free(text);
  }
  delete response;
  return descrTree;
}
