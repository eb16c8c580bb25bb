// Processing layer (phase 3): hands the device's local neighbours and their forwarding-database and
// EDP neighbours to the engine's processed data, marks router ("rif") interfaces as having no
// connection at this layer, and frees every store the mediation layer left for the device.
#include <cstring>
#include <iostream>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "agent/CDiscoFdbEntry.h"
#include "agent/ExtremeAgentKeys.h"
#include "host/CDiscoMediationData.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolAtom.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolTreeList.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"

using NSExtremeAgent::kErrorSource;
using NSExtremeAgent::NodeData;

namespace {

constexpr const char* kCopy = "DESACopyNeighboursFromMedDataToProcData(), ";
constexpr const char* kRifPrefix = "rif";
// Fixed when the library is loaded; only read afterwards, from any engine thread.
const std::size_t s_RifPrefixLength = std::strlen(kRifPrefix);

bool IsRifInterface(const CTolRecord& localNbr) {
  const CTolAtom* descr = localNbr.RRValueOf("m_IfDescr");
  const char* text = descr && descr->RAType() == eTolString ? descr->RAString() : nullptr;
  return text && std::strncmp(text, kRifPrefix, s_RifPrefixLength) == 0;
}

// Hands a remote neighbour of every complete entry of `entries` to `proc`, paired with the
// entry's local neighbour. `kind` is "" or "EDP " for the traces.
void CopyRemoteNeighbours(CTolTreeList* entries, CDiscoProcessedData* proc, const char* kind) {
  CTolDoubleList* nodes = entries->RTLIterator();
  for (CTolListable* e = nodes->RDLHead(); e; e = nodes->RDLGetNext(e)) {
    const CDiscoFdbEntry* entry = NodeData<CDiscoFdbEntry>(static_cast<CTolPointer*>(e));
    const CTolRecord* localNbr = entry ? entry->DFELocalNeighbour() : nullptr;
    const CTolRecord* remoteNbr = entry ? entry->DFERemoteNeighbour() : nullptr;
    if (!localNbr || !remoteNbr) continue;
    TOL_TRACE(4, "Adding " << kind << "Nbr conn - local Int: " << TolTraceRecord(localNbr)
                           << " Nbr: " << TolTraceRecord(remoteNbr) << "\n");
    CTolVBList* remote = remoteNbr->RRCopyValues();
    TOL_TRACE(4, kCopy << "Adding " << kind << "remote neighbour to proc data\n");
    proc->DPDAddRemoteNbr(localNbr, remote);
  }
}

// Removes the tree under `key` from `med` and frees it with its contents; nothing when absent.
void RemoveAndFree(CDiscoMediationData* med, const char* key, EContentType contents) {
  void* tree = med->DMDRemoveDataPtr(key);
  if (tree) DAUFDeleteTreeListAndContents(static_cast<CTolTreeList*>(tree), contents);
}

}  // namespace

void CDiscoExtremeSwitchAgent::DSAProcessFdbTable(CTolRecord* device, CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DSAProcessFdbTable().\n");
  if (!med) {
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return;
  }
  CDiscoProcessedData* proc = DAGetProcessedData(device);
  if (!proc) {
    // Nothing handed over and nothing freed: the stores stay with the mediation data.
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return;
  }
  DESACopyNeighboursFromMedDataToProcData(med, proc);
  CheckRIFInterfaces(*med, *proc);
  DESACleanUpMemory(med);
}

int CDiscoExtremeSwitchAgent::DESACopyNeighboursFromMedDataToProcData(CDiscoMediationData* med,
                                                                      CDiscoProcessedData* proc) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESACopyNeighboursFromMedDataToProcData().\n");
  if (!med || !proc) return 1;
  CTolTreeList* localNbrs =
      static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kLocalNbrKey));
  if (!localNbrs) return 1;  // remote neighbours need their local side

  CTolDoubleList* nodes = localNbrs->RTLIterator();
  for (CTolListable* e = nodes->RDLHead(); e; e = nodes->RDLGetNext(e)) {
    const CTolRecord* localNbr = NodeData<CTolRecord>(static_cast<CTolPointer*>(e));
    if (!localNbr) continue;
    CTolVBList* values = localNbr->RRCopyValues();
    TOL_TRACE(1, kCopy << "Adding local neighbour to proc data\n");
    proc->DPDAddLocalNbr(values);
  }

  CTolTreeList* fdbTable =
      static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kSwitchFdbTableKey));
  if (!fdbTable) {
    TOL_TRACE(4, "::" << kCopy << "NULL ptr for remote nbr info in Med Data.\n");
  } else {
    CopyRemoteNeighbours(fdbTable, proc, "");
  }

  CTolTreeList* edpTable =
      static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kEdpNbrsKey));
  if (!edpTable) {
    TOL_TRACE(4, "::" << kCopy << "NULL ptr for EDP remote nbr info in Med Data.\n");
  } else {
    CopyRemoteNeighbours(edpTable, proc, "EDP ");
  }
  return 1;
}

void CDiscoExtremeSwitchAgent::CheckRIFInterfaces(CDiscoMediationData& med,
                                                  CDiscoProcessedData& proc) {
  CTolTreeList* localNbrs =
      static_cast<CTolTreeList*>(med.DMDGetDataPtr(NSExtremeAgent::kLocalNbrKey));
  if (!localNbrs) return;
  CTolDoubleList* nodes = localNbrs->RTLIterator();
  for (CTolListable* e = nodes->RDLHead(); e; e = nodes->RDLGetNext(e)) {
    const CTolRecord* localNbr = NodeData<CTolRecord>(static_cast<CTolPointer*>(e));
    if (!localNbr || !IsRifInterface(*localNbr)) continue;
    TOL_TRACE(4, "Virtual Local Interface with no connections:" << std::endl
                                                                << TolTraceRecord(localNbr)
                                                                << "\n");
    CTolVBList* noConnection = new CTolVBList();
    noConnection->RVBLAddToListEnd(new CTolVarBind("m_NoConnectionAtThisLayer", 1));
    proc.DPDAddRemoteNbr(localNbr, noConnection);
  }
}

void CDiscoExtremeSwitchAgent::DESACleanUpMemory(CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESACleanUpMemory().\n");
  if (!med) return;
  // The entries never touch their local neighbour when destroyed, so the local-neighbour records
  // may go first.
  RemoveAndFree(med, NSExtremeAgent::kLocalNbrKey, eContentObject);
  RemoveAndFree(med, NSExtremeAgent::kSwitchFdbTableKey, eContentObject);
  RemoveAndFree(med, NSExtremeAgent::kEdpNbrsKey, eContentObject);
  RemoveAndFree(med, NSExtremeAgent::kStpPortStatesKey, eContentVarBind);
  RemoveAndFree(med, NSExtremeAgent::kBasePortIfIndexKey, eContentObject);
  CleanUpMemory(med);
}
