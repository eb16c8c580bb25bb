// The sample network discovered end to end by the extreme-disco program: its three switches
// served over SNMP by snmpsim on loopback, the results compared with what the recordings hold
// (examples/sample-network/README.md), and the same discovery replayed from the recordings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>

#include "EngineProcess.h"
#include "ResultsQuery.h"
#include "support/Snmpsim.h"

namespace {

const char* const kSwitches[] = {"core-1", "edge-1", "edge-2"};

const std::map<std::string, std::string> kSystemMac = {{"core-1", "00:04:96:10:00:00"},
                                                       {"edge-1", "00:04:96:20:00:00"},
                                                       {"edge-2", "00:04:96:30:00:00"}};
const std::map<std::string, std::string> kManagementIp = {
    {"core-1", "10.0.1.1"}, {"edge-1", "10.0.1.12"}, {"edge-2", "10.0.1.13"}};

struct Link {
  const char* a;
  const char* aPort;
  const char* b;
  const char* bPort;
};
const Link kLinks[] = {{"core-1", "1:1", "edge-1", "1:8"},
                       {"core-1", "2:1", "edge-2", "1:8"},
                       {"edge-1", "1:7", "edge-2", "1:7"}};

struct Host {
  const char* mac;
  const char* ip;  // "" when the network has no address for it
  const char* device;
  const char* port;
};
const Host kHosts[] = {{"00:1B:21:00:10:01", "10.0.10.101", "edge-1", "1:2"},
                       {"00:04:F2:00:20:01", "10.0.20.101", "edge-1", "1:3"},
                       {"00:0C:29:AB:CD:EF", "", "edge-1", "1:4"},
                       {"00:1B:21:00:10:02", "10.0.10.102", "edge-2", "1:4"},
                       {"00:1E:0B:00:10:03", "10.0.10.103", "edge-2", "1:5"},
                       {"00:25:90:00:30:01", "10.0.30.11", "core-1", "1:3"}};

bool Has(const std::vector<Remote>& remotes, const Remote& wanted) {
  for (const Remote& r : remotes) {
    if (r.port == wanted.port && r.mac == wanted.mac && r.ip == wanted.ip &&
        r.edpPeer == wanted.edpPeer) {
      return true;
    }
  }
  return false;
}

class SampleNetworkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Snmpsim::Installed()) return;
    for (const char* name : kSwitches) {
      auto sim = std::make_unique<Snmpsim>();
      ASSERT_TRUE(sim->AddRecordingFile("public", SampleRecording(name)));
      std::string error;
      ASSERT_TRUE(sim->Start(&error)) << error;
      s_Sims[name] = std::move(sim);
    }
    s_Dir = new TempDir();
    // Next to the switches, two devices that fail: one silent, and a host that answers SNMP but
    // has no bridge (the agent's filter rejects it).
    std::string host = s_Dir->Write("host.snmprec",
                                    "1.3.6.1.2.1.1.1.0|4|a file server\n"
                                    "1.3.6.1.2.1.1.5.0|4|files\n");
    std::string failing =
        "  - {name: silent, address: 127.0.0.1, port: " + std::to_string(FreeUdpPort()) +
        ", timeout: 0.3, retries: 0}\n" +
        "  - {name: files, address: 127.0.0.1, recording: " + host + "}\n";
    std::string scope = s_Dir->Write("scope.yaml", ScopeText(failing));
    std::vector<std::string> args = {"--scope", scope,          "--sleep-scale", "0.001",
                                     "-o",      "results.json", "--dot",         "t.dot"};
    if (std::system("command -v dot >/dev/null 2>&1") == 0) {
      args.insert(args.end(), {"--svg", "t.svg"});
    }
    s_Run = RunEngineProcess(args, s_Dir->Path());
    s_Results = Json::parse(ReadFile(s_Dir->Path() + "/results.json"), nullptr, false);
  }

  static void TearDownTestSuite() {
    s_Sims.clear();
    delete s_Dir;
    s_Dir = nullptr;
  }

  void SetUp() override {
    if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd is not installed";
  }

  // A scope of the three simulated switches, plus `extraDevices` (YAML list items).
  static std::string ScopeText(const std::string& extraDevices) {
    std::string text =
        "defaults: {version: 2c, community: public, timeout: 2, retries: 1}\ndevices:\n";
    std::string ping = "ping:\n";
    for (const char* name : kSwitches) {
      const Snmpsim& sim = *s_Sims[name];
      text += "  - {name: " + std::string(name) + ", address: " + sim.Address() +
              ", port: " + std::to_string(sim.Port()) + "}\n";
      ping += "  - " + sim.Address() + "\n";
    }
    return text + extraDevices + ping;
  }

  static inline std::map<std::string, std::unique_ptr<Snmpsim>> s_Sims;
  static inline TempDir* s_Dir = nullptr;
  static inline EngineProcessResult s_Run;
  static inline Json s_Results;
};

