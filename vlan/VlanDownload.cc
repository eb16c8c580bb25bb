// The VLAN download of phase 1: which VLANs every logical, encapsulation and physical interface
// of the device belongs to (the VLAN store), and the VLAN descriptions.
//
// A VLAN is a logical interface whose global-identifier row gives the VLAN id. Interfaces stacked
// directly on a VLAN interface in the VLAN stack table (encapsulation interfaces) carry that VLAN
// encapsulated. Ports directly below a VLAN or encapsulation interface in ifStackTable carry the
// VLAN of that interface, encapsulated when the interface above them is.
#include <cstdlib>

#include "host/CDiscoMediationData.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

void CDiscoExtreme3ComVlanSwitchAgent::DSADownloadVlanInfo(CTolRecord* device,
                                                           CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::DSADownloadVlanInfo().\n");
  CTolTreeList* logicalTree = new CTolTreeList(false);
  CTolTreeList* physicalTree = nullptr;
  CTolTreeList* vlanDescr = nullptr;
  CTolTreeList* vlanStore = nullptr;

  int rc = GetLogicalVlanInfo(device, logicalTree, &vlanDescr);
  if (rc == 1) {
    rc = GetLogicalIfIndexVlan(device, logicalTree);
    if (rc != 1) {
      TOL_TRACE(
          4, "::DSADownloadVlanInfo, failed to get Vlan info for the Encapsulation interfaces.\n");
    }
    vlanStore = new CTolTreeList(false);
    if (AddTreeListEntriesToVlanStore(vlanStore, logicalTree) != 1) {
      TOL_TRACE(
          4, "::DSADownloadVlanInfo(), failed to add the logical interfaces to the VlanStore.\n");
    }
  } else {
    TOL_TRACE(4, "::DSADownloadVlanInfo, failed to get Vlan info for the Logical interfaces.\n");
  }

  if (logicalTree && vlanStore) {
    physicalTree = new CTolTreeList(false);
    rc = GetPhysicalIfIndexVlan(device, physicalTree, logicalTree, med);
    if (rc == 1) {
      if (AddTreeListEntriesToVlanStore(vlanStore, physicalTree) != 1) {
        TOL_TRACE(4, "::DSADownloadVlanInfo(), failed to add Vlan Info to the Vlan Store.\n");
      }
    } else {
      TOL_TRACE(4,
                "::DSADownloadVlanInfo(), failed to get Vlan info for the Physical interfaces.\n");
    }
  }

  // A store the mediation data does not take is freed here; without mediation data nothing can
  // take it.
  if (vlanStore) {
    rc = med ? med->DMDAddDataPtr(ms_VlanStoreKey, vlanStore) : TOL_ERR_NULL;
    if (rc != 1) {
      CTolError(rc, kSource, __LINE__, "Failed to add VLAN store");
      DAUFDeleteTreeListAndContents(vlanStore, eContentVarBind);
    }
  } else {
    TOL_TRACE(1, "::DSADownloadVlanInfo(), no Vlan Info found.\n");
  }

  if (vlanDescr) {
    rc = med ? med->DMDAddDataPtr(ms_VlanDescrKey, vlanDescr) : TOL_ERR_NULL;
    if (rc != 1) {
      CTolError(rc, kSource, __LINE__, "Failed to add VLAN descr");
      DAUFDeleteTreeListAndContents(vlanDescr, eContentText);
    }
  } else {
    TOL_TRACE(1, "::DSADownloadVlanInfo(), no Vlan descr found.\n");
  }

  // The store holds copies of the working trees' entries.
  DAUFDeleteTreeListAndContents(logicalTree, eContentVarBind);
  DAUFDeleteTreeListAndContents(physicalTree, eContentVarBind);

  if (device && med) DownloadVlanTrunkInfo(*device, *med);
}

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

