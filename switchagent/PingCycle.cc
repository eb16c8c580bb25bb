// The shared ping cycle of a switch agent and the resolution of MAC addresses to IP addresses.
//
// The first device to enter its forwarding-database download asks the discovery engine for the
// in-scope addresses; the answer arrives on the reply thread of m_DataReqHandler, which pings
// them all, releases the devices waiting for that first sweep, and keeps sweeping (with a long
// pause between sweeps) until no device is left in its download. Hosts that answered a ping sit
// in the engine's ARP data, which is what DSAResolveRemoteIp reads.
#include <cstdlib>
#include <cstring>

#include "host/CDiscoDataReqHandler.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolBag.h"
#include "host/CTolError.h"
#include "host/CTolPointer.h"
#include "host/CTolQryInfo.h"
#include "host/CTolRecord.h"
#include "host/CTolString.h"
#include "host/CTolThread.h"
#include "host/CTolTransport.h"
#include "host/CTolVBList.h"
#include "host/TolSleep.h"
#include "host/TolTrace.h"
#include "switchagent/CDiscoSwitchAgent.h"

namespace {

const char* const kSource = "CDiscoSwitchAgent";
const char* const kQuerySubject = "TOLVANE.3.0.DISCO.QUERY";
const char* const kIpAddressField = "m_IpAddress";
// Pause between two sweeps of the in-scope addresses.
const unsigned long kSweepPauseMs = 120000;

}  // namespace

int CDiscoSwitchAgent::DSAInitPing() {
  TOL_TRACE(4, "CDiscoSwitchAgent::DSAInitPing().\n");
  int result = 1;
  m_PingLock->RTLock();
  ++m_PingCount;

  if (m_DataReqHandler == nullptr) {
    m_DataReqHandler = new CDiscoDataReqHandler(1, DiscoSwitchAgentIpReplyThreadFn, this);
  }

  if (m_DiscoRequestSent == 0) {
    TOL_TRACE(4, "CDiscoSwitchAgent::DSAInitPing() Sending Disco request.\n");
    result = DSASendDiscoRequest();
    if (result != 1) {
      CTolError(result, kSource, __LINE__, nullptr);
    } else {
      m_DiscoRequestSent = 1;
    }
  }

  if (m_InitialPingDone == 0 && result == 1) {
    TOL_TRACE(4, "CDiscoSwitchAgent::DSAInitPing() Waiting for initial ping done.\n");
    // The reply thread sets the flag under the lock before it broadcasts, so a waiter that
    // checks it under the lock can miss no wake-up; the loop also absorbs spurious ones.
    while (m_InitialPingDone == 0) {
      m_PingLock->RTConditionWaitNoLock();
    }
    TOL_TRACE(4, "CDiscoSwitchAgent::DSAInitPing() ping done.\n");
  }

  m_PingLock->RTUnLock();
  return result;
}

int CDiscoSwitchAgent::DSAStopPing() {
  TOL_TRACE(4, "CDiscoSwitchAgent::DSAStopPing(). ");
  m_PingLock->RTLock();
  --m_PingCount;
  TOL_TRACE(4, " pingCount now " << m_PingCount << "\n");
  m_PingLock->RTUnLock();
  return 1;
}

int CDiscoSwitchAgent::DSASendDiscoRequest() {
  CTolString query;
  query.RSStrCat("select ");
  query.RSStrCat(kIpAddressField);
  query.RSStrCat(" from ");
  query.RSStrCat("translations");
  query.RSStrCat(".");
  query.RSStrCat("ipToBaseName");
  query.RSStrCat(" where (");
  query.RSStrCat("m_InScope");
  query.RSStrCat(" = 1 );");

  TOL_TRACE(4, "Sending to disco " << query.RSString() << "\n");
  const int result = CTolQryInfo::RQISendOQL(query.RSString(), kQuerySubject, m_DataReqHandler,
                                             GetEngine(), nullptr, true);
  if (result != 1) {
    CTolError(result, kSource, __LINE__, "in-scope address query could not be sent");
  }
  return result;
}

