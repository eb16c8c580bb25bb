// Forwarding-database download (phase 3): pairs every MAC address the switch has learned behind a
// port with the local neighbour of that port, in a CDiscoFdbEntry under "m_SwitchFdbTable". The
// Extreme FDB table is read first; only when it yields no entry is the standard bridge table read,
// which costs the switch more CPU. The step ends with the EDP neighbour download.
#include <cstdlib>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "agent/CDiscoFdbEntry.h"
#include "agent/ExtremeAgentKeys.h"
#include "host/CDiscoMediationData.h"
#include "host/CTolAtom.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolString.h"
#include "host/CTolTreeList.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"

using NSExtremeAgent::kErrorSource;
using NSExtremeAgent::NodeData;

namespace {

// Stores a finished table under "m_SwitchFdbTable". A table the mediation data refuses is reported
// and freed: nobody else would hold it. Returns true when stored.
bool StoreFdbTable(CDiscoMediationData* med, CTolTreeList* table) {
  if (med->DMDAddDataPtr(NSExtremeAgent::kSwitchFdbTableKey, table) == 1) return true;
  CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
  DAUFDeleteTreeListAndContents(table, eContentObject);
  return false;
}

}  // namespace

int CDiscoExtremeSwitchAgent::DSADownloadAgingTime(CTolRecord* device, CDiscoMediationData* med) {
  TOL_TRACE(
      3, "CDiscoExtremeSwitchAgent::DSADownloadAgingTime(" << TolTraceRecord(device, 4) << ").\n");
  const CTolSnmpVarOp* agingTime =
      med ? med->DMDGetSnmpGet(NSExtremeAgent::kAgingTimeKey) : nullptr;
  if (!agingTime) {
    TOL_TRACE(4, "::DSADownloadAgingTime(), Failed to obtain Aging Time on device "
                     << DAUFGetEntityIdentifier(device) << "\n");
    return 0;
  }
  const CTolAtom* value = agingTime->RSVOValue();
  return value ? value->RAInt() : 0;
}

void CDiscoExtremeSwitchAgent::DSADownloadFdbTable(CTolRecord* device, CDiscoMediationData* med,
                                                   int /*agingTime*/) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DSADownloadFdbTable()\n");
  if (!device || !med) {
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return;
  }
  if (!DESADownloadExtremeFdbTable(device, med)) {
    TOL_TRACE(1, "::DSADownloadFdbTable(), Extreme FDB Table unavailable on device "
                     << DAUFGetEntityIdentifier(device)
                     << ". Falling back to dot1dTp FDB Table. May increase CPU usage\n");
    DESADownloadSingleFdbTable(device, med);
  }
  DESADownloadEdpNeighbours(device, med);
}

bool CDiscoExtremeSwitchAgent::DESADownloadExtremeFdbTable(CTolRecord* device,
                                                           CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESADownloadExtremeFdbTable()\n");
  CTolTreeList* localNbrs =
      med ? static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kLocalNbrKey)) : nullptr;
  if (!localNbrs) {
    TOL_TRACE(1,
              "::DESADownloadExtremeFdbTable(), No Local Nbr Data, ignoring Extreme FDB Table\n");
    return true;  // nothing to pair with: the bridge table would not help either
  }

  bool result = true;
  CDiscoStdRequester* requester = DAGetRequester();
  CTolDoubleList* statusRows =
      requester->DSRSnmpGetNext(device, "extremeFdbMacFdbStatus", nullptr, nullptr);
  CTolDoubleList* macRows = nullptr;
  CTolDoubleList* portRows = nullptr;
  CTolTreeList* macTree = DAUFWrapSNMPInTreeList(device, requester, "extremeFdbMacFdbMacAddress",
                                                 true, &macRows, false, nullptr);
  CTolTreeList* portTree = DAUFWrapSNMPInTreeList(device, requester, "extremeFdbMacFdbPortIfIndex",
                                                  true, &portRows, false, nullptr);

  if (!statusRows || statusRows->RDLLength() == 0 || !macTree || !portTree) {
    TOL_TRACE(1, "::DESADownloadExtremeFdbTable(), missing Extreme FDB Table data. \n");
    result = false;
  } else {
    CTolTreeList* table = nullptr;
    for (CTolListable* e = statusRows->RDLHead(); e; e = statusRows->RDLGetNext(e)) {
      DESAExtractAndAddExtremeRemoteNbr(device, static_cast<CTolSnmpVarOp*>(e), macTree, portTree,
                                        localNbrs, &table);
    }
    if (!table) {
      TOL_TRACE(1, "::DESADownloadExtremeFdbTable(), no FDB data in Extreme FDB table\n");
      result = false;
    } else {
      StoreFdbTable(med, table);  // a refused table still means the Extreme table answered
    }
  }

  delete portTree;
  delete portRows;
  delete macTree;
  delete macRows;
  delete statusRows;
  TOL_TRACE(3, "leaving CDiscoExtremeSwitchAgent::DESADownloadExtremeFdbTable()\n");
  return result;
}

