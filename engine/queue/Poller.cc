#include "engine/queue/Poller.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/cli/PluginLocation.h"
#include "engine/cli/Secrets.h"
#include "engine/inventory/InventoryCollector.h"
#include "engine/map/TopologyCollector.h"
#include "engine/queue/RunEnd.h"
#include "engine/queue/RunTemplate.h"
#include "engine/report/ResultsJson.h"
#include "engine/run/AgentPlugin.h"
#include "engine/run/Discovery.h"
#include "engine/run/Interrupt.h"
#include "engine/store/JobQueue.h"
#include "host/TolDebug.h"
#include "host/TolSleep.h"

namespace disco {

namespace {

constexpr int kExitCannotPoll = 3;

bool Stopping() { return StopSignal() != 0; }

std::string PollerName() {
  char host[256] = {0};
  if (gethostname(host, sizeof host - 1) != 0) std::snprintf(host, sizeof host, "host");
  return std::string(host) + ":" + std::to_string(getpid());
}

// Renews the leases of the poller's jobs and run ends every third of the lease, on its own
// connection, until destroyed (or Stop()).
class LeaseRenewer {
 public:
  LeaseRenewer(std::unique_ptr<store::JobQueue> queue, double leaseSeconds, Progress& progress)
      : m_Queue(std::move(queue)), m_Progress(progress) {
    auto every = std::chrono::milliseconds(static_cast<long>(leaseSeconds * 1000 / 3));
    m_Thread = std::thread([this, every]() {
      std::unique_lock<std::mutex> lock(m_Mutex);
      while (!m_Stop) {
        if (m_Wake.wait_for(lock, every, [this]() { return m_Stop; })) break;
        std::string error;
        if (!m_Queue->Renew(&error)) m_Progress.Line("cannot renew the leases: " + error);
      }
    });
  }
  ~LeaseRenewer() { Stop(); }
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      m_Stop = true;
    }
    m_Wake.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
  }

 private:
  std::unique_ptr<store::JobQueue> m_Queue;
  Progress& m_Progress;
  std::mutex m_Mutex;
  std::condition_variable m_Wake;
  bool m_Stop = false;
  std::thread m_Thread;
};

class Poller {
 public:
  Poller(const PollOptions& options, store::JobQueue& queue, const AgentPlugin& plugin,
         Progress& progress)
      : m_Options(options), m_Queue(queue), m_Plugin(plugin), m_Progress(progress) {}

  // Reads the credentials of the devices of the poller's own scope file (--scope), which hold
  // their secrets. False with `*error` for a scope that cannot be used.
  bool LoadOwnScope(std::string* error);

  // Discovers the jobs of one run and stage: `first` (one take), then more of that run and
  // stage, each as soon as an engine thread is free, until none is left. Settles each job:
  // written, or given back. False when the process must end at once (threads left inside the
  // agent).
  bool Work(std::vector<store::TakenJob> first);

 private:
  // One run and stage being discovered: the jobs handed to its discovery, by their order there.
  struct Session {
    std::deque<store::TakenJob> jobs;
    std::deque<char> settled;  // written or given back
    // The second stage's: each device's ARP table as the first stage read it, by plan order.
    std::vector<std::optional<DeviceArp>> arpRead;
  };

  bool EntryOf(const store::TakenJob& job, DeviceEntry* entry, std::string* error) const;
  // Hands the discovery up to `free` more jobs of the session's run and stage: `*pending` (taken
  // already) or new takes. False once none is left.
  bool Feed(Discovery& discovery, Session& session, std::vector<store::TakenJob>* pending,
            std::size_t free);
  void Write(Discovery& discovery, Session& session, std::size_t i, const DeviceRun& d);
  void FinishArp(Session& session, std::size_t i, const DeviceRun& d);
  void Release(const store::TakenJob& job, const std::string& reason, bool counted);
  void GiveBack(Session& session, const std::string& reason, bool counted);
  void Settled(const store::TakenJob& job, store::JobQueue::Finished finished,
               const std::string& error);

  const PollOptions& m_Options;
  store::JobQueue& m_Queue;
  // Engine threads write through m_Queue, and the discovery's own thread takes through it;
  // also guards the sessions' jobs.
  std::mutex m_QueueMutex;
  const AgentPlugin& m_Plugin;
  Progress& m_Progress;
  std::map<std::string, CDiscoSnmpCredentials> m_Own;  // by device name
};

