// SNMP table helpers of the switch-agent base: walks as trees, MAC-keyed trees, local-neighbour
// keys, remote-neighbour records and the judgement of forwarding-database row statuses.
#include <cstdlib>

#include "host/CTolASN1Address.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolString.h"
#include "host/CTolTreeList.h"
#include "host/CTolVarBind.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "switchagent/CDiscoSwitchAgent.h"

namespace {

const char* const kSource = "CDiscoSwitchAgent";

}  // namespace

CTolTreeList* CDiscoSwitchAgent::DSABuildSnmpList(CTolRecord* device, __boolean byIndex,
                                                  const char* object, CTolDoubleList** raw) {
  // The object is named at level 4 only.
  TOL_TRACE(3, "CDiscoSwitchAgent::DSABuildSnmpList("
                   << (TolTraceOn(4) ? (object != nullptr ? object : "NULL") : "") << ")\n");
  CTolTreeList* tree =
      DAUFWrapSNMPInTreeList(device, DAGetRequester(), object, byIndex, raw, false, nullptr);
  TOL_TRACE(3, "leaving CDiscoSwitchAgent::DSABuildSnmpList().\n");
  return tree;
}

void CDiscoSwitchAgent::DSADeleteSnmpList(CTolTreeList* tree, CTolDoubleList* raw) {
  TOL_TRACE(3, "CDiscoSwitchAgent::DSADeleteSnmpList().\n");
  // The tree first: its nodes point at the rows that the raw list owns.
  delete tree;
  delete raw;
  TOL_TRACE(3, "leaving CDiscoSwitchAgent::DSADeleteSnmpList().\n");
}

CTolTreeList* CDiscoSwitchAgent::DSABuildMacIndexedList(CTolDoubleList* rows) {
  TOL_TRACE(3, "CDiscoSwitchAgent::DSABuildMacIndexedList()\n");
  CTolTreeList* tree = nullptr;
  if (rows != nullptr) {
    for (CTolListable* e = rows->RDLHead(); e != nullptr; e = rows->RDLGetNext(e)) {
      CTolSnmpVarOp* row = dynamic_cast<CTolSnmpVarOp*>(e);
      if (row == nullptr || row->RSVOASN1() == nullptr) {
        continue;
      }
      char* mac = DAUFConvertASN1IndexToMac(row->RSVOASN1());
      if (mac == nullptr) {
        continue;
      }
      if (tree == nullptr) {
        tree = new CTolTreeList(false);
      }
      // The tree's node for the MAC is the pointer to the row: RTLGet(mac)->RPData() is the row,
      // which stays owned by `rows`. The first row of a MAC wins.
      if (tree->RTLGet(mac) == nullptr) {
        const int added = tree->RTLAdd(mac, row);
        if (added != 1) {
          CTolError(TOL_ERR_FAILED, kSource, __LINE__, "MAC-indexed row could not be filed");
        }
      }
      free(mac);
    }
  }
  TOL_TRACE(3, "leaving CDiscoSwitchAgent::DSABuildMacIndexedList()\n");
  return tree;
}

void CDiscoSwitchAgent::DSADeleteMacIndexedList(CTolTreeList* tree) {
  TOL_TRACE(3, "CDiscoSwitchAgent::DSADeleteMacIndexedList()\n");
  delete tree;
  TOL_TRACE(3, "leaving CDiscoSwitchAgent::DSADeleteMacIndexedList()\n");
}

char* CDiscoSwitchAgent::DSAConvertIndexToMac(CTolASN1Address* index) {
  TOL_TRACE(3, "CDiscoSwitchAgent::DSAConvertIndexToMac()\n");
  char* mac = DAUFConvertASN1IndexToMac(index);
  TOL_TRACE(3, "leaving CDiscoSwitchAgent::DSAConvertIndexToMac()\n");
  return mac;
}

char* CDiscoSwitchAgent::DSADetermineKeyToUse(CTolRecord* record) {
  TOL_TRACE(3, "CDiscoSwitchAgent::DSADetermineKeyToUse()\n");
  CTolString key;
  if (record != nullptr) {
    const CTolAtom* card = record->RRValueOf("m_LocalNbrCard");
    const CTolAtom* port = record->RRValueOf("m_LocalNbrPort");
    if (card != nullptr && port != nullptr) {
      key.RSStrCat(card);
      key.RSStrCat(".");
      key.RSStrCat(port);
    } else {
      const CTolAtom* ifIndex = record->RRValueOf("m_IfIndex");
      if (ifIndex != nullptr) {
        key.RSStrCat(ifIndex);
      }
    }
  }
  char* result = key.RSStringLength() > 0 ? key.RSStringCopy() : nullptr;
  TOL_TRACE(3, "Leaving CDiscoSwitchAgent::DSADetermineKeyToUse()\n");
  return result;
}

CTolRecord* CDiscoSwitchAgent::DSABuildRemoteNbr(const char* mac, CTolRecord* device) {
  CTolRecord* remote = new CTolRecord();
  CTolVarBind* physAddr = new CTolVarBind("m_RemoteNbrPhysAddr", mac);
  const int added = remote->RRAddValue(physAddr);
  if (added != 1) {
    delete physAddr;
    delete remote;
    CTolError(added, kSource, __LINE__, nullptr);
    return nullptr;
  }

  char* ip = nullptr;
  DSAResolveRemoteIp(mac, device, &ip);
  if (ip != nullptr) {
    CTolVarBind* ipAddr = new CTolVarBind("m_RemoteNbrIpAddr", ip);
    const int ipAdded = remote->RRAddValue(ipAddr);
    if (ipAdded != 1) {
      delete ipAddr;
      CTolError(ipAdded, kSource, __LINE__, nullptr);
    }
    free(ip);
  }
  return remote;
}

int CDiscoSwitchAgent::DSAStringToInt(const char* text, int* value) {
  TOL_TRACE(3, "CDiscoSwitchAgent::DSAStringToInt().\n");
  const int result = DAUFStringToInt(text, value, 10);
  TOL_TRACE(3, "leaving CDiscoSwitchAgent::DSAStringToInt().\n");
  return result;
}

bool CDiscoSwitchAgent::IsPortStatusAcceptable(EDiscoPortStatus status) {
  switch (static_cast<int>(status)) {
    case eDiscoPortInvalid:
    case eDiscoPortSelf:
      return false;
    case eDiscoPortOther:
    case eDiscoPortLearned:
    case eDiscoPortMgmt:
      return true;
    default:
      TOL_TRACE(4, "An unexpected FDB status was seen (" << static_cast<int>(status)
                                                         << ")!  Assuming it's valid.\n");
      return true;
  }
}