void CDiscoExtremeSwitchAgent::DESAExtractAndAddExtremeRemoteNbr(
    CTolRecord* device, CTolSnmpVarOp* statusRow, CTolTreeList* macTree, CTolTreeList* portTree,
    CTolTreeList* localNbrs, CTolTreeList** table) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAExtractAndAddExtremeRemoteNbr()\n");
  if (!IsPortStatusAcceptable(DESAExtractFdbStatus(statusRow))) return;  // invalid or self

  // The three columns of one row share its instance index (VLAN ifIndex . sequence number).
  const CTolASN1Address* index = statusRow->RSVOASN1();
  const char* indexText = index ? index->RAAAsString() : nullptr;
  if (!indexText || !*indexText) {
    CTolError(TOL_ERR_MISSING_PART, kErrorSource, __LINE__, nullptr);
    return;
  }

  CTolRecord* localNbr = nullptr;
  const CTolSnmpVarOp* portRow =
      portTree ? NodeData<CTolSnmpVarOp>(portTree->RTLGet(indexText)) : nullptr;
  CTolAtom* portIfIndex = portRow ? portRow->RSVOValue() : nullptr;
  // ifIndex 0: the switch has the address but has not learned its port.
  if (portIfIndex && portIfIndex->RAInt() != 0) {
    localNbr = DESAGetLocalNbrRecord(portIfIndex, localNbrs);
  }

  if (localNbr) {
    const CTolSnmpVarOp* macRow =
        macTree ? NodeData<CTolSnmpVarOp>(macTree->RTLGet(indexText)) : nullptr;
    const CTolAtom* macValue = macRow ? macRow->RSVOValue() : nullptr;
    const char* mac = macValue ? macValue->RAString() : nullptr;
    if (mac) {
      DESAAddRemoteNbr(device, const_cast<char*>(mac), localNbr, table);
    } else {
      TOL_TRACE(1, "::DESAExtractAndAddExtremeRemoteNbr(), unable to extract remote MAC\n");
    }
  }
  TOL_TRACE(3, "leaving CDiscoExtremeSwitchAgent::DESAExtractAndAddExtremeRemoteNbr()\n");
}

void CDiscoExtremeSwitchAgent::DESADownloadSingleFdbTable(CTolRecord* device,
                                                          CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESADownloadSingleFdbTable().\n");
  if (!device || !med) {
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return;
  }

  CDiscoStdRequester* requester = DAGetRequester();
  CTolDoubleList* statusRows = nullptr;
  CTolDoubleList* portRows = nullptr;
  CTolTreeList* localNbrs =
      static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kLocalNbrKey));
  if (!localNbrs) {
    TOL_TRACE(1, "::DESADownloadSingleFdbTable(), No Local Nbr Data, ignoring FDB Table.\n");
  } else if (!(statusRows =
                   requester->DSRSnmpGetNext(device, "dot1dTpFdbStatus", nullptr, nullptr))) {
    TOL_TRACE(4, "::DESADownloadSingleFdbTable(), failed to obtain dot1dTpFdbStatus.\n");
  } else {
    portRows = requester->DSRSnmpGetNext(device, "dot1dTpFdbPort", nullptr, nullptr);
    CTolTreeList* basePorts =
        static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kBasePortIfIndexKey));
    CTolTreeList* macToPort = nullptr;
    if (!portRows || !basePorts) {
      TOL_TRACE(4,
                "::DESADownloadSingleFdbTable(), failed to obtain dot1dTpFdbPort or "
                "dot1dBasePortIfIndex.\n");
    } else if (!(macToPort = DSABuildMacIndexedList(portRows))) {
      TOL_TRACE(4, "::DESADownloadSingleFdbTable(), failed to construct mac to port table.\n");
    } else {
      CTolTreeList* table = nullptr;
      for (CTolListable* e = statusRows->RDLHead(); e; e = statusRows->RDLGetNext(e)) {
        DESAExtractAndAddRemoteNbr(device, static_cast<CTolSnmpVarOp*>(e), macToPort, basePorts,
                                   localNbrs, &table);
      }
      if (table && StoreFdbTable(med, table)) {
        TOL_TRACE(4, "::DESADownloadSingleFdbTable(), Added Remote Nbrs (FDB) To Med Data.\n");
      }
      DSADeleteMacIndexedList(macToPort);
    }
  }
  delete portRows;
  delete statusRows;
  TOL_TRACE(3, "leaving CDiscoExtremeSwitchAgent::DESADownloadSingleFdbTable().\n");
}