bool Poller::LoadOwnScope(std::string* error) {
  if (m_Options.engine.scopeFile.empty()) return true;
  ScopeDocument scope;
  DiscoveryPlan plan;
  if (!LoadScopeFile(m_Options.engine.scopeFile, &scope, error) ||
      !CheckScopeFileSecrecy(m_Options.engine.scopeFile, scope, error) ||
      !BuildDiscoveryPlan(m_Options.engine, &scope, &plan, error)) {
    return false;
  }
  for (const DeviceEntry& e : plan.devices) m_Own.emplace(e.name, e.credentials);
  return true;
}

bool Poller::EntryOf(const store::TakenJob& job, DeviceEntry* entry, std::string* error) const {
  if (!DeviceEntryFromJson(job.device, m_Options.engine.environmentSecrets, entry, error)) {
    return false;
  }
  auto mine = m_Own.find(entry->name);
  if (mine != m_Own.end()) entry->credentials = mine->second;
  return true;
}

void Poller::Settled(const store::TakenJob& job, store::JobQueue::Finished finished,
                     const std::string& error) {
  std::string what = "run " + std::to_string(job.run) + " device " + std::to_string(job.order);
  if (finished == store::JobQueue::Finished::kLost) {
    m_Progress.Line(what + ": its lease lapsed and another poller has it; not written");
  } else if (finished == store::JobQueue::Finished::kError) {
    m_Progress.Line(what + ": cannot write it: " + error);
    // Not written: the job goes back (this attempt counted) rather than hang on this poller.
    Release(job, error, true);
  }
}

void Poller::Release(const store::TakenJob& job, const std::string& reason, bool counted) {
  std::string error;
  if (!m_Queue.Release(job, reason, counted, &error)) {
    m_Progress.Line("cannot give a job back: " + error);
  }
}

void Poller::GiveBack(Session& session, const std::string& reason, bool counted) {
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  for (std::size_t i = 0; i < session.jobs.size(); ++i) {
    if (!session.settled[i]) Release(session.jobs[i], reason, counted);
    session.settled[i] = 1;
  }
}

bool Poller::Feed(Discovery& discovery, Session& session, std::vector<store::TakenJob>* pending,
                  std::size_t free) {
  const store::TakenJob& any = session.jobs.empty() ? pending->front() : session.jobs.front();
  store::TakeFilter filter;
  filter.site = m_Options.site;
  filter.limit = static_cast<int>(free);
  filter.run = any.run;
  filter.stage = any.stage;
  for (;;) {
    if (pending->empty()) {
      if (Stopping()) return false;
      std::string error;
      std::lock_guard<std::mutex> lock(m_QueueMutex);
      if (!m_Queue.Take(filter, pending, &error)) {
        m_Progress.Line("cannot take jobs: " + error);
        return false;
      }
      if (pending->empty()) return false;
    }
    bool added = false;
    for (const store::TakenJob& job : *pending) {
      DeviceEntry entry;
      std::string error;
      std::size_t order = static_cast<std::size_t>(job.order);
      const DeviceArp* read = order < session.arpRead.size() && session.arpRead[order]
                                  ? &*session.arpRead[order]
                                  : nullptr;
      if (!EntryOf(job, &entry, &error) || !discovery.AddDevice(entry, read, &error)) {
        // This device cannot start (its recording is gone): its attempt counts, the others go on.
        m_Progress.Line("run " + std::to_string(job.run) + " device " + std::to_string(job.order) +
                        ": " + error);
        std::lock_guard<std::mutex> lock(m_QueueMutex);
        Release(job, error, true);
        continue;
      }
      std::lock_guard<std::mutex> lock(m_QueueMutex);
      session.jobs.push_back(job);
      session.settled.push_back(0);
      added = true;
    }
    pending->clear();
    if (added) return true;
  }
}

