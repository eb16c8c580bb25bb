// The sample network discovered end to end by the extreme-disco program: its five switches
// served over SNMP by snmpsim on loopback, the results compared with what the recordings hold
// (examples/sample-network/README.md), and the same discovery replayed from the recordings.
// The older part (core-1, edge-1, edge-2) hears its links over EDP and finds its hosts through
// the agent; the newer part (the EXOS stack exos-1 and the standard bridge bridge-1,
// examples/sample-network/generate_mixed.py) hears them over LLDP, read as raw octets through
// net-snmp, and finds its hosts in the VLAN forwarding tables the engine reads itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"
#include "support/SampleNetworkSims.h"

namespace {

const auto& kSwitches = SampleNetworkSims::kSwitches;

// The older part's switches.
const std::map<std::string, std::string> kSystemMac = {{"core-1", "00:04:96:10:00:00"},
                                                       {"edge-1", "00:04:96:20:00:00"},
                                                       {"edge-2", "00:04:96:30:00:00"}};
const std::map<std::string, std::string> kManagementIp = {
    {"core-1", "10.0.1.1"}, {"edge-1", "10.0.1.12"}, {"edge-2", "10.0.1.13"}};

// The older part's links, all heard over EDP.
struct Link {
  const char* a;
  const char* aPort;
  const char* b;
  const char* bPort;
};
const Link kLinks[] = {{"core-1", "1:1", "edge-1", "1:8"},
                       {"core-1", "2:1", "edge-2", "1:8"},
                       {"edge-1", "1:7", "edge-2", "1:7"}};

// The hosts the agent finds in the older part's forwarding tables.
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

// A topology link as one line: its ends in name order (either may be `a`), its evidence, whether
// it is blocked and what else heard it.
std::string LinkLine(const Json& link) {
  std::string a =
      link["a"]["switch"].get<std::string>() + " " + link["a"]["port"].get<std::string>();
  std::string b =
      link["b"]["switch"].get<std::string>() + " " + link["b"]["port"].get<std::string>();
  if (b < a) std::swap(a, b);
  return a + " - " + b + " " + link["evidence"].get<std::string>() +
         (link["blocked"].get<bool>() ? " blocked" : "") +
         (link.contains("also_heard") ? " also " + link["also_heard"].dump() : "");
}

// A topology host as one line; `ip` is null when the host has no address.
std::string HostLine(const std::string& mac, const Json& ip, const std::string& sw,
                     const std::string& port) {
  return mac + " " + ip.dump() + " " + sw + " " + port;
}

// The one run of the suite, which the checks below read; the replay and the SNMPv3 command line
// run the program again to compare with it.
std::unique_ptr<SampleNetworkSims> s_Sims;
TempDir* s_Dir = nullptr;
EngineProcessResult s_Run;
Json s_Results;

class SampleNetworkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Snmpsim::Installed()) return;
    s_Sims = std::make_unique<SampleNetworkSims>();
    std::string error;
    ASSERT_TRUE(s_Sims->Start(&error)) << error;
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
    std::string scope = s_Dir->Write("scope.yaml", s_Sims->ScopeText(failing));
    std::vector<std::string> args = {"--scope", scope,          "--sleep-scale", "0.001",
                                     "-o",      "results.json", "--dot",         "t.dot"};
    if (std::system("command -v dot >/dev/null 2>&1") == 0) {
      args.insert(args.end(), {"--svg", "t.svg"});
    }
    s_Run = RunEngineProcess(args, s_Dir->Path());
    s_Results = Json::parse(ReadFile(s_Dir->Path() + "/results.json"), nullptr, false);
  }

  static void TearDownTestSuite() {
    s_Sims.reset();
    delete s_Dir;
    s_Dir = nullptr;
  }

  void SetUp() override {
    if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd is not installed";
  }
};

void EverySwitchIsDiscoveredOverSnmp() {
  EXPECT_EQ(s_Results["agent"]["name"], "ExtremeSwitch");
  EXPECT_EQ(s_Results["agent"]["description"], "Discovery Agent for Extreme switches");
  EXPECT_EQ(s_Results["agent"]["version"], "3.7.0.38");
  for (const char* name : kSwitches) {
    const Json& d = DeviceNamed(s_Results, name);
    EXPECT_EQ(d["status"], "discovered") << name << ": " << d["reason"];
    EXPECT_EQ(d["source"], "snmp") << name;
    EXPECT_TRUE(d["snmp_failures"].empty()) << d["snmp_failures"].dump();
    EXPECT_FALSE(d["local_neighbours"].empty()) << name;
    EXPECT_FALSE(d.contains("collector_problems")) << d["collector_problems"].dump();
  }
  // Its two VLAN interfaces have an empty ifPhysAddress, IF-MIB's "no address": no MAC, no warning.
  EXPECT_FALSE(DeviceNamed(s_Results, "core-1").contains("refused_mac_values"));
  EXPECT_EQ(s_Run.out.find("not MAC addresses"), std::string::npos) << s_Run.out;
  // Switches entering their download together share one ping cycle; whether all five do depends
  // on how long each took to get there.
  EXPECT_GE(s_Results["ping"]["queries"], 1);
  EXPECT_LE(s_Results["ping"]["queries"], std::size(kSwitches));
}

