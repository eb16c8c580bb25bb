// EDP neighbour download: the Extreme Discovery Protocol table lists, per local port, the switches
// heard on it with their slot and port. Each neighbour on each local port becomes a remote
// neighbour of that port's local-neighbour record, in a CDiscoFdbEntry under "m_extremeEdpNbrs".
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

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
#include "host/CTolVarBind.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"

using NSExtremeAgent::kErrorSource;
using NSExtremeAgent::NodeData;

namespace {

constexpr const char* kDownload = "::DESADownloadEdpNeighbours(), ";
constexpr const char* kExtract = "::DESAExtractEDPData(), ";

// Index of an EDP row: local ifIndex, then the eight-octet neighbour identifier whose last six
// octets are the neighbour's MAC address.
constexpr int kMacFirstSubId = 3;
constexpr int kMacOctets = 6;
constexpr std::size_t kMacTextSize = 18;  // "XX:XX:XX:XX:XX:XX" and the terminator

// The MAC text of sub-identifiers 3..8 of `index` in a new heap buffer (free()). Null when the
// index is too short or one of them is not an octet, so that the text always fits the buffer;
// reports TOL_ERR_NO_MEMORY when the buffer cannot be had.
char* EdpIndexToMac(const CTolASN1Address& index) {
  unsigned octets[kMacOctets];
  for (int i = 0; i < kMacOctets; ++i) {
    long subId = index.RAAAddressAt(kMacFirstSubId + i);  // -1 past the end
    if (subId < 0 || subId > 255) return nullptr;
    octets[i] = static_cast<unsigned>(subId);
  }
  char* mac = static_cast<char*>(malloc(kMacTextSize));
  if (!mac) {
    CTolError(TOL_ERR_NO_MEMORY, kErrorSource, __LINE__, nullptr);
    return nullptr;
  }
  memset(mac, 0, kMacTextSize);
  snprintf(mac, kMacTextSize, "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X", octets[0], octets[1], octets[2],
           octets[3], octets[4], octets[5]);
  return mac;
}

}  // namespace

void CDiscoExtremeSwitchAgent::DESADownloadEdpNeighbours(CTolRecord* device,
                                                         CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESADownloadEdpNeighbours()\n");
  CTolTreeList* localNbrs =
      med ? static_cast<CTolTreeList*>(med->DMDGetDataPtr(NSExtremeAgent::kLocalNbrKey)) : nullptr;
  if (!localNbrs) {
    TOL_TRACE(1, kDownload << "No Local Nbr Data, ignoring EDP Table.\n");
  } else {
    CDiscoStdRequester* requester = DAGetRequester();
    CTolDoubleList* slotRows = nullptr;
    CTolTreeList* slotTree = nullptr;
    CTolDoubleList* portRows =
        requester->DSRSnmpGetNext(device, "extremeEdpNeighborPort", nullptr, nullptr);
    if (!portRows) {
      TOL_TRACE(4, kDownload << "Failed to obtain extremeEdpNeighborPort\n");
    } else {
      slotTree = DAUFWrapSNMPInTreeList(device, requester, "extremeEdpNeighborSlot", true,
                                        &slotRows, false, nullptr);
      if (!slotTree || !slotRows) {
        TOL_TRACE(4, "::DESADownloadEdpNeighbours(), Failed to obtain extremeEdpNeighborSlot.\n");
      }
    }

    if (portRows && slotTree && slotRows) {
      CTolTreeList* table = nullptr;
      for (CTolListable* e = portRows->RDLHead(); e; e = portRows->RDLGetNext(e)) {
        AddEdpNeighbour(device, *static_cast<CTolSnmpVarOp*>(e), *slotTree, *localNbrs, &table);
      }

      if (table) {
        TOL_TRACE(1, kDownload << "Adding EDP Table To Med Data\n");
        if (med->DMDAddDataPtr(NSExtremeAgent::kEdpNbrsKey, table) != 1) {
          CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
          DAUFDeleteTreeListAndContents(table, eContentObject);  // held by nobody otherwise
        }
      } else {
        TOL_TRACE(1, kDownload << "No EDP Neighbours Found\n");
      }
    }
    delete portRows;
    delete slotTree;  // before the rows it points into
    delete slotRows;
  }
  TOL_TRACE(3, "Leaving CDiscoExtremeSwitchAgent::DESADownloadEdpNeighbours()\n");
}

