// One discovery run: the agent made from the plug-in and wired to the engine's services (SNMP
// through net-snmp or recordings, ICMP pings, ARP data, the message bus answering the in-scope
// address query), and every device driven through the agent's filter and phases on the engine
// threads:
//
//   phases 1 and 2, all devices   filter; mediation layer phase 1; mediation layer phase 2 and
//                                 the device's ARP table (ipNetToMediaPhysAddress)
//   (barrier)                     the ARP data of all devices, the local system and the scope
//   phase 3, all devices          mediation layer phase 3 (ping cycle, forwarding database,
//                                 EDP); processing layer phase 3 (neighbours handed over); the
//                                 engine's collectors (LLDP, VLAN-aware forwarding database)
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/collect/VlanFdbCollector.h"
#include "engine/run/AgentPlugin.h"
#include "engine/run/DeviceRun.h"
#include "engine/run/DiscoveryPlan.h"
#include "engine/run/IcmpPinger.h"
#include "engine/run/Progress.h"
#include "engine/run/RoutingSnmpBackend.h"
#include "host/CDiscoAgent.h"
#include "host/CDiscoArpService.h"
#include "host/CDiscoFailFastBackend.h"
#include "host/CDiscoRefusedValues.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CTolEngine.h"
#include "host/CTolErrorSink.h"
#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace disco {

// The subject on which the agent asks for the in-scope addresses.
extern const char* const kInScopeQuerySubject;  // "TOLVANE.3.0.DISCO.QUERY"

// One device's ARP table as an earlier step of the same run read it (runs whose devices are
// discovered by several processes).
struct DeviceArp {
  bool forwardsIp = false;  // a router: its table goes first
  std::string addressSpace;
  std::vector<ArpPair> pairs;
  ArpWalkLog walk;  // what walking the table cost and met
};

struct DiscoverySettings {
  int threads = 4;
  PingSettings ping;
  bool pingEnabled = true;       // false: the in-scope query is answered with no address
  FdbMode fdb = FdbMode::kAuto;  // when the engine reads the VLAN-aware forwarding database
  // Longest time one device may spend in the agent's steps before the watchdog abandons it as
  // timed out; 0: no limit.
  double deviceTimeoutSeconds = 0;
  // Polled while devices run; once true the run stops and the devices not through are
  // interrupted. Unset: never.
  std::function<bool()> stopRequested;
  // Read each device's ARP table and system group only, after the agent's filter (without its
  // mediation phases, which would leave data waiting for a phase 3), and report no device done:
  // the first step of a run several processes share.
  bool arpOnly = false;
  // When set, the run's ARP data from the devices is this, every device of the run in plan
  // order, instead of the tables of this plan's devices.
  std::optional<std::vector<DeviceArp>> runArp;
};

struct ArpCounts {
  int fromDevices = 0;
  int local = 0;
  int fromScope = 0;
  int total = 0;  // distinct entries in the table
};

// `seconds` since the epoch as a report's times are written: UTC, ISO 8601
// ("2026-12-07T03:48:27Z").
std::string IsoUtc(std::int64_t seconds);

// What a run found, for the results file and the summary.
struct DiscoveryReport {
  std::string agentName;
  std::string agentDescription;
  std::string agentVersion;
  std::string pluginPath;
  std::string startedAt;  // UTC, ISO 8601
  double seconds = 0;
  std::vector<std::unique_ptr<DeviceRun>> devices;  // in plan order
  std::vector<TolErrorRecord> engineErrors;         // reports raised off the engine threads
  bool pingEnabled = true;
  std::vector<std::string> pingAddresses;
  std::vector<PingSweepResult> sweeps;
  int queries = 0;  // in-scope address queries answered
  ArpCounts arp;
  bool stopped = false;  // the run was stopped before every device was through
  size_t stuck = 0;      // engine threads left inside the agent by abandoned devices

  bool AllDiscovered() const;
};

enum class RunOutcome { kDone, kBadInput, kCannotRun };

class Discovery {
 public:
  // `plugin` and `progress` are borrowed and must outlive the discovery.
  Discovery(const AgentPlugin& plugin, DiscoveryPlan plan, DiscoverySettings settings,
            Progress& progress);
  Discovery(const Discovery&) = delete;
  Discovery& operator=(const Discovery&) = delete;
  ~Discovery();  // Finish() if not done

