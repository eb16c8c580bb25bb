// Recordings of other makers' switches (examples/other-makers/replay-*): bad values that cost
// only themselves, and one switch read through two communities on one address, replayed and
// over SNMP.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"
#include "support/Snmpsim.h"

namespace {

std::string OtherMaker(const std::string& name) {
  return std::string(DISCO_SOURCE_DIR) + "/examples/other-makers/" + name + ".snmprec";
}

// The line number of the first line of `file` starting with `start`; 0 when none does.
int LineOf(const std::string& file, const std::string& start) {
  std::istringstream in(ReadFile(file));
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (line.compare(0, start.size(), start) == 0) return n;
  }
  return 0;
}

std::vector<std::string> Macs(const Json& device) {
  std::vector<std::string> macs;
  for (const Remote& r : RemotesOf(device)) {
    if (r.edpPeer.empty()) macs.push_back(r.mac);
  }
  std::sort(macs.begin(), macs.end());
  return macs;
}

// A bridge with bad values in the middle of its tables, an access node numbering its ports past
// 2^31 with values in hex, escaped text and full widths, and a sample switch, in one run: the bad
// values are named and cost only themselves, every other line is read.
TEST(OtherMakersReplayTest, BadValuesCostThemselvesAndEveryFormIsRead) {
  TempDir dir;
  const std::string odd = OtherMaker("replay-bad-values");
  const std::string scope =
      dir.Write("scope.yaml", "devices:\n  - {name: odd-1, address: 127.0.0.61, recording: " + odd +
                                  "}\n  - {name: wide-1, address: 127.0.0.63, recording: " +
                                  OtherMaker("replay-wide-values") +
                                  "}\n  - {name: core-1, address: 127.0.0.11, recording: " +
                                  SampleRecording("core-1") + "}\n");
  EngineProcessResult run = RunEngineProcess(
      {"--scope", scope, "--no-ping", "--fdb", "always", "-o", "r.json"}, dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Json results = Json::parse(ReadFile(dir.Path() + "/r.json"));

  const Json& device = DeviceNamed(results, "odd-1");
  EXPECT_EQ(device["status"], "discovered");
  std::vector<std::string> expected;
  for (const auto& [start, reason] : std::vector<std::pair<std::string, std::string>>{
           {"1.3.6.1.2.1.2.2.1.5.3|", "1.3.6.1.2.1.2.2.1.5.3: bad unsigned 32-bit value ''"},
           {"1.3.6.1.2.1.2.2.1.8.3|", "1.3.6.1.2.1.2.2.1.8.3: bad INTEGER 'one'"},
           {"1.3.6.1.2.1.4.20.1.1.10.0.5.1|", "1.3.6.1.2.1.4.20.1.1.10.0.5.1: bad IpAddress ''"},
           {"1.3.6.1.2.1.17.4.3.1.2.0.27.33.0.80.33", "expected OID|type|value"}}) {
    expected.push_back(odd + ":" + std::to_string(LineOf(odd, start)) + ": " + reason);
  }
  EXPECT_EQ(device["value_problems"], Json(expected));
  // Every interface, and the hosts before and after the bad forwarding row.
  EXPECT_EQ(device["local_neighbours"].size(), 4u);
  EXPECT_EQ(Macs(device), (std::vector<std::string>{"00:1B:21:00:50:20", "00:1B:21:00:50:22"}));
  EXPECT_NE(run.out.find("values left out (value_problems in the results), first: " + odd),
            std::string::npos)
      << run.out;

  const Json& wide = DeviceNamed(results, "wide-1");
  std::vector<std::string> entries;
  for (const Json& e : wide["vlan_fdb"]) {
    entries.push_back(e["mac"].get<std::string>() + " " + e["if_index"].dump() + " " +
                      e["ip"].get<std::string>());
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"00:1B:21:00:90:20 4026531842 10.0.9.20",
                                               "00:1B:21:00:90:21 4026531843 10.0.9.21"}));
  for (const char* clean : {"wide-1", "core-1"}) {
    EXPECT_EQ(DeviceNamed(results, clean)["status"], "discovered") << clean;
    EXPECT_FALSE(DeviceNamed(results, clean).contains("value_problems")) << clean;
  }
}

// The bridge of VLAN 10 read through "community@vlan" next to the default view: two devices,
// each with its own name, credentials and forwarding entries; replayed from their own
// recordings, and over SNMP with their own communities.
TEST(OtherMakersReplayTest, OneAddressTwoCommunitiesAreTwoDevices) {
  const std::string main = OtherMaker("replay-two-communities");
  const std::string vlan10 = OtherMaker("replay-two-communities@10");
  Snmpsim sim;
  ASSERT_TRUE(sim.AddRecordingFile("two", main));
  ASSERT_TRUE(sim.AddRecordingFile("two-vlan10", vlan10));
  std::string error;
  const bool served = Snmpsim::Installed() && sim.Start(&error);
  ASSERT_TRUE(served || !Snmpsim::Installed()) << error;
  for (bool replayed : {true, false}) {
    if (!replayed && !served) continue;
    SCOPED_TRACE(replayed ? "replayed" : "over SNMP");
    const std::string where =
        replayed ? "address: 127.0.0.62, "
                 : "address: " + sim.Address() + ", port: " + std::to_string(sim.Port()) + ", ";
    TempDir dir;
    const std::string scope = dir.Write(
        "scope.yaml", "devices:\n  - {name: two-1, " + where + "community: two" +
                          (replayed ? ", recording: " + main : std::string()) +
                          "}\n  - {name: two-1-vlan10, " + where + "community: two-vlan10" +
                          (replayed ? ", recording: " + vlan10 : std::string()) + "}\n");
    chmod(scope.c_str(), 0600);  // it holds communities
    EngineProcessResult run = RunEngineProcess(
        {"--scope", scope, "--no-ping", "-o", "r.json", "--dot", "t.dot"}, dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json results = Json::parse(ReadFile(dir.Path() + "/r.json"));
    ASSERT_EQ(results["devices"].size(), 2u);
    EXPECT_EQ(Macs(DeviceNamed(results, "two-1")), std::vector<std::string>{"00:1B:21:00:62:01"});
    EXPECT_EQ(Macs(DeviceNamed(results, "two-1-vlan10")),
              std::vector<std::string>{"00:1B:21:00:62:10"});
    const std::string dot = ReadFile(dir.Path() + "/t.dot");
    EXPECT_NE(dot.find("two-1-vlan10"), std::string::npos) << dot;
    if (replayed) continue;
    // Over SNMP each view counts its own answers: as many as when it is read alone.
    const std::string alone =
        dir.Write("alone.yaml", "devices:\n  - {name: two-1, " + where + "community: two}\n");
    chmod(alone.c_str(), 0600);
    ASSERT_EQ(RunEngineProcess({"--scope", alone, "--no-ping", "-q", "-o", "a.json"}, dir.Path())
                  .exitCode,
              0);
    const Json aloneResults = Json::parse(ReadFile(dir.Path() + "/a.json"));
    const Json& one = DeviceNamed(aloneResults, "two-1")["snmp"];
    const Json& shared = DeviceNamed(results, "two-1")["snmp"];
    EXPECT_EQ(shared["responses"], one["responses"]) << shared << one;
    EXPECT_EQ(shared["varbinds"], one["varbinds"]) << shared << one;
  }
}

}  // namespace
