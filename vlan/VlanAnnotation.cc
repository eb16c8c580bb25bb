// The VLAN fields of a local-neighbour record, read from the four VLAN structures of the device,
// and the release of those structures when the device is done.
#include "host/CDiscoMediationData.h"
#include "host/CTolAtomVector.h"
#include "host/CTolHashStore.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

namespace {

// Appends a field; the list owns it from then on (a field it refuses is freed).
void AppendField(CTolVBList& fields, CTolVarBind* field) {
  if (fields.RVBLAddToListEnd(field) != 1) delete field;
}

// Appends a field whose value is an atom over `vector` (taken over).
void AppendVectorField(CTolVBList& fields, const char* name, CTolAtomVector* vector) {
  CTolAtom* value = new CTolAtom(vector);
  AppendField(fields, new CTolVarBind(name, &value));
}

// The text filed under `vlanId` in the description tree (borrowed), or null.
const char* DescriptionOf(const CTolTreeList* vlanDescr, int vlanId) {
  const CTolPointer* node = vlanDescr ? vlanDescr->RTLGet(vlanId) : nullptr;
  return node ? static_cast<const char*>(node->RPData()) : nullptr;
}

// The tag atom filed under `vlanId` in the VLAN-to-tag map (borrowed), or null.
const CTolAtom* TagOf(const CTolTreeList* vlanToTag, int vlanId) {
  const CTolPointer* node = vlanToTag ? vlanToTag->RTLGet(vlanId) : nullptr;
  return node ? static_cast<const CTolAtom*>(node->RPData()) : nullptr;
}

// The VLAN list filed under `ifIndex` in the VLAN store (borrowed), or null.
const CTolVBList* StoredVlans(const CTolTreeList& vlanStore, int ifIndex) {
  TOL_TRACE(4, "::AddVLanInfo(), Attempting to Obtain VLan ID For IfIndex " << ifIndex << "\n");
  const CTolPointer* node = vlanStore.RTLGet(ifIndex);
  if (!node) {
    TOL_TRACE(4,
              "::AddVLanInfo(), No Vlan Info For IfIndex " << ifIndex << ", assuming default.\n");
    return nullptr;
  }
  return EntryVlanList(EntryOf(node));
}

// Appends the trunk fields of a trunk port carrying the one VLAN `vlanId`, tagged `tag`.
void AppendTrunkFields(CTolVBList& fields, int vlanId, const CTolAtom& tag) {
  CTolAtomVector* trunkedVlans = new CTolAtomVector(1);
  trunkedVlans->RAVAddToEnd(new CTolAtom(vlanId));
  CTolAtomVector* trunkedTags = new CTolAtomVector(1);
  trunkedTags->RAVAddToEnd(new CTolAtom(tag));
  AppendVectorField(fields, "m_TrunkedVlans", trunkedVlans);
  AppendVectorField(fields, "m_TrunkedVlanTags", trunkedTags);
}

// Appends the fields of an interface carrying several VLANs: "m_LocalNbrVlanData", one binding
// list per VLAN (its id, its encapsulated flag when known, its description when there is one).
// On a trunk port (`trunkTags`, the VLAN-to-tag map, non-null) also the trunk fields: the VLANs
// that have a tag and their tags, both possibly empty.
void AppendVlanDataFields(CTolVBList& fields, const CTolVBList& vlans,
                          const CTolTreeList* vlanDescr, const CTolTreeList* trunkTags) {
  const int count = vlans.RVBLLength();
  CTolAtomVector* trunkedVlans = trunkTags ? new CTolAtomVector(count) : nullptr;
  CTolAtomVector* trunkedTags = trunkTags ? new CTolAtomVector(count) : nullptr;
  CTolAtomVector* data = new CTolAtomVector(1);
  for (const CTolVarBind* m = vlans.RVBLHead(); m; m = vlans.RVBLGetNext(m)) {
    const int id = MembershipVlanId(m);
    CTolVBList* perVlan = new CTolVBList();
    AppendField(*perVlan, new CTolVarBind("m_LocalNbrVlan", id));
    if (m->RVBValue()) {
      AppendField(*perVlan, new CTolVarBind("m_Encapsulated", m->RVBValue()));
    }
    if (const char* descr = DescriptionOf(vlanDescr, id)) {
      AppendField(*perVlan, new CTolVarBind("m_LocalNbrVlanDescr", descr));
    }
    data->RAVAddToEnd(new CTolAtom(perVlan));
    const CTolAtom* tag = trunkTags ? TagOf(trunkTags, id) : nullptr;
    if (tag) {
      trunkedVlans->RAVAddToEnd(new CTolAtom(id));
      trunkedTags->RAVAddToEnd(new CTolAtom(*tag));
    }
  }
  AppendVectorField(fields, "m_LocalNbrVlanData", data);
  if (trunkedVlans) {
    AppendVectorField(fields, "m_TrunkedVlans", trunkedVlans);
    AppendVectorField(fields, "m_TrunkedVlanTags", trunkedTags);
  }
}

}  // namespace

