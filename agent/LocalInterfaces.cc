// Local interface discovery (phase 1): walks the interface and IP address tables of the switch and
// builds one local-neighbour record per interface, first for every ifPhysAddress row (the MAC
// pass), then for every interface that has an IP address but no ifPhysAddress row (the IP pass).
// Stores the records under "m_LocalNbr" and the bridge port table under "dot1dBasePortIfIndex",
// and has the spanning-tree states downloaded on the way.
#include <cstdlib>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "agent/ExtremeAgentKeys.h"
#include "host/CDiscoMediationData.h"
#include "host/CTolAtom.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolHashStore.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVBList.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"

using NSExtremeAgent::kErrorSource;
using NSExtremeAgent::NodeData;

namespace {

constexpr int kIfTypeEthernet = 6;  // ethernetCsmacd: assumed when the type is unknown
constexpr int kIfTypeSoftwareLoopback = 24;
constexpr int kIfTypePropVirtual = 53;  // VLAN and 802.1Q encapsulation interfaces

constexpr const char* kMacPass = "::DESABuildLocalMACInterfaces(), ";
constexpr const char* kIpPass = "::DESABuildLocalIPInterfaces(), ";

// One walked interface column: the tree filed over the rows and the list that owns them.
struct WalkedColumn {
  CTolTreeList* tree = nullptr;
  CTolDoubleList* rows = nullptr;
  void Free() {  // the tree first: its nodes point into the rows
    delete tree;
    delete rows;
    tree = nullptr;
    rows = nullptr;
  }
};

// Walks `column` into a tree keyed by index text (`byIndex`) or by value text.
WalkedColumn WalkColumn(CTolRecord* device, CDiscoStdRequester* requester, const char* column,
                        bool byIndex) {
  WalkedColumn walked;
  walked.tree =
      DAUFWrapSNMPInTreeList(device, requester, column, byIndex, &walked.rows, false, nullptr);
  return walked;
}

// Walks the bridge port -> ifIndex table into a new tree keyed by bridge port that owns the rows,
// and offers it to `med`; *stored tells whether `med` took it (the caller frees it otherwise).
// Null when the walk gave no row.
CTolTreeList* DownloadBasePorts(CTolRecord* device, CDiscoStdRequester* requester,
                                CDiscoMediationData& med, bool* stored) {
  CTolTreeList* basePorts = nullptr;
  *stored = false;
  CTolDoubleList* basePortRows =
      requester->DSRSnmpGetNext(device, NSExtremeAgent::kBasePortIfIndexKey, nullptr, nullptr);
  if (basePortRows && basePortRows->RDLLength() > 0) {
    basePorts = new CTolTreeList(false);
    DAUFStoreSnmpDLinTLByIndex(basePortRows, basePorts, false, false);
    *stored = med.DMDAddDataPtr(NSExtremeAgent::kBasePortIfIndexKey, basePorts) == 1;
    basePortRows->RDLSetHead(nullptr);  // the rows belong to the tree alone from here on
  }
  delete basePortRows;
  return basePorts;
}

// The ifType of the interface filed under `indexText`; ethernet when unknown.
int InterfaceType(CTolTreeList* ifType, const char* indexText) {
  int type = kIfTypeEthernet;
  if (ifType && indexText) DAUFGetValueFromSnmpTreeList(indexText, ifType, &type);
  return type;
}

bool IsVirtualType(int type) {
  return type == kIfTypePropVirtual || type == kIfTypeSoftwareLoopback;
}

void TraceAdderFailure(int rc, const char* pass, const char* text) {
  if (rc != 1) TOL_TRACE(1, pass << text);
}

}  // namespace