void Poller::Write(Discovery& discovery, Session& session, std::size_t i, const DeviceRun& d) {
  store::TakenJob job;
  {
    std::lock_guard<std::mutex> lock(m_QueueMutex);
    job = session.jobs[i];
  }
  // Rendered alone, as device 0 of writers of one device: the run's end puts them in order.
  ResultsWriter writer(1);
  TopologyCollector topology(1);
  InventoryCollector inventory(1);
  std::string error;
  store::DeviceResult result;
  result.order = job.order;
  result.discovered = d.Status() == DeviceStatus::kDiscovered;
  if (writer.Open(&error)) {
    writer.AddDevice(0, d);
    topology.AddDevice(0, d);
    inventory.AddDevice(0, d);
    writer.ExportDevice(0, &result.results, &result.summary);
    result.topology = topology.ExportDevice(0).dump();
    result.inventory = inventory.ExportDevice(0).dump();
  }
  const DiscoveryReport& report = discovery.Report();
  result.facts = Json{{"agent",
                       {{"name", report.agentName},
                        {"description", report.agentDescription},
                        {"version", report.agentVersion},
                        {"plugin", report.pluginPath}}},
                      {"arp",
                       {{"entries", report.arp.total},
                        {"from_devices", report.arp.fromDevices},
                        {"local", report.arp.local},
                        {"from_scope", report.arp.fromScope}}}}
                     .dump();
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  if (!error.empty()) {
    Settled(job, store::JobQueue::Finished::kError, error);
  } else {
    Settled(job, m_Queue.FinishDevice(job, result, &error), error);
  }
  session.settled[i] = 1;
}

void Poller::FinishArp(Session& session, std::size_t i, const DeviceRun& d) {
  DeviceArp arp{d.system.forwardsIp, d.entry.addressSpace, d.arp, d.arpWalk};
  const std::string text = DeviceArpJson(arp).dump();
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  std::string error;
  Settled(session.jobs[i], m_Queue.FinishArp(session.jobs[i], text, &error), error);
  session.settled[i] = 1;
}

bool Poller::Work(std::vector<store::TakenJob> first) {
  const std::int64_t run = first.front().run;
  const bool arpStage = first.front().stage == "arp";
  Session session;
  std::string error, text;
  RunSettings runSettings;
  auto cannot = [&](const std::string& why) {
    m_Progress.Line("run " + std::to_string(run) + ": " + why);
    std::lock_guard<std::mutex> lock(m_QueueMutex);
    for (const store::TakenJob& job : first) Release(job, why, true);
  };
  if (!m_Queue.RunSettings(run, &text, &error) ||
      !RunSettingsFromJson(text, &runSettings, &error)) {
    cannot(error);
    return true;
  }
  DiscoverySettings settings;
  settings.threads = std::max(1, m_Options.engine.threads);
  settings.ping.timeoutMs = runSettings.pingTimeoutMs;
  settings.ping.ratePerSecond = runSettings.pingRate;
  settings.pingEnabled = runSettings.pingEnabled;
  settings.fdb = runSettings.fdb;
  settings.deviceTimeoutSeconds = runSettings.deviceTimeoutSeconds;
  settings.stopRequested = Stopping;
  settings.arpOnly = arpStage;
  if (!arpStage) {
    std::vector<std::string> arp;
    if (!m_Queue.RunArp(run, &arp, &error)) {
      cannot(error);
      return true;
    }
    settings.runArp.emplace();
    session.arpRead.resize(arp.size());
    for (std::size_t order = 0; order < arp.size(); ++order) {
      DeviceArp a;
      if (arp[order].empty() || !DeviceArpFromJson(arp[order], &a)) continue;
      settings.runArp->push_back(a);
      session.arpRead[order] = std::move(a);
    }
  }
  DiscoveryPlan plan;
  // A poller of one site sweeps what that site's devices need; one that takes any device, all.
  plan.pingAddresses =
      PingAddressesOfSite(runSettings.pingAddresses, runSettings.pingSites, m_Options.site);
  plan.staticArp = runSettings.staticArp;
  Discovery discovery(m_Plugin, plan, settings, m_Progress);
  std::vector<store::TakenJob> pending = std::move(first);
  discovery.FeedDevices([&](std::size_t free) { return Feed(discovery, session, &pending, free); });
  discovery.OnDeviceDone([&](std::size_t i, const DeviceRun& d) {
    if (d.ended == DeviceEnd::kInterrupted) return;  // given back below
    if (arpStage) {
      FinishArp(session, i, d);
    } else {
      Write(discovery, session, i, d);
    }
  });
  if (discovery.Run(&error) != RunOutcome::kDone) {
    discovery.Finish();
    first = std::move(pending);
    cannot(error);
    GiveBack(session, error, true);
    return true;
  }
  // A device the watchdog abandoned over the time limit is a result of its own, as in a run of
  // one process.
  const DiscoveryReport& report = discovery.Report();
  for (std::size_t i = 0; i < session.jobs.size(); ++i) {
    const DeviceRun& d = *report.devices[i];
    if (session.settled[i] || d.ended != DeviceEnd::kTimedOut) continue;
    if (arpStage) {
      FinishArp(session, i, d);
    } else {
      Write(discovery, session, i, d);
    }
  }
  // Devices a stop interrupted: another poller takes them.
  GiveBack(session, "its poller was stopped", false);
  if (report.stuck > 0) return false;
  discovery.Finish();
  return true;
}

