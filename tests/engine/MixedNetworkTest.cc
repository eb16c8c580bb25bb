// The sample network's newer part discovered over SNMP (snmpsim on loopback): the EXOS stack
// exos-1 and the standard bridge bridge-1 (examples/sample-network/generate_mixed.py). Their
// LLDP neighbours (read as raw octets through net-snmp) and VLAN forwarding entries agree with
// rows read from the recordings by hand, and the topology built from them holds the generator's
// links and hosts.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "EngineProcess.h"
#include "ResultsQuery.h"
#include "support/Snmpsim.h"

namespace {

const Json* Entry(const Json& list, const std::string& key, const std::string& value) {
  for (const Json& e : list) {
    if (e[key] == value) return &e;
  }
  return nullptr;
}

class MixedNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd is not installed";
    std::string scope = "defaults: {version: 2c, community: public, timeout: 2}\ndevices:\n";
    for (const char* name : {"exos-1", "bridge-1"}) {
      auto sim = std::make_unique<Snmpsim>();
      ASSERT_TRUE(sim->AddRecordingFile("public", SampleRecording(name)));
      std::string error;
      ASSERT_TRUE(sim->Start(&error)) << error;
      scope += "  - {name: " + std::string(name) + ", address: " + sim->Address() +
               ", port: " + std::to_string(sim->Port()) + "}\n";
      m_Sims[name] = std::move(sim);
    }
    m_Run = RunEngineProcess({"--scope", m_Dir.Write("scope.yaml", scope), "--no-ping",
                              "--sleep-scale", "0.001", "-o", "r.json"},
                             m_Dir.Path());
    m_Results = Json::parse(ReadFile(m_Dir.Path() + "/r.json"), nullptr, false);
  }

  std::map<std::string, std::unique_ptr<Snmpsim>> m_Sims;
  TempDir m_Dir;
  EngineProcessResult m_Run;
  Json m_Results;
};

