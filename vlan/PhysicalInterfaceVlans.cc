// VLAN download, third step: ports directly below a VLAN or encapsulation interface in
// ifStackTable carry the VLAN of that interface, encapsulated when the interface above them is.
// The ifStackStatus walk is left to the mediation data for the trunk discovery.
#include "host/CDiscoMediationData.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

int CDiscoExtreme3ComVlanSwitchAgent::GetPhysicalIfIndexVlan(CTolRecord* device,
                                                             CTolTreeList* physicalTree,
                                                             CTolTreeList* logicalTree,
                                                             CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::GetPhysicalIfIndexVlan().\n");
  if (!logicalTree || !physicalTree) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }

  CTolDoubleList* stack =
      DAGetRequester()->DSRSnmpGetNext(device, "ifStackStatus", nullptr, nullptr);
  if (!stack) {
    TOL_TRACE(1, "::GetPhysicalIfIndexVlan(), Failed to obtain ifStackStatus.\n");
  } else {
    CTolDoubleList* entries = logicalTree->RTLIterator();
    for (CTolListable* n = entries->RDLHead(); n; n = entries->RDLGetNext(n)) {
      const CTolVarBind* entry = EntryOf(static_cast<CTolPointer*>(n));
      const CTolVarBind* first = EntryFirstVlan(entry);
      int h = EntryIfIndex(entry);
      int v = MembershipVlanId(first);
      bool encapsulated = first && first->RVBValue() && first->RVBValue()->RAInt() != 0;
      if (h == -1 || v == -1) continue;
      TOL_TRACE(4, "::GetPhysicalIfIndexVlan(), Getting interfaces under IfIndex " << h << ".\n");
      for (CTolListable* e = stack->RDLHead(); e; e = stack->RDLGetNext(e)) {
        const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
        int higher = IndexAt(row, 0);
        int lower = IndexAt(row, 1);
        TOL_TRACE(4, "::GetPhysicalIfIndexVlan(), Updating Vlan info for Physical interface "
                         << lower << ".\n");
        if (lower < 1 || higher < 1) {
          TOL_TRACE(4, "::GetPhysicalIfIndexVlan(), ignoring interface stack entry, zero value.\n");
        } else if (higher == h) {
          if (logicalTree->RTLGet(lower)) {
            TOL_TRACE(4, "::GetPhysicalIfIndexVlan(), ignoring logical/encap interface " << lower
                                                                                         << ".\n");
          } else if (AddVlanIdToTreeList(physicalTree, lower, v, encapsulated, true) == 1) {
            TOL_TRACE(
                4, "::GetPhysicalIfIndexVlan(), Added Vlan " << v << " to if " << lower << ".\n");
          } else {
            TOL_TRACE(4, "::GetPhysicalIfIndexVlan(), Failed to add entry to Tree List");
          }
        }
      }
    }

    // The trunk discovery reads the walk back from the mediation data, which owns it from here.
    // A walk that no store takes (no rows, no mediation data, or one stored already) is freed.
    if (stack->RDLLength() > 0 && med && med->DMDAddSnmp("ifStackStatus", stack) == 1) {
      stack = nullptr;
    }
    delete stack;
  }

  TOL_TRACE(3, "Leaving CDiscoExtreme3ComVlanSwitchAgent::GetPhysicalIfIndexVlan().\n");
  return 1;
}