  // Called on an engine thread as soon as a device is through all its steps (the last one it
  // could take), before its processed data is freed; the device's `order` is its index in the
  // plan. Set it before Run.
  using DeviceDone = std::function<void(size_t order, const DeviceRun& device)>;
  void OnDeviceDone(DeviceDone done) { m_DeviceDone = std::move(done); }

  // Wraps the SNMP backend (recordings and net-snmp) before the agent's requester uses it, under
  // the engine's own give-up-on-dead-devices layer; tests inject faults with it. Set before Run.
  using BackendWrapper =
      std::function<std::shared_ptr<CDiscoSnmpBackend>(std::shared_ptr<CDiscoSnmpBackend>)>;
  void WrapSnmpBackend(BackendWrapper wrap) { m_WrapBackend = std::move(wrap); }

  // Makes the run take its devices while it runs rather than all from the plan: whenever engine
  // threads are free and no device is left to start, `feed(free)` is called on the thread in
  // Run to hand over up to that many with AddDevice, and returns false once no more will come (a
  // call that adds none ends the run's intake too). Each device then goes through all its steps
  // at once, without waiting for the others, so the run's ARP data must not come from its own
  // devices: only with DiscoverySettings::runArp or arpOnly. In an arpOnly run, DeviceDone is
  // called for each device once its ARP table is read. Set before Run.
  using DeviceFeed = std::function<bool(size_t free)>;
  void FeedDevices(DeviceFeed feed) { m_Feed = std::move(feed); }
  // Adds a device to a run being fed, from within the feed; its order is the number of devices
  // before it. `arpRead`, when not null, is the device's ARP table as the run's first step read
  // it: the table is not walked again. False with `*error` when its recording cannot be read
  // (it is not added).
  bool AddDevice(const DeviceEntry& entry, const DeviceArp* arpRead, std::string* error);

  // Runs the discovery. kBadInput (a recording that cannot be read) and kCannotRun (no agent)
  // come with `*error` set and nothing discovered.
  RunOutcome Run(std::string* error);
  // The findings; complete once Run returned kDone.
  const DiscoveryReport& Report() const { return m_Report; }
  // Ends the host's pauses (so that the agent's ping cycle ends at once), destroys the agent
  // and restores the process's error sink. Idempotent. Does nothing while Report().stuck is
  // above 0: threads still inside the agent need it, and the process must end without it.
  void Finish();

 private:
  bool SetUpBackends(std::string* error);
  // Makes the device reachable: its recording read, or its credentials given to net-snmp.
  bool RegisterDevice(DeviceRun& device, bool pinned, std::string* error);
  void PhasesOneAndTwo(DeviceRun& device);
  void BuildArpTable();
  void PhaseThree(DeviceRun& device);
  // Runs `step` for every device through the engine threads and the watchdog; reports the
  // devices it ended.
  void RunPool(const std::function<void(DeviceRun&)>& step,
               const std::function<void(size_t, DeviceRun&)>& done = {},
               const std::function<bool(size_t)>& feed = {});

  const AgentPlugin& m_Plugin;
  const DiscoveryPlan m_Plan;
  const DiscoverySettings m_Settings;
  Progress& m_Progress;

  DiscoveryReport m_Report;
  CTolEngine m_Bus;
  CTolErrorLog m_EngineErrors;
  CTolErrorSink* m_PreviousProcessSink = nullptr;
  bool m_SinkInstalled = false;
  std::shared_ptr<CDiscoArpTable> m_Arp;
  // The MAC values the requester refused, per device until the device is through.
  std::shared_ptr<CDiscoRefusedValues> m_Refused;
  std::shared_ptr<IcmpPinger> m_Pinger;
  std::shared_ptr<CDiscoSnmprecBackend> m_Replay;   // the recorded devices
  std::shared_ptr<CDiscoNetSnmpBackend> m_Network;  // null when every device is replayed
  std::shared_ptr<RoutingSnmpBackend> m_Routing;
  std::shared_ptr<CDiscoFailFastBackend> m_FailFast;  // what the requester sends through
  BackendWrapper m_WrapBackend;
  DeviceFeed m_Feed;
  DeviceDone m_DeviceDone;
  std::unique_ptr<CDiscoAgent> m_Agent;  // last: destroyed first
};

}  // namespace disco
