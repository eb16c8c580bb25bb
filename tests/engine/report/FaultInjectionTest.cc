// Discovery runs over recordings with faults injected under the engine's give-up layer: every
// device ends with its outcome, a device that dies is given up after three time-outs without
// slowing the others, a table cut short never shows up as rows, and the untouched device finds
// exactly what it finds in a quiet run.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/report/ResultsJson.h"
#include "engine/run/AgentPlugin.h"
#include "engine/run/Discovery.h"
#include "host/TolTypes.h"
#include "support/FaultInjectionBackend.h"

namespace {

using disco::DeviceStatus;

const std::vector<unsigned long> kAgingTime = {1, 3, 6, 1, 2, 1, 17, 4, 2, 0};
const std::vector<unsigned long> kExtremeFdb = {1, 3, 6, 1, 4, 1, 1916, 1, 16};
const std::vector<unsigned long> kBridgeFdb = {1, 3, 6, 1, 2, 1, 17, 4, 3};
const std::vector<unsigned long> kIfTable = {1, 3, 6, 1, 2, 1, 2, 2};

// What a device ended with.
struct Outcome {
  DeviceStatus status = DeviceStatus::kDiscovered;
  std::string reason;
  size_t snmpFailures = 0;
  bool givenUp = false;
  size_t remotes = 0;
  std::string neighbours;  // as in the results file
  int done = 0;            // times the engine said it was through
};

struct RunResult {
  std::map<std::string, Outcome> devices;  // by name
  std::shared_ptr<FaultInjectionBackend> faults;
};

// Names of the devices: each replays edge-1 of the sample network at its own address.
const char* const kNames[] = {"quiet",    "dies",        "fdb-cut",   "fdb-fails",
                              "wrong-if", "filter-lost", "one-error", "flaky"};

std::string Endpoint(const std::string& name) {
  for (size_t i = 0; i < std::size(kNames); ++i) {
    if (name == kNames[i]) return "127.0.0." + std::to_string(40 + i) + ":161";
  }
  return "";
}

// Discovers every device of kNames, with `faults` added to the injector.
RunResult Discover(const std::vector<Fault>& faults) {
  RunResult run;
  std::string error;
  std::unique_ptr<disco::AgentPlugin> plugin = disco::AgentPlugin::Load(DISCO_PLUGIN_PATH, &error);
  EXPECT_NE(plugin, nullptr) << error;
  if (!plugin) return run;
  disco::DiscoveryPlan plan;
  for (size_t i = 0; i < std::size(kNames); ++i) {
    disco::DeviceEntry d;
    d.name = kNames[i];
    d.address = "127.0.0." + std::to_string(40 + i);
    d.recording = DISCO_SOURCE_DIR "/examples/sample-network/edge-1.snmprec";
    plan.devices.push_back(d);
  }
  disco::DiscoverySettings settings;
  settings.threads = 3;
  settings.pingEnabled = false;
  disco::Progress progress(nullptr);
  disco::Discovery discovery(*plugin, plan, settings, progress);
  discovery.WrapSnmpBackend([&](std::shared_ptr<CDiscoSnmpBackend> inner) {
    run.faults = std::make_shared<FaultInjectionBackend>(inner);
    for (const Fault& f : faults) run.faults->Add(f);
    return run.faults;
  });
  std::mutex mutex;
  discovery.OnDeviceDone([&](size_t, const disco::DeviceRun& d) {
    std::string neighbours;
    disco::AppendNeighbours(&neighbours, *d.proc, 0, nullptr);
    std::lock_guard<std::mutex> lock(mutex);
    Outcome& o = run.devices[d.entry.name];
    o = {d.Status(), d.Reason(), d.SnmpFailures().size(), d.snmpGivenUp, d.proc->DPDRemoteCount(),
         neighbours, o.done + 1};
  });
  EXPECT_EQ(discovery.Run(&error), disco::RunOutcome::kDone) << error;
  discovery.Finish();
  return run;
}

TEST(FaultInjectionTest, EveryDeviceEndsWithItsOutcomeAndTheQuietOneIsUnaffected) {
  RunResult quiet = Discover({});
  ASSERT_EQ(quiet.devices.size(), std::size(kNames));
  for (const auto& [name, o] : quiet.devices) {
    EXPECT_EQ(o.status, DeviceStatus::kDiscovered) << name << ": " << o.reason;
  }
  const long requests = quiet.faults->Requests(Endpoint("dies"));
  ASSERT_GE(requests, 10) << "edge-1 takes too few requests for a death in the middle";
  const long dieAt = requests / 2;

  RunResult faulty = Discover({
      {FaultKind::kTimeout, Endpoint("dies"), {}, dieAt, 0},
      {FaultKind::kTruncate, Endpoint("fdb-cut"), kExtremeFdb, 1, 1, 1},
      {FaultKind::kTruncate, Endpoint("fdb-cut"), kBridgeFdb, 1, 1, 1},
      {FaultKind::kFail, Endpoint("fdb-fails"), kExtremeFdb, 1, 1},
      {FaultKind::kFail, Endpoint("fdb-fails"), kBridgeFdb, 1, 1},
      {FaultKind::kWrongType, Endpoint("wrong-if"), kIfTable, 1, 0},
      {FaultKind::kTimeout, Endpoint("filter-lost"), kAgingTime, 1, 0},
      {FaultKind::kFail, Endpoint("one-error"), {}, 3, 1},
      {FaultKind::kTimeout, Endpoint("flaky"), {}, 2, 2},
      {FaultKind::kTimeout, Endpoint("flaky"), {}, 5, 2},
  });
  ASSERT_EQ(faulty.devices.size(), std::size(kNames));
  for (const auto& [name, o] : faulty.devices) EXPECT_EQ(o.done, 1) << name;

  const Outcome& untouched = faulty.devices["quiet"];
  EXPECT_EQ(untouched.status, DeviceStatus::kDiscovered) << untouched.reason;
  EXPECT_TRUE(untouched.neighbours == quiet.devices["quiet"].neighbours)
      << "the untouched device's neighbours differ from the quiet run's";

  // Dead from its request number dieAt: three time-outs, then nothing more is sent.
  const Outcome& dies = faulty.devices["dies"];
  EXPECT_EQ(dies.status, DeviceStatus::kIncomplete);
  EXPECT_TRUE(dies.givenUp);
  EXPECT_EQ(dies.snmpFailures, 3u);
  EXPECT_EQ(faulty.faults->Requests(Endpoint("dies")), dieAt - 1 + 3);
  EXPECT_NE(dies.reason.find("stopped answering"), std::string::npos) << dies.reason;

  // The first walk of each forwarding table cut after one row: the row is not taken, the
  // device ends as if the walks had failed outright.
  const Outcome& cut = faulty.devices["fdb-cut"];
  EXPECT_EQ(cut.status, DeviceStatus::kIncomplete);
  EXPECT_EQ(cut.snmpFailures, 2u) << cut.reason;
  EXPECT_FALSE(cut.givenUp);  // answers came between the two cuts
  EXPECT_TRUE(cut.neighbours == faulty.devices["fdb-fails"].neighbours)
      << "a row of a walk cut short reached the neighbours";
  EXPECT_LT(cut.remotes, untouched.remotes);

  // Values of the wrong type are the agent's to judge; the device still ends, its SNMP whole.
  EXPECT_EQ(faulty.devices["wrong-if"].snmpFailures, 0u);
  EXPECT_GT(faulty.faults->Injected(Endpoint("wrong-if")), 0);

  const Outcome& lost = faulty.devices["filter-lost"];
  EXPECT_EQ(lost.status, DeviceStatus::kNotAnswering);
  EXPECT_EQ(lost.snmpFailures, 1u);
  EXPECT_EQ(lost.remotes, 0u);

  // One protocol error is no death: every other request is still sent.
  const Outcome& oneError = faulty.devices["one-error"];
  EXPECT_EQ(oneError.status, DeviceStatus::kIncomplete);
  EXPECT_EQ(oneError.snmpFailures, 1u);
  EXPECT_FALSE(oneError.givenUp);
  EXPECT_EQ(faulty.faults->Requests(Endpoint("one-error")), requests);

  // Two time-outs, an answer, two more: never three in a row, so the device is kept.
  const Outcome& flaky = faulty.devices["flaky"];
  EXPECT_EQ(flaky.status, DeviceStatus::kIncomplete);
  EXPECT_EQ(flaky.snmpFailures, 4u);
  EXPECT_FALSE(flaky.givenUp);
  EXPECT_GT(faulty.faults->Requests(Endpoint("flaky")), 6);
}

}  // namespace