void CDiscoExtremeSwitchAgent::DESAExtractAndAddRemoteNbr(
    CTolRecord* device, CTolSnmpVarOp* statusRow, CTolTreeList* macToPort,
    CTolTreeList* basePortIfIndex, CTolTreeList* localNbrs, CTolTreeList** table) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAExtractAndAddRemoteNbr().\n");
  if (!statusRow) {
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
    return;
  }
  EDiscoPortStatus status = DESAExtractFdbStatus(statusRow);

  // The bridge table is indexed by the MAC address itself.
  CTolRecord* localNbr = nullptr;
  char* mac = statusRow->RSVOASN1() ? DSAConvertIndexToMac(statusRow->RSVOASN1()) : nullptr;
  if (!mac) {
    TOL_TRACE(1, "::DESAExtractAndAddRemoteNbr(), Null MAC, not adding.\n");
  } else {
    const CTolSnmpVarOp* portRow =
        macToPort ? NodeData<CTolSnmpVarOp>(macToPort->RTLGet(mac)) : nullptr;
    if (!portRow) {
      TOL_TRACE(1, "::DESAExtractAndAddRemoteNbr(), port not found for mac " << mac << ".\n");
    } else {
      CTolAtom* ifIndex = nullptr;
      const CTolAtom* bridgePort = portRow->RSVOValue();
      char* bridgePortText = bridgePort ? bridgePort->RAStrRep() : nullptr;
      if (bridgePortText && basePortIfIndex) {
        const CTolSnmpVarOp* baseRow =
            NodeData<CTolSnmpVarOp>(basePortIfIndex->RTLGet(bridgePortText));
        ifIndex = baseRow ? baseRow->RSVOValue() : nullptr;
      }
      free(bridgePortText);
      if (!ifIndex) {
        TOL_TRACE(1, "::DESAExtractAndAddRemoteNbr() can not find ifIndex for item\n");
      } else {
        localNbr = DESAGetLocalNbrRecord(ifIndex, localNbrs);
      }
    }
  }

  // Unlike the Extreme table, the status is judged after the lookups.
  if (IsPortStatusAcceptable(status) && mac && localNbr) {
    DESAAddRemoteNbr(device, mac, localNbr, table);
  } else {
    TOL_TRACE(1, "::DESAExtractAndAddRemoteNbr(), Insufficient data to add remote nbr.\n");
  }
  free(mac);
  TOL_TRACE(3, "Leaving CDiscoSwitchAgent::DSAExtractAndAddRemoteNbr().\n");
}

void CDiscoExtremeSwitchAgent::DESAAddRemoteNbr(CTolRecord* device, char* mac, CTolRecord* localNbr,
                                                CTolTreeList** table) {
  if (!mac || !localNbr || !table) {
    CTolError(TOL_ERR_NULL, kErrorSource, __LINE__, nullptr);
    return;
  }
  // One entry per MAC address: the row walked first wins, whatever its port or VLAN. Checked
  // before the record is built, so a duplicate costs no address resolution.
  if (*table && (*table)->RTLGet(mac)) {
    TOL_TRACE(1,
              "::DESAAddRemoteNbr(), ignoring duplicate remote MAC (possibly on different VLAN); "
                  << mac << "\n");
    return;
  }
  CTolRecord* remoteNbr = DSABuildRemoteNbr(mac, device);
  if (!remoteNbr) return;

  CTolString keyText;
  keyText.RSStrCat(mac);
  char* key = keyText.RSStringCopy();
  if (!key) {
    delete remoteNbr;
    CTolError(TOL_ERR_NO_MEMORY, kErrorSource, __LINE__, nullptr);
    return;
  }
  CDiscoFdbEntry* entry = new CDiscoFdbEntry();
  entry->DFERemoteNeighbour(remoteNbr);
  entry->DFEKey(key);
  entry->DFELocalNeighbour(localNbr);

  if (!*table) *table = new CTolTreeList(false);
  if ((*table)->RTLAdd(key, entry) == 1) {
    TOL_TRACE(4, "::DESAExtractAndAddRemoteNbr(), Remote Nbr Added Ok.\n");
  } else {
    delete entry;  // frees the remote record and the key
    CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
  }
}

CTolRecord* CDiscoExtremeSwitchAgent::DESAGetLocalNbrRecord(CTolAtom* ifIndex,
                                                            CTolTreeList* localNbrs) {
  if (!ifIndex || !localNbrs) return nullptr;
  int value = ifIndex->RAInt();
  // Keyed lookup by card.port; an ifIndex from 10000 up gives -1.-1, which matches nothing.
  CTolString key;
  key.RSStrCat(DESAIfIndex2Card(value));
  key.RSStrCat(".");
  key.RSStrCat(DESAIfIndex2Port(value));
  CTolPointer* node = localNbrs->RTLGet(key.RSString());
  if (node) return NodeData<CTolRecord>(node);
  TOL_TRACE(1, "::DESAGetLocalNbrRecord(), Failed to find associated local nbr for "
                   << key.RSString() << ".\n");
  return nullptr;
}

EDiscoPortStatus CDiscoExtremeSwitchAgent::DESAExtractFdbStatus(CTolSnmpVarOp* statusRow) {
  const CTolAtom* value = statusRow ? statusRow->RSVOValue() : nullptr;
  if (!value) return eDiscoPortInvalid;
  return static_cast<EDiscoPortStatus>(value->RAInt());
}
