// 64 switches discovered at once over SNMP, 8 of them dying in the middle of the run: the 56
// others find what they find in a quiet run, the 8 end incomplete, and the run ends by itself
// (within the test's own generous limit) instead of waiting out every request of the dead.
// Each group is one snmpsimd serving its switches on many ports of one loopback address; the
// 8 doomed switches have their own, stopped once they are through phases 1 and 2.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "EngineProcess.h"
#include "ResultsQuery.h"
#include "support/Snmpsim.h"

namespace {

constexpr int kSteady = 56;
constexpr int kDoomed = 8;

std::string Name(int i) { return "sw-" + std::to_string(100 + i); }  // sorts as numbered

// Starts a simulator serving edge-1 of the sample network on `endpoints` ports.
void StartSimulator(Snmpsim& sim, int endpoints) {
  ASSERT_TRUE(sim.AddRecordingFile("public", SampleRecording("edge-1")));
  sim.AddEndpoints(endpoints - 1);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
}

void AddDevices(const Snmpsim& sim, int firstIndex, std::string* scope) {
  std::vector<int> ports = {sim.Port()};
  ports.insert(ports.end(), sim.ExtraPorts().begin(), sim.ExtraPorts().end());
  for (size_t i = 0; i < ports.size(); ++i) {
    *scope += "  - name: " + Name(firstIndex + static_cast<int>(i)) +
              "\n    address: " + sim.Address() + ":" + std::to_string(ports[i]) + "\n";
  }
}

TEST(LoadTest, SixtyFourSwitchesOfWhichEightDieMidRun) {
  if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd is not installed";
  Snmpsim steady, doomed;
  StartSimulator(steady, kSteady);
  StartSimulator(doomed, kDoomed);
  if (HasFatalFailure()) return;

  // Time-outs generous enough for two busy cores; the doomed come last in the plan, so that
  // their phase 3 starts well after the simulator is gone.
  std::string scope =
      "defaults:\n  version: 2c\n  community: public\n  timeout: 2\n"
      "  retries: 1\ndevices:\n";
  AddDevices(steady, 0, &scope);
  AddDevices(doomed, kSteady, &scope);
  TempDir dir;
  std::string scopePath = dir.Write("scope.yaml", scope);
  auto run = [&](const std::string& output,
                 const std::function<void(const std::string&)>& onLine = {}) {
    return RunEngineProcess({"--scope", scopePath, "--no-ping", "-j", "16", "-o", output},
                            dir.Path(), 600, onLine);
  };

  EngineProcessResult quiet = run("quiet.json");
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
  Json quietResults = Json::parse(ReadFile(dir.Path() + "/quiet.json"));

  std::set<std::string> doomedThrough;
  EngineProcessResult dying = run("dying.json", [&](const std::string& line) {
    for (int i = kSteady; i < kSteady + kDoomed; ++i) {
      if (line.find(" " + Name(i) + " (") != line.npos &&
          line.find("phases 1 and 2 done") != line.npos) {
        doomedThrough.insert(Name(i));
      }
    }
    if (doomedThrough.size() == kDoomed && doomed.Running()) doomed.Stop();
  });
  ASSERT_FALSE(doomed.Running()) << "the doomed switches never got through phases 1 and 2\n"
                                 << dying.err;
  ASSERT_EQ(dying.exitCode, 1) << dying.err;
  Json results = Json::parse(ReadFile(dir.Path() + "/dying.json"));
  ASSERT_EQ(results["devices"].size(), static_cast<size_t>(kSteady + kDoomed));
  for (int i = 0; i < kSteady; ++i) {
    const Json& d = DeviceNamed(results, Name(i));
    EXPECT_EQ(d["status"], "discovered") << Name(i) << ": " << d["reason"];
    EXPECT_EQ(d["local_neighbours"], DeviceNamed(quietResults, Name(i))["local_neighbours"])
        << Name(i);
  }
  for (int i = kSteady; i < kSteady + kDoomed; ++i) {
    const Json& d = DeviceNamed(results, Name(i));
    EXPECT_EQ(d["status"], "incomplete") << Name(i);
    EXPECT_TRUE(d["passed_filter"].get<bool>()) << Name(i);
    EXPECT_EQ(d["reason"].get<std::string>().rfind("stopped answering during the discovery", 0), 0u)
        << Name(i) << ": " << d["reason"];
  }
}

}  // namespace