void CDiscoExtremeSwitchAgent::DSADownloadLocalNeighbours(CTolRecord* device,
                                                          CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DSADownloadLocalNeighbours().\n");
  if (!device || !med) {
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return;
  }
  TOL_TRACE(4, "::DSADownloadLocalNeighbours(), Processing Entity:\n"
                   << TolTraceRecord(device) << "\n");

  CDiscoStdRequester* requester = DAGetRequester();
  WalkedColumn ifDescr = WalkColumn(device, requester, "ifDescr", true);
  WalkedColumn ifPhysAddress = WalkColumn(device, requester, "ifPhysAddress", true);
  // Keyed by value: the ifIndex of each address.
  WalkedColumn ipAdEntIfIndex = WalkColumn(device, requester, "ipAdEntIfIndex", false);
  WalkedColumn ifOperStatus = WalkColumn(device, requester, "ifOperStatus", true);
  WalkedColumn ifType = WalkColumn(device, requester, "ifType", true);

  bool basePortsStored = false;
  CTolTreeList* basePorts = DownloadBasePorts(device, requester, *med, &basePortsStored);

  CTolTreeList* portStates =
      basePorts ? DESADownloadStpPortStateInfo(device, med, basePorts) : nullptr;

  CTolTreeList* vlanStore = static_cast<CTolTreeList*>(med->DMDGetDataPtr(ms_VlanStoreKey));
  CTolTreeList* vlanDescr = static_cast<CTolTreeList*>(med->DMDGetDataPtr(ms_VlanDescrKey));
  CTolTreeList* vlanToTag = static_cast<CTolTreeList*>(med->DMDGetDataPtr(ms_VlanToVlanTagKey));
  CTolHashStore* trunkIfIndexes =
      static_cast<CTolHashStore*>(med->DMDGetDataPtr(ms_TrunkIfIndexesKey));

  CTolTreeList* localNbrs = nullptr;
  if (ifPhysAddress.tree) {
    DESABuildLocalMacInterfaces(ifPhysAddress.tree, ifDescr.tree, ifType.tree, ipAdEntIfIndex.tree,
                                ifOperStatus.tree, vlanStore, portStates, &localNbrs, vlanDescr,
                                vlanToTag, trunkIfIndexes);
  }
  if (ipAdEntIfIndex.tree) {
    DESABuildLocalIPInterfaces(ipAdEntIfIndex.tree, ifOperStatus.tree, vlanStore, portStates,
                               ifPhysAddress.tree, ifDescr.tree, ifType.tree, &localNbrs,
                               vlanDescr);
  }

  if (!localNbrs) {
    TOL_TRACE(1, "::DSADownloadLocalNeighbours(), Could not find local interfaces.\n");
  } else if (med->DMDAddDataPtr(NSExtremeAgent::kLocalNbrKey, localNbrs) != 1) {
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    DAUFDeleteTreeListAndContents(localNbrs, eContentObject);
  }

  ifOperStatus.Free();
  ipAdEntIfIndex.Free();
  ifDescr.Free();
  ifPhysAddress.Free();
  ifType.Free();

  // Tables the mediation data refused (the key already held something) served this device's
  // records only; nobody else holds them.
  if (portStates && med->DMDGetDataPtr(NSExtremeAgent::kStpPortStatesKey) != portStates) {
    DAUFDeleteTreeListAndContents(portStates, eContentVarBind);
  }
  if (basePorts && !basePortsStored) DAUFDeleteTreeListAndContents(basePorts, eContentObject);
}

int CDiscoExtremeSwitchAgent::DESABuildLocalMacInterfaces(
    CTolTreeList* ifPhysAddress, CTolTreeList* ifDescr, CTolTreeList* ifType,
    CTolTreeList* ipAdEntIfIndex, CTolTreeList* ifOperStatus, CTolTreeList* vlanStore,
    CTolTreeList* portStates, CTolTreeList** localNbrs, CTolTreeList* vlanDescr,
    CTolTreeList* vlanToTag, CTolHashStore* trunkIfIndexes) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESABuildLocalMacInterfaces().\n");
  CTolDoubleList* nodes = ifPhysAddress ? ifPhysAddress->RTLIterator() : nullptr;
  for (CTolListable* e = nodes ? nodes->RDLHead() : nullptr; e; e = nodes->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = NodeData<CTolSnmpVarOp>(static_cast<CTolPointer*>(e));
    if (!row) continue;
    const CTolASN1Address* index = row->RSVOASN1();
    int ifIndex = index ? static_cast<int>(index->RAAAddressAt(0)) : -1;
    const char* indexText = index ? index->RAAAsString() : nullptr;
    TOL_TRACE(4, "DESABuildLocalMACInterfaces(),  ifindex: " << ifIndex << ".\n");
    if (ifIndex == -1 || !indexText || !*indexText) continue;

    CTolVBList* fields = new CTolVBList();
    int type = InterfaceType(ifType, indexText);
    if (!IsVirtualType(type)) {
      TraceAdderFailure(DESAAddPort(*fields, ifIndex), kMacPass, "Failed to add Port Data.\n");
      TraceAdderFailure(DESAAddCard(*fields, ifIndex), kMacPass, "Failed to add Card Data.\n");
    } else {
      TOL_TRACE(1,
                "::DESABuildLocalMACInterfaces() found interface of virtual type " << type << "\n");
    }
    TraceAdderFailure(DESAAddMac(*fields, row->RSVOValue()), kMacPass, "Failed to add Mac Data.\n");
    TraceAdderFailure(DESAAddDescription(*fields, indexText, ifDescr), kMacPass,
                      "Failed to add description Data.\n");
    TraceAdderFailure(DESAAddStpPortState(*fields, indexText, portStates), kMacPass,
                      "Failed to add STP Data.\n");
    DESAAddIPIfIndexAndStatusBinds(ifIndex, indexText, *fields, ifOperStatus, ipAdEntIfIndex);
    TraceAdderFailure(
        AddVLanInfo(ifIndex, *fields, vlanStore, vlanDescr, vlanToTag, trunkIfIndexes), kMacPass,
        "Failed to add VLan Data.\n");

    if (DESAAddLocalNeighbour(fields, localNbrs) == 1) {
      TOL_TRACE(1, kMacPass << "Local MAC If Added: " << ifIndex << ".\n");
    } else {
      TOL_TRACE(1, "Failed to add Local Nbr for IfIndex " << ifIndex << ".\n");
    }
  }
  TOL_TRACE(3, "leaving CDiscoExtremeSwitchAgent::DESABuildLocalMacInterfaces().\n");
  return 1;
}