TEST_F(MixedNetworkTest, LldpAndVlanForwardingEntriesMatchTheRecordings) {
  ASSERT_EQ(m_Run.exitCode, 0) << m_Run.err;
  const Json& exos = DeviceNamed(m_Results, "exos-1");
  const Json& bridge = DeviceNamed(m_Results, "bridge-1");
  // Read by hand from the recordings.
  EXPECT_EQ(exos["lldp_local_chassis"]["chassis_id"], "00:04:96:50:00:00");
  const Json* toBridge = Entry(exos["lldp_neighbours"], "system_name", "bridge-1");
  ASSERT_NE(toBridge, nullptr) << exos["lldp_neighbours"].dump();
  EXPECT_EQ((*toBridge)["port"], "1:1");
  EXPECT_EQ((*toBridge)["chassis_id"], "02:00:00:00:31:00");
  EXPECT_EQ((*toBridge)["port_id_subtype"], "local");
  EXPECT_EQ((*toBridge)["port_id"], "8");
  EXPECT_EQ((*toBridge)["management_address"], "10.0.1.31");
  const Json* toExos = Entry(bridge["lldp_neighbours"], "system_name", "exos-1");
  ASSERT_NE(toExos, nullptr) << bridge["lldp_neighbours"].dump();
  EXPECT_EQ((*toExos)["port"], "1:8");
  EXPECT_EQ((*toExos)["port_id"], "1:1");
  EXPECT_EQ((*toExos)["capabilities"], Json({"bridge", "router"}));

  EXPECT_EQ(exos["vlan_fdb_source"], "extremeFdbMacExosFdbTable");
  const Json* pc3 = Entry(exos["vlan_fdb"], "mac", "00:1B:21:00:10:04");
  ASSERT_NE(pc3, nullptr);
  EXPECT_EQ((*pc3)["vlan_id"], 10);
  EXPECT_EQ((*pc3)["vlan_name"], "users");
  EXPECT_EQ((*pc3)["port"], "1:3");
  EXPECT_EQ((*pc3)["ip"], "10.0.10.104");
  EXPECT_EQ(bridge["vlan_fdb_source"], "dot1qTpFdbTable");
  const Json* printer = Entry(bridge["vlan_fdb"], "mac", "00:1E:0B:00:10:07");
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ((*printer)["vlan_id"], 10);  // filtering database 2 is VLAN 10
  EXPECT_EQ((*printer)["port"], "1:5");
  EXPECT_TRUE((*printer)["ip"].is_null());
  for (const Json* d : {&exos, &bridge}) {
    EXPECT_FALSE(d->contains("collector_problems")) << (*d)["collector_problems"].dump();
  }

  // The topology: the LLDP link with both ends, the hosts on the ports and with the addresses
  // the VLAN forwarding tables give them, exos-2 outside (EDP and LLDP hear it from exos-1).
  const Json& topology = m_Results["topology"];
  std::set<std::string> links, hosts;
  for (const Json& l : topology["links"]) {
    links.insert(l["a"]["switch"].get<std::string>() + " " + l["a"]["port"].get<std::string>() +
                 " - " + l["b"]["switch"].get<std::string>() + " " +
                 l["b"]["port"].get<std::string>() + " " + l.value("also_heard", Json()).dump() +
                 " " + l["evidence"].get<std::string>());
  }
  for (const Json& h : topology["hosts"]) {
    hosts.insert(h["mac"].get<std::string>() + " " + h["ip"].dump() + " " +
                 h["switch"].get<std::string>() + " " + h["port"].get<std::string>());
  }
  EXPECT_EQ(links,
            (std::set<std::string>{"exos-1 1:1 - bridge-1 1:8 null lldp",
                                   "exos-1 2:6 - exos-2 1:48 [\"lldp-one-side\"] edp-one-side"}));
  EXPECT_EQ(hosts, (std::set<std::string>{"00:1B:21:00:10:04 \"10.0.10.104\" exos-1 1:3",
                                          "00:40:8C:00:10:05 \"10.0.10.105\" exos-1 2:2",
                                          "00:1B:21:00:10:06 \"10.0.10.106\" bridge-1 1:3",
                                          "00:1E:0B:00:10:07 null bridge-1 1:5"}));
  EXPECT_TRUE(topology["undecided_hosts"].empty()) << topology["undecided_hosts"].dump();
  const Json* exos2 = Entry(topology["switches"], "name", "exos-2");
  ASSERT_NE(exos2, nullptr);
  EXPECT_EQ((*exos2)["in_scope"], false);
  EXPECT_EQ((*exos2)["mac"], "00:04:96:60:00:00");

  for (const char* line : {"LLDP bridge-1           10.0.1.31        port 8",
                           "MAC  00:1B:21:00:10:04  10.0.10.104      VLAN users (10)"}) {
    EXPECT_NE(m_Run.out.find(line), std::string::npos) << line << "\n" << m_Run.out;
  }
}

// The forwarding database is read only where the agent found none, unless --fdb says otherwise.
TEST(FdbModeTest, AutoReadsWhereTheAgentFoundNothingAndTheOptionOverrides) {
  TempDir dir;
  std::string scope = dir.Write(
      "scope.yaml", "devices:\n  - {name: exos-1, address: 127.0.0.14, recording: " +
                        SampleRecording("exos-1") + "}\n  - {name: edge-1, address: 127.0.0.12, " +
                        "recording: " + SampleRecording("edge-1") + "}\n");
  std::map<std::string, Json> runs;
  for (const char* mode : {"auto", "always", "never"}) {
    EngineProcessResult run = RunEngineProcess(
        {"--scope", scope, "--no-ping", "--fdb", mode, "-q", "-o", std::string(mode) + ".json"},
        dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    runs[mode] = Json::parse(ReadFile(dir.Path() + "/" + mode + ".json"));
  }
  EXPECT_TRUE(DeviceNamed(runs["auto"], "exos-1").contains("vlan_fdb"));
  EXPECT_FALSE(DeviceNamed(runs["auto"], "edge-1").contains("vlan_fdb"));
  EXPECT_TRUE(DeviceNamed(runs["always"], "edge-1").contains("vlan_fdb"));
  EXPECT_FALSE(DeviceNamed(runs["never"], "exos-1").contains("vlan_fdb"));
  EXPECT_EQ(RunEngineProcess({"--fdb", "sometimes", "127.0.0.1"}, dir.Path()).exitCode, 2);
}

}  // namespace
