// Abstract switch agent for VLAN MIBs that model each VLAN as a logical interface stacked over
// encapsulation interfaces (each with a tag) and ports. The MIB's object names come from the
// subclass through the constructor. Supplies slot 24 (the VLAN download, ending with the trunk
// discovery), the per-interface VLAN fields and the release of the VLAN stores.
#pragma once

#include "switchagent/CDiscoSwitchAgent.h"

class CTolHashStore;
class CTolSnmpVarOp;
class CTolVBList;

class DISCO_EXPORT CDiscoExtreme3ComVlanSwitchAgent : public CDiscoSwitchAgent {
 public:
  // The object names are borrowed (string literals of the subclass); `lowerLayerIfType` > 0
  // restricts VLAN stack pairs to lower layers of that ifType; a non-null `encapsIfDescrFilter`
  // rejects encapsulation interfaces whose ifDescr contains it.
  CDiscoExtreme3ComVlanSwitchAgent(const char* globalMappingName, const char* globalIdName,
                                   const char* vlanDescrName, const char* stackLowerLayerName,
                                   const char* encapsIfTagName, int lowerLayerIfType,
                                   const char* encapsIfDescrFilter);
  ~CDiscoExtreme3ComVlanSwitchAgent() override = 0;

 protected:
  void DSADownloadVlanInfo(CTolRecord* device, CDiscoMediationData* med) override;  // slot 24

  // Appends the VLAN fields of the interface `ifIndex` to `fields`. Every store is borrowed and
  // may be null. Returns 1, or TOL_ERR_FAILED for a one-VLAN list without a first binding.
  int AddVLanInfo(int ifIndex, CTolVBList& fields, CTolTreeList* vlanStore, CTolTreeList* vlanDescr,
                  CTolTreeList* vlanToTag, CTolHashStore* trunkIfIndexes);
  // Removes the four VLAN stores from `med` and frees them; keys not stored are skipped.
  void CleanUpMemory(CDiscoMediationData* med);

  static const char* const ms_VlanStoreKey;       // "m_vlanStore"
  static const char* const ms_VlanDescrKey;       // "m_VlanDescr"
  static const char* const ms_VlanToVlanTagKey;   // "m_VlanToVlanTag"
  static const char* const ms_TrunkIfIndexesKey;  // "m_TrunkIfIndexes"

 private:
  int GetLogicalVlanInfo(CTolRecord* device, CTolTreeList* logicalTree, CTolTreeList** vlanDescr);
  CTolTreeList* BuildVlanDescrByID(CTolRecord* device, CTolTreeList* globalIdTree);
  int GetLogicalIfIndexVlan(CTolRecord* device, CTolTreeList* logicalTree);
  // Walks the VLAN stack table (lower layers of ifType m_LowerLayerIfType only, when it is > 0).
  // Returns a new list (caller frees) with one binding per pair that has a VLAN interface of
  // `logicalTree` on one side: name = ifIndex of the other side, value = the VLAN id; null when
  // no pair qualifies or the walk failed.
  CTolVBList* CacheStackedVlans(CTolRecord* device, CTolTreeList& logicalTree);
  // Files the VLAN of every binding of `cache` (see CacheStackedVlans), encapsulated, under the
  // binding's ifIndex in `logicalTree`.
  void AddCachedVlansToLogicalTree(const CTolVBList& cache, CTolTreeList* logicalTree);
  int GetPhysicalIfIndexVlan(CTolRecord* device, CTolTreeList* physicalTree,
                             CTolTreeList* logicalTree, CDiscoMediationData* med);
  int AddTreeListEntriesToVlanStore(CTolTreeList* vlanStore, CTolTreeList* source);
  int AddVlanIdToTreeList(CTolTreeList* tree, int ifIndex, int vlanId, bool encapsulated,
                          __boolean allowMultiple);

  void DownloadVlanTrunkInfo(CTolRecord& device, CDiscoMediationData& med);
  void PopulateVlanToVlanTagTree(CTolRecord& device, CTolDoubleList& encapsRows,
                                 CTolTreeList& vlanStore, CTolTreeList& vlanToTag);
  void PopulateTrunkIfIndexHash(CTolDoubleList& encapsRows, CTolDoubleList& stackRows,
                                CTolHashStore& trunkIfIndexes);

  const char* m_GlobalMappingName;
  const char* m_GlobalIdName;
  const char* m_VlanDescrName;
  const char* m_StackLowerLayerName;
  const char* m_EncapsIfTagName;
  int m_LowerLayerIfType;
  const char* m_EncapsIfDescrFilter;
};
