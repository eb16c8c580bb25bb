// VLAN download, second step: interfaces stacked directly on a VLAN interface in the VLAN stack
// table (encapsulation interfaces) join the logical tree, carrying that VLAN encapsulated.
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

namespace {

// True when the ifType row of interface `lower` in `ifTypeTree` (keyed by index text) holds the
// integer `wanted`.
bool LowerLayerHasIfType(CTolTreeList& ifTypeTree, int lower, int wanted) {
  CTolAtom key(lower);
  key.RACoerce(eTolString);
  const CTolSnmpVarOp* ifType = RowOf(ifTypeTree.RTLGet(&key));
  const CTolAtom* type = ifType ? ifType->RSVOValue() : nullptr;
  return type && type->RAType() == eTolInteger && type->RAInt() == wanted;
}

// For the VLAN stack pair `higher`:`lower`, appends a binding (ifIndex of the side that is not in
// `logicalTree`, VLAN id of the side that is) to *cache, made on first use. Pairs with a side
// below 1, with neither side in the tree, or whose VLAN id is unknown are skipped.
void CacheStackPair(int higher, int lower, CTolTreeList& logicalTree, CTolVBList** cache) {
  TOL_TRACE(4, "::GetLogicalIfIndexVlan(), checking " << higher << ":" << lower << ".\n");
  if (higher < 1 || lower < 1) {
    TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Invalid Val. Ignoring.\n");
    return;
  }

  // The VLAN interface may be either side of the pair.
  CTolPointer* found = logicalTree.RTLGet(higher);
  int other = lower;
  if (!found) {
    found = logicalTree.RTLGet(lower);
    other = higher;
  }
  if (!found) {
    TOL_TRACE(4, "::GetLogicalIfIndexVlan(), "
                     << higher << ":" << lower
                     << " are NOT in logicalIfIdxToVlanIdx, so  ignoring.\n");
    return;
  }

  int vlanId = MembershipVlanId(EntryFirstVlan(EntryOf(found)));
  TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Pulled VLan Id: " << vlanId << ".\n");
  if (vlanId == -1) {
    TOL_TRACE(4, "::GetLogicalIfIndexVlan(), unable to find vlan id.\n");
    return;
  }
  if (!*cache) *cache = new CTolVBList();
  CTolVarBind* pending = new CTolVarBind(CTolAtom(other), vlanId);
  if ((*cache)->RVBLAddToListEnd(pending) != 1) delete pending;
  TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Adding Logical Infor " << other << ", Vlan Id " << vlanId
                                                                  << " to cache.\n");
}

}  // namespace

int CDiscoExtreme3ComVlanSwitchAgent::GetLogicalIfIndexVlan(CTolRecord* device,
                                                            CTolTreeList* logicalTree) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::GetLogicalIfIndexVlan().\n");
  if (!logicalTree) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }

  // Additions wait in the cache until the walk is over, so that the tree being searched does not
  // grow during the search: an interface found here is never the known side of a later pair.
  CTolVBList* cache = CacheStackedVlans(device, *logicalTree);
  if (cache) {
    AddCachedVlansToLogicalTree(*cache, logicalTree);
    delete cache;
  } else {
    TOL_TRACE(1, "::GetLogicalIfIndexVlan(), No logical VLan data present.\n");
  }

  TOL_TRACE(4, "::GetLogicalIfIndexVlan(), leaving ....\n");
  return 1;
}

CTolVBList* CDiscoExtreme3ComVlanSwitchAgent::CacheStackedVlans(CTolRecord* device,
                                                                CTolTreeList& logicalTree) {
  CTolDoubleList* stack =
      DAGetRequester()->DSRSnmpGetNext(device, m_StackLowerLayerName, nullptr, nullptr);
  if (!stack) {
    TOL_TRACE(1, "::GetLogicalIfIndexVlan(), Failed to obtain " << Printable(m_StackLowerLayerName)
                                                                << ".\n");
    return nullptr;
  }

  CTolDoubleList* ifTypeRows = nullptr;
  CTolTreeList* ifTypeTree = nullptr;
  if (m_LowerLayerIfType > 0) {
    ifTypeTree = DAUFWrapSNMPInTreeList(device, DAGetRequester(), "ifType", true, &ifTypeRows,
                                        false, nullptr);
  }

  CTolVBList* cache = nullptr;
  for (CTolListable* e = stack->RDLHead(); e; e = stack->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
    int higher = IndexAt(row, 0);
    int lower = IndexAt(row, 1);
    if (ifTypeTree && !LowerLayerHasIfType(*ifTypeTree, lower, m_LowerLayerIfType)) {
      TOL_TRACE(4,
                "Ignoring stack pair " << higher << ":" << lower << " as lower has wrong ifType\n");
      continue;
    }
    CacheStackPair(higher, lower, logicalTree, &cache);
  }

  delete stack;
  delete ifTypeTree;
  delete ifTypeRows;
  return cache;
}

void CDiscoExtreme3ComVlanSwitchAgent::AddCachedVlansToLogicalTree(const CTolVBList& cache,
                                                                   CTolTreeList* logicalTree) {
  for (const CTolVarBind* pending = cache.RVBLHead(); pending;
       pending = cache.RVBLGetNext(pending)) {
    int ifIndex = pending->RVBName() ? pending->RVBName()->RAInt() : -1;
    int vlanId = pending->RVBValue() ? pending->RVBValue()->RAInt() : -1;
    if (ifIndex == -1 || vlanId == -1) continue;
    TOL_TRACE(4,
              "::GetLogicalIfIndexVlan(), Adding cached Entry to the Logical Tree List:\nifIndex: "
                  << ifIndex << ",  VlanId: " << vlanId << "\n");
    if (AddVlanIdToTreeList(logicalTree, ifIndex, vlanId, true, false) != 1) {
      TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Failed to add Entry to the Tree List\n");
    }
  }
}