int CDiscoSwitchAgent::DSAProcessDiscoPackets(CTolQryInfo* info) {
  int result = 1;
  if (m_Transport == nullptr) {
    m_Transport = new CTolTransport(GetEngine());
  }

  if (info != nullptr && info->RQIDatum() != nullptr) {
    const int added = m_Transport->RTAddMessage(info->RQIDatum());
    if (added != 1) {
      CTolError(added, kSource, __LINE__, "reply message could not be gathered");
      result = added;
    }
  }
  delete info;

  CTolBag* bag = nullptr;
  if (m_Transport->RTDone()) {
    bag = m_Transport->RTDecodes();
    m_Transport->RTPurge();
    if (bag == nullptr) {
      CTolError(TOL_ERR_FAILED, kSource, __LINE__, "in-scope address answer could not be decoded");
    }
  }
  if (bag == nullptr) {
    return result;
  }

  delete m_PingList;
  m_PingList = new CTolAtomVector(bag->RBSize());

  CTolDoubleList* entries = bag->RBIterator();
  for (CTolListable* e = entries->RDLHead(); e != nullptr; e = entries->RDLGetNext(e)) {
    CTolPointer* node = static_cast<CTolPointer*>(e);
    CTolAtom* atom = static_cast<CTolAtom*>(node->RPData());
    if (atom == nullptr) {
      continue;
    }
    const unsigned char* bytes = nullptr;
    int length = 0;
    const int gotBytes = atom->RAUChar(&bytes, &length);
    if (gotBytes != 1) {
      CTolError(gotBytes, kSource, __LINE__, nullptr);
    } else {
      CTolRecord row;
      const int decoded = row.ROMDecode(bytes, length);
      if (decoded != 1) {
        CTolError(decoded, kSource, __LINE__, nullptr);
      } else {
        const CTolAtom* ip = row.RRValueOf(kIpAddressField);
        if (ip != nullptr) {
          m_PingList->RAVAddToEnd(new CTolAtom(*ip));
        }
      }
    }
    // The bag owns its nodes but not their atoms.
    delete atom;
    node->RPSetData(nullptr);
  }

  result = DSADoPing();
  if (result != 1) {
    CTolError(result, kSource, __LINE__, nullptr);
  }
  delete bag;
  return result;
}

int CDiscoSwitchAgent::DSADoPing() {
  if (m_PingList == nullptr) {
    CTolError(TOL_ERR_NULL, kSource, __LINE__, "no ping list");
    return TOL_ERR_NULL;
  }

  if (m_PingList->RAVSize() == 0) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__,
              "Ping list for attempted discovery ping appears to be empty.\n");
    // Release the waiting devices; with nothing to ping the agent stays without addresses.
    m_PingLock->RTLock();
    m_InitialPingDone = 1;
    m_PingLock->RTUnLock();
    m_PingLock->RTBroadcast();
    delete m_PingList;
    m_PingList = nullptr;
    return TOL_ERR_FAILED;
  }

  int result = 1;
  bool firstSweep = true;
  for (;;) {
    result = DAGetRequester()->DSRPingAll(m_PingList);
    if (result != 1) {
      CTolError(result, kSource, __LINE__, "ping sweep failed");
    }

    if (firstSweep) {
      firstSweep = false;
      m_PingLock->RTLock();
      m_InitialPingDone = 1;
      m_PingLock->RTUnLock();
      m_PingLock->RTBroadcast();
    }

    TolSleep(kSweepPauseMs);

    m_PingLock->RTLock();
    const int count = m_PingCount;
    TOL_TRACE(4, "Finished a ping, ping count now " << count << "\n");
    if (count <= 0) {
      // Back to idle in the same locked step, so that the next device starts a new cycle.
      m_DiscoRequestSent = 0;
      m_InitialPingDone = 0;
      m_PingCount = 0;
    }
    m_PingLock->RTUnLock();

    if (count <= 0) {
      break;
    }
  }

  delete m_PingList;
  m_PingList = nullptr;
  return result;
}

void CDiscoSwitchAgent::DSAResolveRemoteIp(const char* mac, CTolRecord* device, char** ip) {
  if (mac == nullptr || device == nullptr) {
    CTolError(TOL_ERR_MISSING_PART, kSource, __LINE__, "address resolution without MAC or device");
    return;
  }
  TOL_TRACE(4, "Entering CDiscoSwitchAgent::DSAResolveRemoteIp() for mac " << mac << "\n");

  const CTolAtom* spaceAtom = device->RRValueOf("m_AddressSpace");
  const char* addressSpace = spaceAtom != nullptr ? spaceAtom->RAString() : nullptr;

  CTolAtomVector* answer =
      DAGetRequester()->DSRGetARP(nullptr, mac, nullptr, nullptr, addressSpace);

  const char* found = nullptr;
  if (answer != nullptr && answer->RAVSize() == 1) {
    const CTolAtom* atom = answer->RAVGetValue(0);
    const CTolVBList* fields =
        (atom != nullptr && atom->RAType() == eTolObject) ? atom->RAObject() : nullptr;
    if (fields != nullptr) {
      for (const CTolVarBind* vb = fields->RVBLHead(); vb != nullptr;
           vb = fields->RVBLGetNext(vb)) {
        const CTolAtom* value = vb->RVBValue();
        const char* name = vb->RVBNameText();
        if (name == nullptr || value == nullptr) {
          continue;
        }
        const char* text = value->RAString();
        if (std::strcmp(name, "m_HostIp") == 0 && value->RAType() == eTolString &&
            text != nullptr && text[0] != '\0') {
          found = text;
          break;
        }
      }
    }
  }

  if (found != nullptr && ip != nullptr) {
    char* copy = strdup(found);
    if (copy == nullptr) {
      CTolError(TOL_ERR_NO_MEMORY, kSource, __LINE__, nullptr);
    } else {
      *ip = copy;
    }
  }
  delete answer;
}