void CDiscoExtremeSwitchAgent::AddEdpNeighbour(CTolRecord* device, CTolSnmpVarOp& portRow,
                                               CTolTreeList& slotTree, CTolTreeList& localNbrs,
                                               CTolTreeList** table) {
  int ifIndex = -1, localPort = -1, localCard = -1, remotePort = -1, remoteCard = -1;
  char* remoteMac = nullptr;
  DESAExtractEDPData(portRow, slotTree, ifIndex, localPort, localCard, &remoteMac, remotePort,
                     remoteCard);
  if (localPort == -1 || localCard == -1 || remotePort == -1 || remoteCard == -1 || !remoteMac) {
    TOL_TRACE(4, kDownload << "Insufficient data for remote nbr: " << localPort << ", card "
                           << localCard << ", " << (remoteMac ? remoteMac : "NULL") << ".\n");
  } else {
    CTolString key;
    key.RSStrCat(localCard);
    key.RSStrCat(".");
    key.RSStrCat(localPort);
    CTolRecord* localNbr = NodeData<CTolRecord>(localNbrs.RTLGet(key.RSString()));
    if (!localNbr) {
      TOL_TRACE(4, kDownload << "Failed to find corresponding local Nbr for key " << key.RSString()
                             << ".\n");
    } else {
      DESAAddEDPRemoteNbr(device, localNbr, remoteMac, remotePort, remoteCard, ifIndex, table);
    }
  }
  free(remoteMac);
}

void CDiscoExtremeSwitchAgent::DESAExtractEDPData(CTolSnmpVarOp& portRow, CTolTreeList& slotTree,
                                                  int& ifIndex, int& localPort, int& localCard,
                                                  char** remoteMac, int& remotePort,
                                                  int& remoteCard) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAExtractEDPData()\n");
  const CTolASN1Address* index = portRow.RSVOASN1();
  long localIfIndex = index ? index->RAAAddressAt(0) : -1;
  if (localIfIndex < 0 || localIfIndex > INT_MAX) {
    TOL_TRACE(4, kExtract << "invalid ifIndex.\n");
  } else {
    ifIndex = static_cast<int>(localIfIndex);
    localPort = DESAIfIndex2Port(ifIndex);
    localCard = DESAIfIndex2Card(ifIndex);
    TOL_TRACE(4, kExtract << "ifIndex: " << ifIndex << ".\n"
                          << kExtract << "port: " << localPort << ".\n"
                          << kExtract << "card: " << localCard << ".\n");
    if (localPort < 0 || localCard < 1) {
      TOL_TRACE(4, kExtract << "invalid card/port.\n");
    } else {
      const CTolAtom* port = portRow.RSVOValue();
      if (port && port->RAType() == eTolInteger) remotePort = port->RAInt();
      DAUFGetValueFromSnmpTreeList(index->RAAAsString(), &slotTree, &remoteCard);
      if (remoteMac) *remoteMac = EdpIndexToMac(*index);
      TOL_TRACE(4, kExtract << "remote card: " << remoteCard << std::endl
                            << kExtract << "remote port: " << remotePort << std::endl
                            << kExtract << "remote MAC: "
                            << (remoteMac && *remoteMac ? *remoteMac : "NULL") << "\n");
    }
  }
  TOL_TRACE(3, "Leaving CDiscoExtremeSwitchAgent::DESAExtractEDPData()\n");
}

void CDiscoExtremeSwitchAgent::DESAAddEDPRemoteNbr(CTolRecord* device, CTolRecord* localNbr,
                                                   char* remoteMac, int remotePort, int remoteCard,
                                                   int ifIndex, CTolTreeList** table) {
  TOL_TRACE(3, "CDiscoExtremeSwitchAgent::DESAAddEDPRemoteNbr().\n");
  CTolRecord* remoteNbr =
      localNbr && remoteMac && table ? DSABuildRemoteNbr(remoteMac, device) : nullptr;
  if (remoteNbr) {
    CTolVarBind* card = new CTolVarBind("m_Card", remoteCard);
    int rc = remoteNbr->RRAddValue(card);
    if (rc != 1) {
      delete card;
      CTolError(rc, kErrorSource, __LINE__, nullptr);
    }
    CTolVarBind* port = new CTolVarBind("m_Port", remotePort);
    rc = remoteNbr->RRAddValue(port);
    if (rc != 1) {
      delete port;
      CTolError(rc, kErrorSource, __LINE__, nullptr);
    }

    // One entry per neighbour and local port: EDP.<ifIndex>.<MAC>.
    CTolString keyText;
    keyText.RSStrCat("EDP");
    keyText.RSStrCat(".");
    keyText.RSStrCat(ifIndex);
    keyText.RSStrCat(".");
    keyText.RSStrCat(remoteMac);
    char* key = keyText.RSStringCopy();
    if (!key) {
      delete remoteNbr;
      CTolError(TOL_ERR_NO_MEMORY, kErrorSource, __LINE__, nullptr);
    } else {
      CDiscoFdbEntry* entry = new CDiscoFdbEntry();
      entry->DFERemoteNeighbour(remoteNbr);
      entry->DFEKey(key);
      entry->DFELocalNeighbour(localNbr);
      if (!*table) *table = new CTolTreeList(false);
      if ((*table)->RTLAdd(key, entry) != 1) {
        delete entry;  // frees the remote record and the key
        CTolError(TOL_ERR_FAILED, kErrorSource, __LINE__, nullptr);
      }
    }
  }
  TOL_TRACE(3, "leaving CDiscoExtremeSwitchAgent::DESAAddEDPRemoteNbr().\n");
}
