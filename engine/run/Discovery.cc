#include "engine/run/Discovery.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>

#include "engine/run/DeviceCollectors.h"
#include "engine/run/EngineThreads.h"
#include "engine/run/RoutingSnmpBackend.h"
#include "host/CDiscoRefusedValues.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CTolVarBind.h"
#include "host/TolSleep.h"
#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace disco {

const char* const kInScopeQuerySubject = "TOLVANE.3.0.DISCO.QUERY";

namespace {

// Counts in a device's step what walking its ARP table in an earlier step cost and met.
void CountEarlierArpWalk(DeviceRun& d) {
  const ArpWalkLog& walk = d.arpWalk;
  if (d.snmpCounters) {
    d.snmpCounters->requests += walk.cost.requests;
    d.snmpCounters->responses += walk.cost.responses;
    d.snmpCounters->varbinds += walk.cost.varbinds;
  }
  for (const auto& [column, count] : walk.refused) d.refusedMacValues[column] += count;
  if (walk.problems.empty()) return;
  // A problem met again later in the step is kept once, where it came first.
  std::vector<std::string> problems;
  auto keep = [&problems](const std::string& p) {
    if (std::find(problems.begin(), problems.end(), p) == problems.end()) problems.push_back(p);
  };
  size_t at = std::min(d.problemsBeforeArpWalk, d.valueProblems.size());
  for (size_t i = 0; i < at; ++i) keep(d.valueProblems[i]);
  for (const std::string& p : walk.problems) keep(p);
  for (size_t i = at; i < d.valueProblems.size(); ++i) keep(d.valueProblems[i]);
  d.valueProblems = std::move(problems);
}

}  // namespace