int CDiscoExtreme3ComVlanSwitchAgent::AddVLanInfo(int ifIndex, CTolVBList& fields,
                                                  CTolTreeList* vlanStore, CTolTreeList* vlanDescr,
                                                  CTolTreeList* vlanToTag,
                                                  CTolHashStore* trunkIfIndexes) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::AddVLanInfo().\n");
  int vlanId = 1;
  const char* text = kDefaultVlanDescr;
  if (const char* vlan1 = DescriptionOf(vlanDescr, 1)) text = vlan1;

  // Trunk fields only where the interface is a trunk port and both trunk structures are given
  // (never in the IP-interface pass, which passes neither).
  const bool trunkPort = vlanToTag && trunkIfIndexes &&
                         trunkIfIndexes->RHSRetrieveObject(static_cast<unsigned long>(ifIndex));

  const CTolVBList* vlans = vlanStore ? StoredVlans(*vlanStore, ifIndex) : nullptr;
  if (vlans && vlans->RVBLLength() == 1) {
    const CTolVarBind* membership = vlans->RVBLHead();
    if (!membership) {
      TOL_TRACE(4, "::AddVLanInfo(), error, head in Vlan id list is null.\n");
      return TOL_ERR_FAILED;
    }
    vlanId = MembershipVlanId(membership);
    TOL_TRACE(4, "::AddVLanInfo(), Adding Vlan Info " << vlanId << "\n");
    if (const char* own = DescriptionOf(vlanDescr, vlanId)) text = own;
    const CTolAtom* tag = trunkPort ? TagOf(vlanToTag, vlanId) : nullptr;
    if (tag) AppendTrunkFields(fields, vlanId, *tag);
    // The VLAN and its description follow as the last step, shared with the default.
  } else if (vlans && vlans->RVBLLength() > 1) {
    AppendVlanDataFields(fields, *vlans, vlanDescr, trunkPort ? vlanToTag : nullptr);
    return 1;
  }

  TOL_TRACE(4, "::AddVLanInfo(), Adding Default Vlan ID.\n");
  AppendField(fields, new CTolVarBind("m_LocalNbrVlan", vlanId));
  AppendField(fields, new CTolVarBind("m_LocalNbrVlanDescr", text));
  return 1;
}

void CDiscoExtreme3ComVlanSwitchAgent::CleanUpMemory(CDiscoMediationData* med) {
  if (!med) return;
  // The ifStackStatus walk stored by the VLAN download stays with the mediation data.
  DAUFDeleteTreeListAndContents(static_cast<CTolTreeList*>(med->DMDRemoveDataPtr(ms_VlanStoreKey)),
                                eContentVarBind);
  DAUFDeleteTreeListAndContents(static_cast<CTolTreeList*>(med->DMDRemoveDataPtr(ms_VlanDescrKey)),
                                eContentText);
  DAUFDeleteTreeListAndContents(
      static_cast<CTolTreeList*>(med->DMDRemoveDataPtr(ms_VlanToVlanTagKey)), eContentAtom);
  delete static_cast<CTolHashStore*>(med->DMDRemoveDataPtr(ms_TrunkIfIndexesKey));
}