TEST_F(SampleNetworkTest, EverySwitchIsDiscoveredOverSnmp) {
  ASSERT_EQ(s_Run.exitCode, 1) << s_Run.err;  // not every device was discovered
  ASSERT_FALSE(s_Results.is_discarded());
  EXPECT_EQ(s_Results["agent"]["name"], "ExtremeSwitch");
  EXPECT_EQ(s_Results["agent"]["description"], "Discovery Agent for Extreme switches");
  EXPECT_EQ(s_Results["agent"]["version"], "3.7.0.38");
  for (const char* name : kSwitches) {
    const Json& d = DeviceNamed(s_Results, name);
    EXPECT_EQ(d["status"], "discovered") << name << ": " << d["reason"];
    EXPECT_EQ(d["source"], "snmp") << name;
    EXPECT_TRUE(d["snmp_failures"].empty()) << d["snmp_failures"].dump();
    EXPECT_FALSE(d["local_neighbours"].empty()) << name;
  }
  // Its two VLAN interfaces have an empty ifPhysAddress, IF-MIB's "no address": no MAC, no warning.
  EXPECT_FALSE(DeviceNamed(s_Results, "core-1").contains("refused_mac_values"));
  EXPECT_EQ(s_Run.out.find("not MAC addresses"), std::string::npos) << s_Run.out;
  EXPECT_EQ(s_Results["ping"]["queries"], 1);
}

TEST_F(SampleNetworkTest, BothEndsOfEveryLinkComeFromEdp) {
  for (const Link& l : kLinks) {
    EXPECT_TRUE(Has(RemotesOf(DeviceNamed(s_Results, l.a)),
                    {l.aPort, kSystemMac.at(l.b), kManagementIp.at(l.b), l.bPort}))
        << l.a << " " << l.aPort << " should hear " << l.b << " " << l.bPort;
    EXPECT_TRUE(Has(RemotesOf(DeviceNamed(s_Results, l.b)),
                    {l.bPort, kSystemMac.at(l.a), kManagementIp.at(l.a), l.aPort}))
        << l.b << " " << l.bPort << " should hear " << l.a << " " << l.aPort;
  }
  for (const char* name : kSwitches) {
    int edp = 0;
    for (const Remote& r : RemotesOf(DeviceNamed(s_Results, name))) edp += !r.edpPeer.empty();
    EXPECT_EQ(edp, 2) << name;
  }
}

TEST_F(SampleNetworkTest, EveryHostIsFoundOnItsPortWithItsAddress) {
  for (const Host& h : kHosts) {
    EXPECT_TRUE(Has(RemotesOf(DeviceNamed(s_Results, h.device)), {h.port, h.mac, h.ip, ""}))
        << h.mac << " should be behind " << h.device << " " << h.port;
    // Wherever else the host is seen (behind uplinks), its address is the same.
    for (const char* name : kSwitches) {
      for (const Remote& r : RemotesOf(DeviceNamed(s_Results, name))) {
        if (r.mac == h.mac) {
          EXPECT_EQ(r.ip, h.ip) << name << " " << r.port;
        }
      }
    }
  }
}