std::string IsoUtc(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm utc;
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

bool DiscoveryReport::AllDiscovered() const {
  for (const auto& d : devices) {
    if (d->Status() != DeviceStatus::kDiscovered) return false;
  }
  return true;
}

Discovery::Discovery(const AgentPlugin& plugin, DiscoveryPlan plan, DiscoverySettings settings,
                     Progress& progress)
    : m_Plugin(plugin),
      m_Plan(std::move(plan)),
      m_Settings(settings),
      m_Progress(progress),
      m_Arp(std::make_shared<CDiscoArpTable>()),
      m_Refused(std::make_shared<CDiscoRefusedValues>()),
      m_Pinger(std::make_shared<IcmpPinger>(settings.ping)) {
  m_Report.pluginPath = plugin.Path();
  m_Report.agentVersion = plugin.Version();
  m_Report.pingEnabled = settings.pingEnabled;
  if (settings.pingEnabled) m_Report.pingAddresses = m_Plan.pingAddresses;
  for (const DeviceEntry& entry : m_Plan.devices) {
    m_Report.devices.push_back(std::make_unique<DeviceRun>(entry));
  }
}

Discovery::~Discovery() { Finish(); }

bool Discovery::RegisterDevice(DeviceRun& device, bool pinned, std::string* error) {
  const DeviceEntry& d = device.entry;
  if (d.recording.empty()) {
    if (!m_Network) m_Network = std::make_shared<CDiscoNetSnmpBackend>();
    m_Network->SetCredentials(d.address, d.port, d.credentials, d.name);
    return true;
  }
  std::string why;
  if (!m_Replay->AddDeviceFile(d.address, d.recording, &why, d.port, pinned, d.name)) {
    *error = "recording " + d.recording + " of device " + d.name + ": " + why;
    return false;
  }
  device.valueProblems = m_Replay->Problems(d.address, d.port, d.name);
  if (m_Routing) m_Routing->ReplayEndpoint(d.Endpoint());
  return true;
}

bool Discovery::SetUpBackends(std::string* error) {
  m_Replay = std::make_shared<CDiscoSnmprecBackend>();
  // A run being fed may be handed devices over the network after it started.
  if (m_Feed) m_Network = std::make_shared<CDiscoNetSnmpBackend>();
  std::vector<std::string> replayed;
  for (auto& device : m_Report.devices) {
    // The first devices' recordings stay (those devices are in flight at once anyway); the
    // others are read when their device's step starts and let go when it ends.
    bool pinned = replayed.size() < static_cast<std::size_t>(std::max(1, m_Settings.threads));
    if (!RegisterDevice(*device, pinned, error)) return false;
    if (!device->entry.recording.empty()) replayed.push_back(device->entry.Endpoint());
  }
  m_Routing = std::make_shared<RoutingSnmpBackend>(m_Replay, m_Network);
  for (const std::string& endpoint : replayed) m_Routing->ReplayEndpoint(endpoint);
  std::shared_ptr<CDiscoSnmpBackend> backend = m_Routing;
  if (m_WrapBackend) backend = m_WrapBackend(backend);
  // A device that stops answering costs a few time-outs, not one per request it had left.
  m_FailFast = std::make_shared<CDiscoFailFastBackend>(backend);
  CDiscoStdRequester* requester = m_Agent->DAGetRequester();
  requester->DSRSetSnmpBackend(m_FailFast);
  requester->DSRSetPinger(m_Pinger);
  requester->DSRSetArpService(m_Arp);
  requester->DSRSetRefusedValues(m_Refused);
  return true;
}

bool Discovery::AddDevice(const DeviceEntry& entry, const DeviceArp* arpRead, std::string* error) {
  auto device = std::make_unique<DeviceRun>(entry);
  if (arpRead != nullptr) {
    device->arpReadBefore = true;
    device->arpEntries = arpRead->pairs.size();
    device->arpWalk = arpRead->walk;
  }
  // Its steps follow at once: its recording is read now and let go when they end.
  if (!RegisterDevice(*device, true, error)) return false;
  m_Agent->DABindDevice(device->record.get(), device->med.get(), device->proc.get());
  m_Report.devices.push_back(std::move(device));
  return true;
}

RunOutcome Discovery::Run(std::string* error) {
  auto start = std::chrono::steady_clock::now();
  m_Report.startedAt = IsoUtc(static_cast<std::int64_t>(std::time(nullptr)));
  TolResumeSleeps();  // a run before this one in the process may have ended them
  m_Agent = m_Plugin.Instantiate();
  if (!m_Agent) {
    *error = "the agent plug-in " + m_Plugin.Path() + " made no agent";
    return RunOutcome::kCannotRun;
  }
  if (!SetUpBackends(error)) return RunOutcome::kBadInput;

  char program[] = "extreme-disco";
  char* argv[] = {program, nullptr};
  m_Agent->RAInitApp(1, argv);  // names and describes the agent
  m_Report.agentName = m_Agent->RAGetName();
  m_Report.agentDescription = m_Agent->RAGetDesc();
  m_Agent->DASetEngine(&m_Bus);

  // The discovery engine's answer to the agent's query for the in-scope addresses.
  m_Bus.RERegisterQueryService(
      kInScopeQuerySubject, [this](const std::string& query, std::vector<CTolRecord*>* rows) {
        if (query.find("m_InScope") == std::string::npos) {
          m_Progress.Line("the agent asked an unsupported query: " + query);
          return static_cast<int>(TOL_ERR_FAILED);
        }
        for (const std::string& ip : m_Report.pingAddresses) {
          CTolRecord* row = new CTolRecord();
          row->RRAddValue(new CTolVarBind("m_IpAddress", ip.c_str()));
          rows->push_back(row);
        }
        return 1;
      });
  m_Pinger->SetObserver([this](const PingSweepResult& r) {
    if (!r.error.empty()) {
      m_Progress.Line("ping sweep " + std::to_string(r.number) + " failed: " + r.error);
    } else {
      m_Progress.Line("ping sweep " + std::to_string(r.number) + ": " + std::to_string(r.answered) +
                      " of " + std::to_string(r.addresses) + " addresses answered");
    }
  });
  m_PreviousProcessSink = TolSetProcessErrorSink(&m_EngineErrors);
  m_SinkInstalled = true;

  for (auto& d : m_Report.devices) {
    m_Agent->DABindDevice(d->record.get(), d->med.get(), d->proc.get());
  }
  m_Progress.Line(m_Report.agentName + " " + m_Report.agentVersion + ": " +
                  (m_Feed ? std::string("devices taken as engine threads free up")
                          : std::to_string(m_Report.devices.size()) + " device(s)") +
                  ", " +
                  (m_Settings.pingEnabled
                       ? std::to_string(m_Report.pingAddresses.size()) + " address(es) to ping"
                       : std::string("pinging off")) +
                  ", " + std::to_string(m_Settings.threads) + " engine thread(s)");

  auto letRecordingGo = [this](const DeviceRun& d) {
    if (!d.entry.recording.empty()) m_Replay->Release(d.entry.address, d.entry.port, d.entry.name);
  };
  // A device is through: what it found becomes results now, and its stores go.
  auto through = [this](size_t order, DeviceRun& d) {
    if (m_Network && d.entry.recording.empty()) {
      d.snmpCounters = m_Network->Counters(d.entry.DeviceKey());
      d.valueProblems = m_Network->ValueProblems(d.entry.DeviceKey());
    }
    d.snmpGivenUp = m_FailFast->GivenUp(d.entry.Endpoint(), d.entry.name);
    d.refusedMacValues = m_Refused->Take(d.entry.DeviceKey());
    if (d.arpReadBefore) CountEarlierArpWalk(d);
    if (m_DeviceDone) m_DeviceDone(order, d);
    d.proc.reset();
    d.med.reset();
    d.collected = DeviceCollections();
    std::vector<ArpPair>().swap(d.arp);
  };
  if (m_Feed) {
    // The run's ARP data is given (or not wanted): each device goes through every step at once.
    if (!m_Settings.arpOnly) BuildArpTable();
    RunPool(
        [&](DeviceRun& d) {
          PhasesOneAndTwo(d);
          if (!m_Settings.arpOnly) PhaseThree(d);
          letRecordingGo(d);
        },
        through, m_Feed);
  } else {
    RunPool([&](DeviceRun& d) {
      PhasesOneAndTwo(d);
      letRecordingGo(d);
    });
  }
  if (!m_Feed && !m_Settings.arpOnly) {
    if (!m_Report.stopped) BuildArpTable();
    RunPool(
        [&](DeviceRun& d) {
          PhaseThree(d);
          letRecordingGo(d);
        },
        through);
  }
  m_Report.sweeps = m_Pinger->Sweeps();
  m_Report.queries = m_Bus.REQueryCount(kInScopeQuerySubject);
  m_Report.engineErrors = m_EngineErrors.Records();
  m_Report.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return RunOutcome::kDone;
}

void Discovery::RunPool(const std::function<void(DeviceRun&)>& step,
                        const std::function<void(size_t, DeviceRun&)>& done,
                        const std::function<bool(size_t)>& feed) {
  PoolLimits limits;
  limits.deviceSeconds = m_Settings.deviceTimeoutSeconds;
  limits.stopRequested = [this]() {
    if (!m_Report.stopped && m_Settings.stopRequested && m_Settings.stopRequested()) {
      m_Report.stopped = true;
      m_Progress.Line("stopping: devices not through are reported as interrupted");
    }
    return m_Report.stopped;
  };
  if (limits.stopRequested()) {
    // Stopped between two pools: the devices not ended take no further step.
    for (auto& d : m_Report.devices) {
      if (d->ended == DeviceEnd::kThrough) d->ended = DeviceEnd::kInterrupted;
    }
    return;
  }
  limits.ended = [this](const DeviceRun& d) {
    m_Progress.Line(d.entry.name + " (" + d.entry.Endpoint() +
                    "): " + DeviceStatusName(d.Status()) + ": " + d.Reason());
  };
  m_Report.stuck +=
      ForEachDevice(m_Report.devices, m_Settings.threads, step, done, limits, feed).stuck;
}

void Discovery::PhasesOneAndTwo(DeviceRun& d) {
  CTolRecord* record = d.record.get();
  d.passedFilter = m_Agent->DAFilter(record) != 0;
  d.filterAnswered = d.passedFilter || d.SnmpFailures().empty();
  if (!d.passedFilter) {
    m_Progress.Line(d.entry.name + " (" + d.entry.Endpoint() +
                    "): " + DeviceStatusName(d.Status()) + ": " + d.Reason());
    // A router or a switch the agent does not take still answers the standard MIBs: the
    // engine's own collectors read it.
    if (d.Status() != DeviceStatus::kRejected) return;
  }
  for (int phase = 1; phase <= 2 && d.passedFilter && !m_Settings.arpOnly; ++phase) {
    m_Agent->DASetNeRecordPhase(record, phase);
    m_Agent->DADoMediationLayer(record);
  }
  const std::string device = d.entry.DeviceKey();
  const bool network = m_Network && d.entry.recording.empty();
  if (!d.arpReadBefore) {
    // The first step of a shared run keeps what the walk cost and met, for the device's later
    // step; what the filter met before it, that step meets again.
    const bool kept = m_Settings.arpOnly;
    CDiscoSnmpCounters before;
    size_t problemsBefore = 0;
    if (kept) m_Refused->Take(device);
    if (kept && network) {
      before = m_Network->Counters(device);
      problemsBefore = m_Network->ValueProblems(device).size();
    }
    d.arp = WalkDeviceArpTable(*m_Agent->DAGetRequester(), *record);
    d.arpEntries = d.arp.size();
    if (kept) d.arpWalk.refused = m_Refused->Take(device);
    if (kept && network) {
      CDiscoSnmpCounters after = m_Network->Counters(device);
      d.arpWalk.cost = {after.requests - before.requests, after.responses - before.responses,
                        after.varbinds - before.varbinds};
      std::vector<std::string> problems = m_Network->ValueProblems(device);
      d.arpWalk.problems.assign(problems.begin() + std::min(problemsBefore, problems.size()),
                                problems.end());
    }
  } else if (network) {
    d.problemsBeforeArpWalk = m_Network->ValueProblems(device).size();
  }
  d.system = ReadSwitchSystem(*m_Agent->DAGetRequester(), *record);
  m_Progress.Line(d.entry.name + " (" + d.entry.Endpoint() + "): phases 1 and 2 done, " +
                  std::to_string(d.arpEntries) + " ARP entries");
}

void Discovery::BuildArpTable() {
  ArpCounts& counts = m_Report.arp;
  // The first address given for a MAC address stays: routers' tables, where hosts' addresses
  // are learned, go first.
  static const std::vector<DeviceArp> kNone;
  const std::vector<DeviceArp>& given = m_Settings.runArp ? *m_Settings.runArp : kNone;
  for (bool routers : {true, false}) {
    for (const DeviceArp& d : given) {
      if (d.forwardsIp == routers) {
        counts.fromDevices += AddArpPairs(d.pairs, d.addressSpace, *m_Arp);
      }
    }
    for (const auto& d : m_Report.devices) {
      if (m_Settings.runArp) break;
      if (d->system.forwardsIp != routers) continue;
      counts.fromDevices += AddArpPairs(d->arp, d->entry.addressSpace, *m_Arp);
      std::vector<ArpPair>().swap(d->arp);  // held by the ARP table now
    }
  }
  counts.local = AddArpPairs(ReadLocalArpTable(), "", *m_Arp);
  for (const StaticArpEntry& e : m_Plan.staticArp) m_Arp->Add(e.mac, e.ip, "");
  counts.fromScope = static_cast<int>(m_Plan.staticArp.size());
  counts.total = m_Arp->Size();
  m_Progress.Line("ARP data: " + std::to_string(counts.total) + " entries (" +
                  std::to_string(counts.fromDevices) + " from devices, " +
                  std::to_string(counts.local) + " local, " + std::to_string(counts.fromScope) +
                  " from the scope)");
}

void Discovery::PhaseThree(DeviceRun& d) {
  CTolRecord* record = d.record.get();
  if (!d.passedFilter) {
    m_Agent->DAUnbindDevice(record);
    if (d.Status() != DeviceStatus::kRejected) return;
    RunCollectors(*m_Agent->DAGetRequester(), *m_Arp, m_Settings.fdb, d);
    m_Progress.Line(d.entry.name + " (" + d.entry.Endpoint() + "): read by the engine alone: " +
                    std::to_string(d.collected.interfaces.size()) + " interfaces, " +
                    std::to_string(d.collected.lldp.size()) + " LLDP neighbours" +
                    (d.collected.fdbRead ? ", " + std::to_string(d.collected.vlanFdb.size()) +
                                               " VLAN forwarding entries"
                                         : std::string()));
    return;
  }
  m_Agent->DASetNeRecordPhase(record, 3);
  m_Agent->DADoMediationLayer(record);
  m_Agent->DADoProcessLayer(record);
  for (const auto& entry : d.med->DMDDataEntries()) d.leftInMediationData.push_back(entry.first);
  m_Agent->DAUnbindDevice(record);
  RunCollectors(*m_Agent->DAGetRequester(), *m_Arp, m_Settings.fdb, d);
  size_t remote = d.proc->DPDRemoteCount();
  m_Progress.Line(
      d.entry.name + " (" + d.entry.Endpoint() + "): " + DeviceStatusName(d.Status()) + ": " +
      std::to_string(d.proc->DPDLocalNbrs().size()) + " interfaces, " + std::to_string(remote) +
      " remote neighbours, " + std::to_string(d.collected.lldp.size()) + " LLDP neighbours" +
      (d.collected.fdbRead
           ? ", " + std::to_string(d.collected.vlanFdb.size()) + " VLAN forwarding entries"
           : std::string()));
}

void Discovery::Finish() {
  if (m_Report.stuck > 0) return;
  TolEndSleeps();  // the ping cycle's pause ends now; no device is left to wait for its sweeps
  if (m_Agent) {
    for (auto& d : m_Report.devices) m_Agent->DAUnbindDevice(d->record.get());
    m_Agent.reset();  // waits for the reply thread, which the ended pause lets go
  }
  if (m_SinkInstalled) {
    TolSetProcessErrorSink(m_PreviousProcessSink);
    m_SinkInstalled = false;
  }
}

}  // namespace disco
