// One device through every phase of the agent (filter, mediation phases 1 to 3, processing) over
// the replay backend, answering from a fuzzed recording, as the engine drives it. The agent, its
// message bus and its in-scope address service live for the whole run, as in the engine; each
// input gets a fresh backend, device record and stores. Whatever the recording holds, the agent
// must neither crash nor leak, and hand over only six-octet MAC addresses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "host/CDiscoAgent.h"
#include "host/CDiscoArpService.h"
#include "host/CDiscoMediationData.h"
#include "host/CDiscoPinger.h"
#include "host/CDiscoProcessedData.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CTolEngine.h"
#include "host/CTolRecord.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"
#include "host/DiscoPluginAbi.h"
#include "host/TolDebug.h"
#include "host/TolSleep.h"

namespace {

const char kAddress[] = "127.0.0.1";

class QuietPinger : public CDiscoPinger {
 public:
  int PingAll(const std::vector<std::string>&) override { return 1; }
};

struct Rig {
  Rig() : agent(DAInstantiate()) {
    agent->DAGetRequester()->DSRSetPinger(std::make_shared<QuietPinger>());
    agent->DAGetRequester()->DSRSetArpService(std::make_shared<CDiscoArpTable>());
    agent->DASetEngine(&bus);
    bus.RERegisterQueryService("TOLVANE.3.0.DISCO.QUERY",
                               [](const std::string&, std::vector<CTolRecord*>* rows) {
                                 CTolRecord* row = new CTolRecord();
                                 row->RRAddValue(new CTolVarBind("m_IpAddress", kAddress));
                                 rows->push_back(row);
                                 return 1;
                               });
  }
  CTolEngine bus;
  std::unique_ptr<CDiscoAgent> agent;  // after the bus: destroyed first
};

// A MAC field's text is six octets in the requester's form, "00:1A:2B:3C:4D:5E", or, for an
// interface's address only, empty: IF-MIB's "no address", handed over as it is.
void CheckMac(const CTolVBList& fields, const char* name, bool emptyAllowed) {
  const CTolVarBind* vb = fields.RVBLFind(name);
  if (vb == nullptr || vb->RVBValue() == nullptr || vb->RVBValue()->RAString() == nullptr) return;
  const char* mac = vb->RVBValue()->RAString();
  if (std::strlen(mac) != 17 && !(emptyAllowed && *mac == '\0')) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TolSetSleepScale(0.001);  // the ping pause between sweeps
  __Tolvane_Debug_Level = 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Rig* rig = new Rig();  // never destroyed: its reply thread outlives the last input
  auto backend = std::make_shared<CDiscoSnmprecBackend>();
  std::string error;
  if (!backend->AddDevice(kAddress, std::string(reinterpret_cast<const char*>(data), size),
                          &error)) {
    return 0;
  }
  rig->agent->DAGetRequester()->DSRSetSnmpBackend(backend);
  CTolRecord record;
  record.RRAddValue(new CTolVarBind("m_Name", "fuzzed"));
  record.RRAddValue(new CTolVarBind("m_IpAddress", kAddress));
  CDiscoMediationData med;
  CDiscoProcessedData proc;
  CDiscoAgent& agent = *rig->agent;
  agent.DABindDevice(&record, &med, &proc);
  if (agent.DAFilter(&record)) {
    for (int phase = 1; phase <= 3; ++phase) {
      agent.DASetNeRecordPhase(&record, phase);
      agent.DADoMediationLayer(&record);
    }
    agent.DADoProcessLayer(&record);
  }
  agent.DAUnbindDevice(&record);
  for (const CTolVBList* local : proc.DPDLocalNbrs()) CheckMac(*local, "m_LocalNbrPhysAddr", true);
  CTolRecord remote;
  for (size_t i = 0; i < proc.DPDRemoteCount(); ++i) {
    proc.DPDRemoteFields(i, &remote);
    CheckMac(remote.RRValues(), "m_RemoteNbrPhysAddr", false);
  }
  return 0;
}