// A test's way to make a poller hang with its jobs taken, as a poller whose machine froze:
// EXTREME_DISCO_TEST_STALL=STAGE stalls after taking jobs of that stage ("arp", "discover"),
// without renewing their leases, until the process is killed.
bool StallsAt(const std::string& stage) {
  const char* stall = std::getenv("EXTREME_DISCO_TEST_STALL");
  return stall != nullptr && stage == stall;
}

}  // namespace

int RunPoller(const PollOptions& options, std::ostream& err) {
  Progress progress(options.engine.quiet ? nullptr : &err);
  std::string error;
  auto fail = [&](const std::string& message) {
    err << "extreme-disco poll: " << message << std::endl;
    return kExitCannotPoll;
  };
  const std::string target = options.engine.dbTarget.value_or("");
  const std::string name = PollerName();
  std::unique_ptr<store::JobQueue> queue =
      store::JobQueue::Open(target, name, options.leaseSeconds, options.maxAttempts, &error);
  if (!queue) return fail(error);
  std::unique_ptr<store::JobQueue> renewing =
      store::JobQueue::Open(target, name, options.leaseSeconds, options.maxAttempts, &error);
  if (!renewing) return fail(error);
  std::string pluginPath =
      options.engine.pluginPath.empty() ? DefaultPluginPath() : options.engine.pluginPath;
  std::unique_ptr<AgentPlugin> plugin = AgentPlugin::Load(pluginPath, &error);
  if (!plugin) return fail(error);
  __Tolvane_Debug_Level = options.engine.debugLevel;
  if (options.engine.sleepScale) TolSetSleepScale(*options.engine.sleepScale);

  Poller poller(options, *queue, *plugin, progress);
  if (!poller.LoadOwnScope(&error)) {
    err << "extreme-disco poll: " << error << std::endl;
    return 2;
  }
  InterruptGuard interrupts;
  auto renewer =
      std::make_unique<LeaseRenewer>(std::move(renewing), options.leaseSeconds, progress);
  store::TakeFilter filter;
  filter.site = options.site;
  filter.limit = std::max(1, options.engine.threads);
  progress.Line("poller " + name + " polling " +
                (options.site.empty() ? "every site" : "site " + options.site));
  int status = 0;
  // An empty queue is looked at again soon, then less and less often up to a second apart: the
  // second stage of a run opens when another poller's last first-stage job ends.
  double idle = 0.05;
  while (!Stopping()) {
    std::int64_t run = 0;
    // The ends of runs whose last job is done: one poller claims each.
    while (!Stopping() && queue->ClaimRunEnd(&run, &error) && run != 0) {
      progress.Line("run " + std::to_string(run) + ": every job settled; inferring its topology");
      if (!EndRun(*queue, target, run, options.version, &error)) {
        progress.Line("run " + std::to_string(run) + ": cannot end it: " + error);
        error.clear();
        queue->ReleaseRunEnd(run, &error);  // an error here ends the poller below
        break;                              // claimed again after the next take, not at once
      }
      progress.Line("run " + std::to_string(run) + " complete");
    }
    std::vector<store::TakenJob> jobs;
    if (!error.empty() || !queue->Take(filter, &jobs, &error)) {
      status = fail(error);
      break;
    }
    if (jobs.empty()) {
      bool left = true;
      if (options.once && !queue->WorkLeft(filter, &left, &error)) {
        status = fail(error);
        break;
      }
      if (!left) break;
      idle = std::min(idle, options.idleSeconds);
      std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long>(idle * 1000)));
      idle *= 2;
      continue;
    }
    idle = 0.05;
    progress.Line("took " + std::to_string(jobs.size()) + " job(s) of run " +
                  std::to_string(jobs.front().run) + " (" + jobs.front().stage + ")");
    if (StallsAt(jobs.front().stage)) {
      renewer->Stop();
      progress.Line("stalling (test)");
      for (;;) pause();
    }
    if (!poller.Work(jobs)) {
      progress.Line("engine threads still inside abandoned devices; ending the process");
      std::fflush(nullptr);
      std::_Exit(Stopping() ? 128 + StopSignal() : kExitCannotPoll);
    }
  }
  renewer.reset();
  if (Stopping()) return 128 + StopSignal();
  return status;
}

}  // namespace disco
