// The interface VLAN trees of the VLAN download (see VlanTreeEntry.h): adding a VLAN membership
// to an interface's entry, and copying a tree's entries into the VLAN store.
#include "host/CTolError.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

int CDiscoExtreme3ComVlanSwitchAgent::AddTreeListEntriesToVlanStore(CTolTreeList* vlanStore,
                                                                    CTolTreeList* source) {
  TOL_TRACE(2, "CDiscoExtreme3ComVlanSwitchAgent::AddTreeListEntriesToVlanStore().\n");
  if (!source) {
    TOL_TRACE(4, "::AddTreeListEntriesToVlanStore(), NULL Tree List - ignoring!\n");
    return 1;
  }
  if (!vlanStore) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }

  CTolDoubleList* entries = source->RTLIterator();
  for (CTolListable* n = entries->RDLHead(); n; n = entries->RDLGetNext(n)) {
    const CTolVarBind* entry = EntryOf(static_cast<CTolPointer*>(n));
    int ifIndex = EntryIfIndex(entry);
    const CTolVBList* list = EntryVlanList(entry);
    if (ifIndex == -1 || !list) continue;

    // The first entry for an ifIndex wins: the physical pass never overwrites a logical or
    // encapsulation interface.
    if (vlanStore->RTLGet(ifIndex)) {
      TOL_TRACE(4, "::AddTreeListEntriesToVlanStore(), failed to add ifIndex "
                       << ifIndex << ".Already exists in the Vlan Store.\n");
      continue;
    }
    CTolVBList* copy = new CTolVBList(*list);
    int count = copy->RVBLLength();
    CTolAtom* value = new CTolAtom(copy);
    CTolVarBind* stored = new CTolVarBind(CTolAtom(ifIndex), &value);
    if (vlanStore->RTLAdd(ifIndex, stored) == 1) {
      TOL_TRACE(4, "::AddTreeListEntriesToVlanStore(), Added Entry to Vlan Store:\nifIndex: "
                       << ifIndex << "\nVlanTags: " << count << ".\n");
    } else {
      TOL_TRACE(1, "::AddTreeListEntriesToVlanStore(), Failed to add value to treelist.\n");
      delete stored;
    }
  }
  return 1;
}

int CDiscoExtreme3ComVlanSwitchAgent::AddVlanIdToTreeList(CTolTreeList* tree, int ifIndex,
                                                          int vlanId, bool encapsulated,
                                                          __boolean allowMultiple) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::AddVlanIdToTreeList()\n");
  if (!tree) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }

  CTolPointer* node = tree->RTLGet(ifIndex);
  if (!node) {
    TOL_TRACE(4, "::AddVlanIdToTreeList(), attempting to add new entry.\n");
    CTolVBList* list = new CTolVBList();
    CTolVarBind* membership = new CTolVarBind(CTolAtom(vlanId), encapsulated ? 1 : 0);
    if (list->RVBLAddToListEnd(membership) != 1) delete membership;
    CTolAtom* value = new CTolAtom(list);
    CTolVarBind* entry = new CTolVarBind(CTolAtom(ifIndex), &value);
    TOL_TRACE(4, "::AddVlanIdToTreeList(), attempting to add new entry:\n \tKey:    "
                     << ifIndex << "\n\tVLanId: " << vlanId << ".\n");
    if (tree->RTLAdd(ifIndex, entry) != 1) {
      TOL_TRACE(1, "::AddVlanIdToTreeList(), failed to add item to treelist.\n");
      delete entry;
    }
    return 1;
  }

  TOL_TRACE(4, "::AddVlanIdToTreeList(), attempting to update existing entry\n");
  if (!allowMultiple) {
    TOL_TRACE(4, "::AddVlanIdToTreeList(), failed to Add Multiple Vlan Entry.\n");
    return 1;
  }
  CTolVarBind* entry = EntryOf(node);
  if (!entry) {
    TOL_TRACE(4, "::AddVlanIdToTreeList(), warning, existing entry is NULL\n");
    return TOL_ERR_FAILED;
  }
  const CTolVBList* list = EntryVlanList(entry);
  if (!list) return 1;

  // A VLAN is listed once per interface; the flag of its first membership stays.
  for (const CTolVarBind* m = list->RVBLHead(); m; m = list->RVBLGetNext(m)) {
    if (m->RVBName() && m->RVBName()->RAInt() == vlanId) {
      TOL_TRACE(4,
                "::AddVlanIdToTreeList(), Vlan Id already present\n::AddVlanIdToTreeList(), Not "
                "adding Id as it Exists.\n");
      return 1;
    }
  }

  TOL_TRACE(4, "::AddVlanIdToTreeList(), Updating Entry in the Vlan Id List:\nifIndex: "
                   << ifIndex << "\n VlanId: " << vlanId << ".\n");
  CTolVarBind* membership = new CTolVarBind(CTolAtom(vlanId), encapsulated ? 1 : 0);
  int rc = entry->RVBAddOrSetObjVal(membership, true);
  if (rc != 1) {
    CTolError(rc, kSource, __LINE__, nullptr);
    delete membership;
  }
  return 1;
}