TEST_F(SampleNetworkTest, TopologyHasEveryLinkOnceAndEveryHostOnItsPort) {
  const Json& t = s_Results["topology"];
  ASSERT_EQ(t["links"].size(), 3u) << t["links"].dump();
  for (const Link& l : kLinks) {
    int found = 0;
    for (const Json& link : t["links"]) {
      bool ab = link["a"]["switch"] == l.a && link["a"]["port"] == l.aPort &&
                link["b"]["switch"] == l.b && link["b"]["port"] == l.bPort;
      bool ba = link["a"]["switch"] == l.b && link["a"]["port"] == l.bPort &&
                link["b"]["switch"] == l.a && link["b"]["port"] == l.aPort;
      if (!ab && !ba) continue;
      ++found;
      EXPECT_EQ(link["evidence"], "edp");
      // edge-2 blocks the redundant link edge-1 1:7 - edge-2 1:7.
      EXPECT_EQ(link["blocked"], std::string(l.b) == "edge-2" && std::string(l.bPort) == "1:7");
    }
    EXPECT_EQ(found, 1) << l.a << " " << l.aPort << " - " << l.b << " " << l.bPort;
  }
  ASSERT_EQ(t["hosts"].size(), std::size(kHosts)) << t["hosts"].dump();
  for (const Host& h : kHosts) {
    bool placed = false;
    for (const Json& host : t["hosts"]) {
      if (host["mac"] != h.mac) continue;
      placed = true;
      EXPECT_EQ(host["switch"], h.device) << h.mac;
      EXPECT_EQ(host["port"], h.port) << h.mac;
      EXPECT_EQ(host["ip"], *h.ip ? Json(h.ip) : Json(nullptr)) << h.mac;
    }
    EXPECT_TRUE(placed) << h.mac;
  }
  EXPECT_TRUE(t["undecided_hosts"].empty());
  for (const Json& sw : t["switches"]) {
    std::string name = sw["name"];
    EXPECT_EQ(sw["bridge_mac"], kSystemMac.at(name));
    EXPECT_EQ(sw["sys_name"], name);
  }
  std::string dot = ReadFile(s_Dir->Path() + "/t.dot");
  EXPECT_NE(dot.find("label=\"1:7 - 1:7\\nedp\""), std::string::npos) << dot;
  EXPECT_NE(dot.find("style=dashed"), std::string::npos) << dot;
  if (std::system("command -v dot >/dev/null 2>&1") == 0) {
    EXPECT_NE(ReadFile(s_Dir->Path() + "/t.svg").find("<svg"), std::string::npos);
  }
}

TEST_F(SampleNetworkTest, InterfacesCarryTheirStateAndVlans) {
  const Json& core = DeviceNamed(s_Results, "core-1");
  const Json& uplink = LocalAt(core, "1:1");
  EXPECT_EQ(FieldValue(uplink["fields"], "m_IfDescr"), "Port 1:1");
  EXPECT_EQ(FieldValue(uplink["fields"], "m_LocalNbrStatus"), 1);
  EXPECT_EQ(FieldValue(uplink["fields"], "m_StpPortState"), 5);
  Json vlans = FieldValue(uplink["fields"], "m_TrunkedVlans");
  Json tags = FieldValue(uplink["fields"], "m_TrunkedVlanTags");
  ASSERT_EQ(vlans.size(), 2u);
  EXPECT_EQ(vlans[0]["value"], 2);
  EXPECT_EQ(tags[0]["value"], 10);
  EXPECT_EQ(vlans[1]["value"], 3);
  EXPECT_EQ(tags[1]["value"], 20);
  EXPECT_EQ(
      FieldValue(LocalAt(DeviceNamed(s_Results, "edge-2"), "1:7")["fields"], "m_StpPortState"), 2);
  const Json& loopback = LocalAt(core, "if 1000100");
  ASSERT_EQ(loopback["remote_neighbours"].size(), 1u);
  EXPECT_EQ(FieldValue(loopback["remote_neighbours"][0]["fields"], "m_NoConnectionAtThisLayer"), 1);
}

