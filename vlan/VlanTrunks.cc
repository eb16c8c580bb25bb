// VLAN trunk discovery: the tag of each VLAN carried by an encapsulation interface (the VLAN-to-
// tag map) and the ports directly below an encapsulation interface in ifStackTable (the trunk-port
// set). Runs at the end of the VLAN download, on what it has just stored.
#include <cstring>

#include "host/CDiscoMediationData.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolHashStore.h"
#include "host/CTolString.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

void CDiscoExtreme3ComVlanSwitchAgent::DownloadVlanTrunkInfo(CTolRecord& device,
                                                             CDiscoMediationData& med) {
  CTolTreeList* vlanStore = static_cast<CTolTreeList*>(med.DMDGetDataPtr(ms_VlanStoreKey));
  if (!vlanStore) {
    TOL_TRACE(2, "Can't determine VLAN trunks as ms_VlanStoreKey is not available!\n");
    return;
  }

  CTolDoubleList* encapsRows =
      DAGetRequester()->DSRSnmpGetNext(&device, m_EncapsIfTagName, nullptr, nullptr);
  if (!encapsRows) {
    TOL_TRACE(2, "Can't determine VLAN trunks as there was no response to "
                     << Printable(m_EncapsIfTagName) << "\n");
    return;
  }

  // The map is stored even when empty; without it no trunk-port set is made.
  CTolTreeList* vlanToTag = new CTolTreeList(false);
  PopulateVlanToVlanTagTree(device, *encapsRows, *vlanStore, *vlanToTag);
  int rc = med.DMDAddDataPtr(ms_VlanToVlanTagKey, vlanToTag);
  if (rc != 1) {
    CTolError(rc, kSource, __LINE__, nullptr);
    DAUFDeleteTreeListAndContents(vlanToTag, eContentAtom);
  } else {
    // The ifStackStatus walk stays owned by the mediation data.
    CTolDoubleList* stackRows = med.DMDGetSnmpGetNext("ifStackStatus");
    if (stackRows) {
      CTolHashStore* trunkIfIndexes = new CTolHashStore(encapsRows->RDLLength(), false, true, 500);
      PopulateTrunkIfIndexHash(*encapsRows, *stackRows, *trunkIfIndexes);
      rc = med.DMDAddDataPtr(ms_TrunkIfIndexesKey, trunkIfIndexes);
      if (rc != 1) {
        CTolError(rc, kSource, __LINE__, nullptr);
        delete trunkIfIndexes;
      }
    }
  }
  delete encapsRows;
}

void CDiscoExtreme3ComVlanSwitchAgent::PopulateVlanToVlanTagTree(CTolRecord& device,
                                                                 CTolDoubleList& encapsRows,
                                                                 CTolTreeList& vlanStore,
                                                                 CTolTreeList& vlanToTag) {
  CTolDoubleList* descrRows = nullptr;
  CTolTreeList* descrTree = nullptr;
  if (m_EncapsIfDescrFilter) {
    descrTree = DAUFWrapSNMPInTreeList(&device, DAGetRequester(), "ifDescr", true, &descrRows,
                                       false, nullptr);
  }

  for (CTolListable* e = encapsRows.RDLHead(); e; e = encapsRows.RDLGetNext(e)) {
    const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
    const CTolAtom* tag = row->RSVOValue();
    if (!row->RSVOASN1() || !tag || tag->RAType() != eTolInteger) continue;
    int ifIndex = IndexAt(row, 0);
    const CTolVarBind* entry = EntryOf(vlanStore.RTLGet(ifIndex));
    if (!entry) continue;

    if (descrTree) {
      const CTolSnmpVarOp* descr = RowOf(descrTree->RTLGet(row->RSVOASN1()->RAAAsString()));
      const CTolAtom* text = descr ? descr->RSVOValue() : nullptr;
      if (text && text->RAType() == eTolString && text->RAString() &&
          std::strstr(text->RAString(), m_EncapsIfDescrFilter)) {
        TOL_TRACE(4, "Rejecting encapsulation interface "
                         << ifIndex << " as its ifDescr matches filter '" << m_EncapsIfDescrFilter
                         << "'\n");
        continue;
      }
    }

    const CTolVBList* vlans = EntryVlanList(entry);
    if (!vlans || !vlans->RVBLHead()) continue;
    if (vlans->RVBLLength() > 1) {
      CTolString text;
      text.RSStrCat(
          "Found an encapsulation interface corresponding to multiple VLANs -- "
          "ifIndex is ");
      text.RSStrCat(ifIndex);
      CTolError(TOL_ERR_FAILED, kSource, __LINE__, text.RSString());
    }

    int vlanId = MembershipVlanId(vlans->RVBLHead());
    CTolAtom* copy = new CTolAtom(*tag);
    if (vlanToTag.RTLAdd(vlanId, copy) != 1) {
      // A second encapsulation interface for the same VLAN: the first tag stays.
      delete copy;
      CTolError(TOL_ERR_FAILED, kSource, __LINE__,
                "Could not add VLAN to encapsulation tag mapping");
    } else {
      TOL_TRACE(4, "Added VLAN to encapsulation tag mapping: " << vlanId << " -> " << copy->RAInt()
                                                               << "\n");
    }
  }

  delete descrTree;
  delete descrRows;
}

void CDiscoExtreme3ComVlanSwitchAgent::PopulateTrunkIfIndexHash(CTolDoubleList& encapsRows,
                                                                CTolDoubleList& stackRows,
                                                                CTolHashStore& trunkIfIndexes) {
  // Every encapsulation row counts here, whether or not it gave a tag.
  CTolTreeList* encapsTree = nullptr;
  DAUFWrapSNMPInTreeList(&encapsRows, true, &encapsTree, false);
  if (!encapsTree) {
    CTolError(TOL_ERR_MISSING_PART, kSource, __LINE__,
              "Could not convert encapsulation interface list to tree");
    return;
  }

  for (CTolListable* e = stackRows.RDLHead(); e; e = stackRows.RDLGetNext(e)) {
    const CTolSnmpVarOp* row = static_cast<const CTolSnmpVarOp*>(e);
    if (!row->RSVOASN1()) continue;
    CTolAtom higher(IndexAt(row, 0));
    higher.RACoerce(eTolString);
    if (!encapsTree->RTLGet(&higher)) continue;
    int lower = IndexAt(row, 1);
    if (trunkIfIndexes.RHSAddObjectAt(static_cast<unsigned long>(lower), nullptr) == 1) {
      TOL_TRACE(4, "Port with ifIndex " << lower << " is a trunk port\n");
    }
  }

  delete encapsTree;
}