int CDiscoExtreme3ComVlanSwitchAgent::GetLogicalIfIndexVlan(CTolRecord* device,
                                                            CTolTreeList* logicalTree) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::GetLogicalIfIndexVlan().\n");
  if (!logicalTree) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__, nullptr);
    return TOL_ERR_FAILED;
  }

  // Additions wait in the cache until the walk is over, so that the tree being searched does not
  // grow during the search: an interface found here is never the known side of a later pair.
  CTolVBList* cache = nullptr;
  CTolDoubleList* stack =
      DAGetRequester()->DSRSnmpGetNext(device, m_StackLowerLayerName, nullptr, nullptr);
  if (!stack) {
    TOL_TRACE(1, "::GetLogicalIfIndexVlan(), Failed to obtain " << Printable(m_StackLowerLayerName)
                                                                << ".\n");
  } else {
    CTolDoubleList* ifTypeRows = nullptr;
    CTolTreeList* ifTypeTree = nullptr;
    if (m_LowerLayerIfType > 0) {
      ifTypeTree = DAUFWrapSNMPInTreeList(device, DAGetRequester(), "ifType", true, &ifTypeRows,
                                          false, nullptr);
    }

    for (CTolListable* e = stack->RDLHead(); e; e = stack->RDLGetNext(e)) {
      const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
      int higher = IndexAt(row, 0);
      int lower = IndexAt(row, 1);

      if (ifTypeTree) {
        CTolAtom key(lower);
        key.RACoerce(eTolString);
        const CTolSnmpVarOp* ifType = RowOf(ifTypeTree->RTLGet(&key));
        const CTolAtom* type = ifType ? ifType->RSVOValue() : nullptr;
        if (!type || type->RAType() != eTolInteger || type->RAInt() != m_LowerLayerIfType) {
          TOL_TRACE(4, "Ignoring stack pair " << higher << ":" << lower
                                              << " as lower has wrong ifType\n");
          continue;
        }
      }

      TOL_TRACE(4, "::GetLogicalIfIndexVlan(), checking " << higher << ":" << lower << ".\n");
      if (higher < 1 || lower < 1) {
        TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Invalid Val. Ignoring.\n");
        continue;
      }

      // The VLAN interface may be either side of the pair.
      CTolPointer* found = logicalTree->RTLGet(higher);
      int other = lower;
      if (!found) {
        found = logicalTree->RTLGet(lower);
        other = higher;
      }
      if (!found) {
        TOL_TRACE(4, "::GetLogicalIfIndexVlan(), "
                         << higher << ":" << lower
                         << " are NOT in logicalIfIdxToVlanIdx, so  ignoring.\n");
        continue;
      }

      int vlanId = MembershipVlanId(EntryFirstVlan(EntryOf(found)));
      TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Pulled VLan Id: " << vlanId << ".\n");
      if (vlanId == -1) {
        TOL_TRACE(4, "::GetLogicalIfIndexVlan(), unable to find vlan id.\n");
        continue;
      }
      if (!cache) cache = new CTolVBList();
      CTolVarBind* pending = new CTolVarBind(CTolAtom(other), vlanId);
      if (cache->RVBLAddToListEnd(pending) != 1) delete pending;
      TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Adding Logical Infor " << other << ", Vlan Id "
                                                                      << vlanId << " to cache.\n");
    }

    delete stack;
    delete ifTypeTree;
    delete ifTypeRows;
  }

  if (cache) {
    for (const CTolVarBind* pending = cache->RVBLHead(); pending;
         pending = cache->RVBLGetNext(pending)) {
      int ifIndex = pending->RVBName() ? pending->RVBName()->RAInt() : -1;
      int vlanId = pending->RVBValue() ? pending->RVBValue()->RAInt() : -1;
      if (ifIndex == -1 || vlanId == -1) continue;
      TOL_TRACE(
          4, "::GetLogicalIfIndexVlan(), Adding cached Entry to the Logical Tree List:\nifIndex: "
                 << ifIndex << ",  VlanId: " << vlanId << "\n");
      if (AddVlanIdToTreeList(logicalTree, ifIndex, vlanId, true, false) != 1) {
        TOL_TRACE(4, "::GetLogicalIfIndexVlan(), Failed to add Entry to the Tree List\n");
      }
    }
    delete cache;
  } else {
    TOL_TRACE(1, "::GetLogicalIfIndexVlan(), No logical VLan data present.\n");
  }

  TOL_TRACE(4, "::GetLogicalIfIndexVlan(), leaving ....\n");
  return 1;
}

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