void BothEndsOfEveryLinkComeFromEdp() {
  for (const Link& l : kLinks) {
    EXPECT_TRUE(Has(RemotesOf(DeviceNamed(s_Results, l.a)),
                    {l.aPort, kSystemMac.at(l.b), kManagementIp.at(l.b), l.bPort}))
        << l.a << " " << l.aPort << " should hear " << l.b << " " << l.bPort;
    EXPECT_TRUE(Has(RemotesOf(DeviceNamed(s_Results, l.b)),
                    {l.bPort, kSystemMac.at(l.a), kManagementIp.at(l.a), l.aPort}))
        << l.b << " " << l.bPort << " should hear " << l.a << " " << l.aPort;
  }
  for (const auto& [name, mac] : kSystemMac) {
    int edp = 0;
    for (const Remote& r : RemotesOf(DeviceNamed(s_Results, name))) edp += !r.edpPeer.empty();
    EXPECT_EQ(edp, 2) << name;
  }
}

void EveryHostIsFoundOnItsPortWithItsAddress() {
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

void LldpAndVlanForwardingEntriesMatchTheRecordings() {
  const Json& exos = DeviceNamed(s_Results, "exos-1");
  const Json& bridge = DeviceNamed(s_Results, "bridge-1");
  // Read by hand from the recordings.
  EXPECT_EQ(exos["lldp_local_chassis"]["chassis_id"], "00:04:96:50:00:00");
  const Json& toBridge = Entry(exos["lldp_neighbours"], "system_name", "bridge-1");
  ASSERT_FALSE(toBridge.is_null()) << exos["lldp_neighbours"].dump();
  EXPECT_EQ(toBridge["port"], "1:1");
  EXPECT_EQ(toBridge["chassis_id"], "02:00:00:00:31:00");
  EXPECT_EQ(toBridge["port_id_subtype"], "local");
  EXPECT_EQ(toBridge["port_id"], "8");
  EXPECT_EQ(toBridge["management_address"], "10.0.1.31");
  const Json& toExos = Entry(bridge["lldp_neighbours"], "system_name", "exos-1");
  ASSERT_FALSE(toExos.is_null()) << bridge["lldp_neighbours"].dump();
  EXPECT_EQ(toExos["port"], "1:8");
  EXPECT_EQ(toExos["port_id"], "1:1");
  EXPECT_EQ(toExos["capabilities"], Json({"bridge", "router"}));

  EXPECT_EQ(exos["vlan_fdb_source"], "extremeFdbMacExosFdbTable");
  const Json& pc3 = Entry(exos["vlan_fdb"], "mac", "00:1B:21:00:10:04");
  ASSERT_FALSE(pc3.is_null());
  EXPECT_EQ(pc3["vlan_id"], 10);
  EXPECT_EQ(pc3["vlan_name"], "users");
  EXPECT_EQ(pc3["port"], "1:3");
  EXPECT_EQ(pc3["ip"], "10.0.10.104");
  EXPECT_EQ(bridge["vlan_fdb_source"], "dot1qTpFdbTable");
  const Json& printer = Entry(bridge["vlan_fdb"], "mac", "00:1E:0B:00:10:07");
  ASSERT_FALSE(printer.is_null());
  EXPECT_EQ(printer["vlan_id"], 10);  // filtering database 2 is VLAN 10
  EXPECT_EQ(printer["port"], "1:5");
  EXPECT_TRUE(printer["ip"].is_null());
}

// Every link once, with its evidence; every host on its port with its address (the newer part's
// hosts come from the VLAN forwarding tables); exos-2 outside the scope.
void TopologyHasEveryLinkOnceAndEveryHostOnItsPort() {
  const Json& t = s_Results["topology"];
  std::multiset<std::string> links, hosts;
  for (const Json& link : t["links"]) links.insert(LinkLine(link));
  EXPECT_EQ(links, (std::multiset<std::string>{
                       "core-1 1:1 - edge-1 1:8 edp", "core-1 2:1 - edge-2 1:8 edp",
                       // edge-2 blocks the redundant link.
                       "edge-1 1:7 - edge-2 1:7 edp blocked", "bridge-1 1:8 - exos-1 1:1 lldp",
                       "exos-1 2:6 - exos-2 1:48 edp-one-side also [\"lldp-one-side\"]"}));
  for (const Json& h : t["hosts"]) {
    hosts.insert(HostLine(h["mac"], h["ip"], h["switch"], h["port"]));
  }
  std::multiset<std::string> expectedHosts = {
      HostLine("00:1B:21:00:10:04", "10.0.10.104", "exos-1", "1:3"),
      HostLine("00:40:8C:00:10:05", "10.0.10.105", "exos-1", "2:2"),
      HostLine("00:1B:21:00:10:06", "10.0.10.106", "bridge-1", "1:3"),
      HostLine("00:1E:0B:00:10:07", nullptr, "bridge-1", "1:5")};
  for (const Host& h : kHosts) {
    expectedHosts.insert(HostLine(h.mac, *h.ip ? Json(h.ip) : Json(), h.device, h.port));
  }
  EXPECT_EQ(hosts, expectedHosts);
  EXPECT_TRUE(t["undecided_hosts"].empty()) << t["undecided_hosts"].dump();
  for (const auto& [name, mac] : kSystemMac) {
    const Json& sw = Entry(t["switches"], "name", name);
    EXPECT_EQ(sw["bridge_mac"], mac);
    EXPECT_EQ(sw["sys_name"], name);
  }
  const Json& exos2 = Entry(t["switches"], "name", "exos-2");  // EDP and LLDP hear it from exos-1
  ASSERT_FALSE(exos2.is_null());
  EXPECT_EQ(exos2["in_scope"], false);
  EXPECT_EQ(exos2["mac"], "00:04:96:60:00:00");

  std::string dot = ReadFile(s_Dir->Path() + "/t.dot");
  EXPECT_NE(dot.find("label=\"1:7 - 1:7\\nedp\""), std::string::npos) << dot;
  EXPECT_NE(dot.find("style=dashed"), std::string::npos) << dot;
  if (std::system("command -v dot >/dev/null 2>&1") == 0) {
    EXPECT_NE(ReadFile(s_Dir->Path() + "/t.svg").find("<svg"), std::string::npos);
  }
}

void InterfacesCarryTheirStateAndVlans() {
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
  const Json& loopback = LocalAt(core, "if 1000100");
  ASSERT_EQ(loopback["remote_neighbours"].size(), 1u);
  EXPECT_EQ(FieldValue(loopback["remote_neighbours"][0]["fields"], "m_NoConnectionAtThisLayer"), 1);
}

void SummaryShowsInterfacesAndNeighbours() {
  for (const char* line :
       {"core-1  ", "edge-1  ", "edge-2  ",
        "EDP  00:04:96:20:00:00  10.0.1.12        edge-1 port 1:8",
        "MAC  00:25:90:00:30:01  10.0.30.11", "users (2) tag 10", "no connection at this layer",
        "5 of 7 devices discovered", "silent  127.0.0.1:", "not answering", "Links (5)",
        // edge-2's port 1:7 blocks (its m_StpPortState is 2).
        "edge-1 1:7  -  edge-2 1:7    edp                         forwarding / blocking",
        "LLDP bridge-1           10.0.1.31        port 8",
        "MAC  00:1B:21:00:10:04  10.0.10.104      VLAN users (10)"}) {
    EXPECT_NE(s_Run.out.find(line), std::string::npos) << line << "\n" << s_Run.out;
  }
}

// The acceptance test of the net-snmp backend: the agent's whole discovery of the recorded
// switches gives the same processed data over SNMP as from the recordings themselves, failing
// devices next to them or not.
void ReplayGivesTheSameProcessedDataAsSnmp() {
  TempDir dir;
  std::string scope = dir.Write("scope.yaml", s_Sims->ScopeText());
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
void FailedDevicesAreReported() {
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
void CommandLineV3CredentialsReachTheDevice() {
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

// Under ctest each test is a process of its own, which would start the five simulators and run
// the program again: the checks of the one run are sections of one test instead.
TEST_F(SampleNetworkTest, OneRunOverSnmpMatchesTheRecordings) {
  ASSERT_EQ(s_Run.exitCode, 1) << s_Run.err;  // not every device was discovered
  ASSERT_FALSE(s_Results.is_discarded());
#define SECTION(check) \
  { #check, check }
  const std::pair<const char*, void (*)()> kSections[] = {
      SECTION(EverySwitchIsDiscoveredOverSnmp),
      SECTION(BothEndsOfEveryLinkComeFromEdp),
      SECTION(EveryHostIsFoundOnItsPortWithItsAddress),
      SECTION(LldpAndVlanForwardingEntriesMatchTheRecordings),
      SECTION(TopologyHasEveryLinkOnceAndEveryHostOnItsPort),
      SECTION(InterfacesCarryTheirStateAndVlans),
      SECTION(SummaryShowsInterfacesAndNeighbours),
      SECTION(ReplayGivesTheSameProcessedDataAsSnmp),
      SECTION(FailedDevicesAreReported),
      SECTION(CommandLineV3CredentialsReachTheDevice),
  };
#undef SECTION
  for (const auto& [name, check] : kSections) {
    SCOPED_TRACE(name);
    check();
  }
}

// By default the VLAN-aware forwarding database is read wherever the switch has one, beside the
// agent's entries, whose hosts then carry its VLAN; --fdb and download_fdb say otherwise.
TEST(FdbModeTest, AutoReadsWhereverATableExistsAndTheOptionOverrides) {
  TempDir dir;
  std::string scope = dir.Write(
      "scope.yaml",
      "devices:\n  - {name: exos-1, address: 127.0.0.14, recording: " + SampleRecording("exos-1") +
          "}\n  - {name: edge-1, address: 127.0.0.12, " +
          "recording: " + SampleRecording("edge-1") + "}\n" +
          "  - {name: edge-2, address: 127.0.0.13, recording: " + SampleRecording("edge-2") +
          "}\n  - {name: core-1, address: " + "127.0.0.11, download_fdb: false, recording: " +
          SampleRecording("core-1") + "}\n");
  std::map<std::string, Json> runs;
  for (const char* mode : {"auto", "always", "never"}) {
    EngineProcessResult run = RunEngineProcess(
        {"--scope", scope, "--no-ping", "--fdb", mode, "-q", "-o", std::string(mode) + ".json"},
        dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    runs[mode] = Json::parse(ReadFile(dir.Path() + "/" + mode + ".json"));
  }
  const Json& edge1 = DeviceNamed(runs["auto"], "edge-1");
  EXPECT_TRUE(DeviceNamed(runs["auto"], "exos-1").contains("vlan_fdb"));
  EXPECT_EQ(edge1["vlan_fdb_source"], "extremeFdbMacFdbTable");
  EXPECT_FALSE(DeviceNamed(runs["auto"], "edge-2").contains("vlan_fdb"));  // it has no table
  EXPECT_FALSE(DeviceNamed(runs["auto"], "core-1").contains("vlan_fdb"));  // download_fdb off
  EXPECT_TRUE(DeviceNamed(runs["always"], "edge-2").contains("vlan_fdb"));
  EXPECT_TRUE(DeviceNamed(runs["always"], "core-1").contains("vlan_fdb"));
  EXPECT_FALSE(DeviceNamed(runs["never"], "exos-1").contains("vlan_fdb"));
  EXPECT_FALSE(DeviceNamed(runs["never"], "edge-1").contains("vlan_fdb"));
  // The agent's own records stay as they were; its hosts carry the VLAN beside their fields.
  auto agentFields = [](const Json& device) {  // each interface's, then its hosts'
    Json fields = Json::array();
    for (const Json& local : device["local_neighbours"]) {
      fields.push_back(local["fields"]);
      for (const Json& remote : local["remote_neighbours"]) fields.push_back(remote["fields"]);
    }
    return fields;
  };
  EXPECT_EQ(agentFields(edge1), agentFields(DeviceNamed(runs["never"], "edge-1")));
  std::map<std::string, std::string> vlanOf;
  for (const Json& local : edge1["local_neighbours"]) {
    for (const Json& remote : local["remote_neighbours"]) {
      if (remote.contains("vlan")) {
        vlanOf[FieldValue(remote["fields"], "m_RemoteNbrPhysAddr").get<std::string>()] =
            remote["vlan"]["name"].get<std::string>() + " " +
            std::to_string(remote["vlan"]["id"].get<int>());
      }
    }
  }
  EXPECT_EQ(vlanOf["00:1B:21:00:10:01"], "users 10");
  EXPECT_EQ(vlanOf["00:04:F2:00:20:01"], "voice 20");
  EXPECT_EQ(vlanOf["00:0C:29:AB:CD:EF"], "users 10");
}

}  // namespace