int CDiscoExtremeSwitchAgent::DESABuildLocalIPInterfaces(
    CTolTreeList* ipAdEntIfIndex, CTolTreeList* ifOperStatus, CTolTreeList* vlanStore,
    CTolTreeList* portStates, CTolTreeList* ifPhysAddress, CTolTreeList* ifDescr,
    CTolTreeList* ifType, CTolTreeList** localNbrs, CTolTreeList* vlanDescr) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESABuildLocalIPInterfaces().\n");
  CTolDoubleList* nodes = ipAdEntIfIndex ? ipAdEntIfIndex->RTLIterator() : nullptr;
  for (CTolListable* e = nodes ? nodes->RDLHead() : nullptr; e; e = nodes->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = NodeData<CTolSnmpVarOp>(static_cast<CTolPointer*>(e));
    const CTolAtom* value = row ? row->RSVOValue() : nullptr;
    int ifIndex = value ? value->RAInt() : -1;
    char* indexText = value ? value->RAStrRep() : nullptr;
    // Interfaces with an ifPhysAddress row already have their record from the MAC pass.
    bool skip = ifIndex == -1 || !indexText || !*indexText ||
                (ifPhysAddress && ifPhysAddress->RTLGet(indexText));
    if (!skip) {
      CTolVBList* fields = new CTolVBList();
      DESAAddIPIfIndexAndStatusBinds(ifIndex, indexText, *fields, ifOperStatus, ipAdEntIfIndex);
      int type = InterfaceType(ifType, indexText);
      if (!IsVirtualType(type)) {
        TraceAdderFailure(DESAAddCard(*fields, ifIndex), kIpPass, "Failed to add Cards Data.\n");
        TraceAdderFailure(DESAAddPort(*fields, ifIndex), kIpPass, "Failed to add Port Data.\n");
      } else {
        TOL_TRACE(
            1, "::DESABuildLocalIPInterfaces() found interface of virtual type " << type << "\n");
      }
      TraceAdderFailure(DESAAddDescription(*fields, indexText, ifDescr), kIpPass,
                        "Failed to add description Data.\n");
      TraceAdderFailure(DESAAddStpPortState(*fields, indexText, portStates), kIpPass,
                        "Failed to add STP Data.\n");
      // No tag map and no trunk set: records of this pass never carry trunk fields.
      TraceAdderFailure(AddVLanInfo(ifIndex, *fields, vlanStore, vlanDescr, nullptr, nullptr),
                        kIpPass, "Failed to add VLan Data.\n");
      if (DESAAddLocalNeighbour(fields, localNbrs) != 1) {
        CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
      }
    }
    free(indexText);
  }
  TOL_TRACE(3, "leaving CDiscoExtremeSwitchAgent::DESABuildLocalIPInterfaces().\n");
  return 1;
}
