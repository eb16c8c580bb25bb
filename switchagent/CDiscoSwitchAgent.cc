// The switch-agent base: its life cycle and the per-device driver that runs the download steps
// of each discovery phase in their fixed order.
#include "switchagent/CDiscoSwitchAgent.h"

#include "host/CDiscoDataReqHandler.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolThread.h"
#include "host/CTolTransport.h"
#include "host/TolTrace.h"

namespace {

const char* const kSource = "CDiscoSwitchAgent";

// Writes "<prefix>(" [device record at level 4] ").\n" at level 3 or more.
void TraceLayer(const char* prefix, const CTolRecord* device) {
  TOL_TRACE(3, prefix << "(" << TolTraceRecord(device, 4) << ").\n");
}

}  // namespace

CDiscoSwitchAgent::CDiscoSwitchAgent()
    : CDiscoAgent(),
      m_DataReqHandler(nullptr),
      m_DiscoRequestSent(0),
      m_InitialPingDone(0),
      m_PingCount(0),
      m_PingLock(new CTolThread()),
      m_PingList(nullptr),
      m_Transport(nullptr) {}

CDiscoSwitchAgent::~CDiscoSwitchAgent() {
  // The handler goes first: its destructor stops the reply thread, after which nothing else can
  // touch the ping list or the transport.
  if (m_DataReqHandler != nullptr) {
    delete m_DataReqHandler;
    m_DataReqHandler = nullptr;
  }
  if (m_PingList != nullptr) {
    delete m_PingList;
    m_PingList = nullptr;
  }
  if (m_PingLock != nullptr) {
    delete m_PingLock;
    m_PingLock = nullptr;
  }
  if (m_Transport != nullptr) {
    delete m_Transport;
    m_Transport = nullptr;
  }
}

void CDiscoSwitchAgent::DADoMediationLayer(CTolRecord* device) {
  TraceLayer("CDiscoSwitchAgent::DADoMediationLayer", device);

  CDiscoMediationData* med = DAGetMediationData(device);
  if (med == nullptr) {
    CTolError(TOL_ERR_NULL, kSource, __LINE__, "no mediation data for the device");
    TraceLayer("leaving CDiscoSwitchAgent::DADoMediationLayer", device);
    return;
  }

  const int phase = DAGetNeRecordPhase(device);
  if (phase == 1) {
    DSADownloadVlanInfo(device, med);
    DSADownloadLocalNeighbours(device, med);
    DSADownloadVlanTrunkInfo(*device, *med);
  } else if (phase == 3) {
    // The ping cycle brackets the forwarding-database download so that the hosts behind the
    // switch have answered pings, and so sit in the ARP data, when their MACs are resolved.
    const int initResult = DSAInitPing();
    if (initResult != 1) {
      CTolError(initResult, kSource, __LINE__, nullptr);
    }

    const int agingTime = DSADownloadAgingTime(device, med);

    TOL_TRACE(4, "checking for m_DownloadFdbData atom\n");
    int downloadFdb = 1;
    const CTolAtom* downloadAtom = device->RRValueOf("m_DownloadFdbData");
    if (downloadAtom != nullptr) {
      downloadFdb = downloadAtom->RAInt();
      TOL_TRACE(4, "got m_DownloadFdbData atom: " << downloadFdb << "\n");
    }
    if (downloadFdb == 1) {
      DSADownloadFdbTable(device, med, agingTime);
    }

    const int stopResult = DSAStopPing();
    if (stopResult != 1) {
      CTolError(stopResult, kSource, __LINE__, nullptr);
    }
  }

  DSAFurtherMediation(device, med);

  TraceLayer("leaving CDiscoSwitchAgent::DADoMediationLayer", device);
}

void CDiscoSwitchAgent::DADoProcessLayer(CTolRecord* device) {
  TraceLayer("CDiscoSwitchAgent::DADoProcessLayer", device);

  CDiscoMediationData* med = DAGetMediationData(device);
  if (med == nullptr) {
    CTolError(TOL_ERR_NULL, kSource, __LINE__, "no mediation data for the device");
    TraceLayer("leaving CDiscoSwitchAgent::DADoProcessLayer", device);
    return;
  }

  if (DAGetNeRecordPhase(device) == 3) {
    DSAProcessFdbTable(device, med);
  }
  DSAFurtherProcessing(device, med);

  TraceLayer("leaving CDiscoSwitchAgent::DADoProcessLayer", device);
}

void CDiscoSwitchAgent::DSAFurtherMediation(CTolRecord*, CDiscoMediationData*) {}

void CDiscoSwitchAgent::DSADownloadVlanTrunkInfo(CTolRecord&, CDiscoMediationData&) {}

void CDiscoSwitchAgent::DSAFurtherProcessing(CTolRecord*, CDiscoMediationData*) {}