TEST_F(SampleNetworkTest, SummaryShowsInterfacesAndNeighbours) {
  for (const char* line : {"core-1  ", "edge-1  ", "edge-2  ",
                           "EDP  00:04:96:20:00:00  10.0.1.12        edge-1 port 1:8",
                           "MAC  00:25:90:00:30:01  10.0.30.11", "blocking", "users (2) tag 10",
                           "no connection at this layer", "3 of 5 devices discovered",
                           "silent  127.0.0.1:", "not answering", "Links (3)",
                           "edge-1 1:7  -  edge-2 1:7  edp  forwarding / blocking"}) {
    EXPECT_NE(s_Run.out.find(line), std::string::npos) << line << "\n" << s_Run.out;
  }
}

// The acceptance test of the net-snmp backend: the agent's whole discovery of the recorded
// switches gives the same processed data over SNMP as from the recordings themselves, failing
// devices next to them or not.
TEST_F(SampleNetworkTest, ReplayGivesTheSameProcessedDataAsSnmp) {
  TempDir dir;
  std::string scope = dir.Write("scope.yaml", ScopeText(""));
  EngineProcessResult run = RunEngineProcess(
      {"--scope", scope, "--replay", std::string(DISCO_SOURCE_DIR) + "/examples/sample-network",
       "--sleep-scale", "0.001", "-o", "replay.json", "-q"},
      dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Json replay = Json::parse(ReadFile(dir.Path() + "/replay.json"));
  for (const char* name : kSwitches) {
    EXPECT_EQ(DeviceNamed(replay, name)["source"], "recording");
    EXPECT_EQ(DeviceNamed(replay, name)["local_neighbours"],
              DeviceNamed(s_Results, name)["local_neighbours"])
        << name;
  }
}

// The failing devices of the run are reported; the others' results are those of the replay
// (ReplayGivesTheSameProcessedDataAsSnmp), which has no failing device.
TEST_F(SampleNetworkTest, FailedDevicesAreReported) {
  const Json& silent = DeviceNamed(s_Results, "silent");
  EXPECT_EQ(silent["status"], "not answering");
  EXPECT_FALSE(silent["passed_filter"].get<bool>());
  EXPECT_FALSE(silent["snmp_failures"].empty());
  EXPECT_TRUE(silent["local_neighbours"].empty());
  const Json& files = DeviceNamed(s_Results, "files");
  EXPECT_EQ(files["status"], "rejected");
  EXPECT_TRUE(files["local_neighbours"].empty());
}

// SNMPv3 credentials given on the command line reach the device: authPriv, with the context
// under which the simulator serves the recording.
TEST_F(SampleNetworkTest, CommandLineV3CredentialsReachTheDevice) {
  Snmpsim sim;
  ASSERT_TRUE(sim.AddRecordingFile("edge1", SampleRecording("edge-1")));
  sim.AddUser({"operator", "SHA", "auth-secret-1", "AES", "priv-secret-1"});
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  TempDir dir;
  // clang-format off
  EngineProcessResult run = RunEngineProcess(
      {"-v3", "-u", "operator", "-l", "authPriv", "-a", "SHA", "-A", "auth-secret-1",
       "-x", "AES", "-X", "priv-secret-1", "-n", "edge1", "--no-ping", "--sleep-scale", "0.001",
       "-o", "r.json", sim.Address() + ":" + std::to_string(sim.Port())},
      dir.Path());
  // clang-format on
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("auth-secret-1"), std::string::npos);
  Json results = Json::parse(ReadFile(dir.Path() + "/r.json"));
  const Json& d = results["devices"][0];
  EXPECT_EQ(d["status"], "discovered");
  // Alone, edge-1 resolves fewer addresses (the gateway's ARP table is missing), so compare the
  // interfaces only.
  EXPECT_EQ(d["local_neighbours"].size(),
            DeviceNamed(s_Results, "edge-1")["local_neighbours"].size());
  EXPECT_EQ(results.dump().find("auth-secret-1"), std::string::npos);
}

}  // namespace
