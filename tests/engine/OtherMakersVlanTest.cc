// Standard bridges of other makers replayed from examples/other-makers/vlan-*: the VLANs of each
// port from Q-BRIDGE-MIB, every host with its VLAN whichever table knows it, hosts only the
// Q-BRIDGE table holds placed, and forwarding rows of unmapped bridge ports kept and counted.
#include <gtest/gtest.h>

#include <set>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"

namespace {

std::string Recording(const std::string& name) {
  return std::string(DISCO_SOURCE_DIR) + "/examples/other-makers/" + name + ".snmprec";
}

// "users 10" of a {"id", "name"} object; "-" for null.
std::string Vlan(const Json& vlan) {
  return vlan.is_null() ? "-" : vlan["name"].get<std::string>() + " " + vlan["id"].dump();
}
std::string Vlans(const Json& list) {
  std::string text;
  for (const Json& v : list) text += (text.empty() ? "" : ", ") + Vlan(v);
  return text;
}

class OtherMakersVlanTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_Dir = new TempDir();
    std::string scope = s_Dir->Write(
        "scope.yaml", "devices:\n  - {name: vlan-bridge, address: 127.0.0.41, recording: " +
                          Recording("vlan-bridge") +
                          "}\n  - {name: vlan-by-ifindex, address: 127.0.0.42, recording: " +
                          Recording("vlan-by-ifindex") + "}\n");
    EngineProcessResult run =
        RunEngineProcess({"--scope", scope, "--no-ping", "-q", "-o", "out.json"}, s_Dir->Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    s_Results = Json::parse(ReadFile(s_Dir->Path() + "/out.json"));
  }
  static void TearDownTestSuite() { delete s_Dir; }
  static TempDir* s_Dir;
  static Json s_Results;
};
TempDir* OtherMakersVlanTest::s_Dir = nullptr;
Json OtherMakersVlanTest::s_Results;

TEST_F(OtherMakersVlanTest, PortsHaveTheirNativeAndMemberVlans) {
  const Json& bridge = DeviceNamed(s_Results, "vlan-bridge");
  ASSERT_FALSE(bridge.is_null());
  struct Want {
    const char* label;
    const char* native;
    const char* untagged;
    const char* tagged;
  };
  for (const Want& w :
       {Want{"1:1", "users 10", "users 10", ""}, Want{"1:2", "users 10", "users 10", "voice 20"},
        Want{"1:3", "default 1", "default 1", "users 10, voice 20"}}) {
    const Json& vlans = LocalAt(bridge, w.label)["port_vlans"];
    ASSERT_TRUE(vlans.is_object()) << w.label;
    EXPECT_EQ(Vlan(vlans["native_vlan"]), w.native) << w.label;
    EXPECT_EQ(Vlans(vlans["untagged"]), w.untagged) << w.label;
    EXPECT_EQ(Vlans(vlans["tagged"]), w.tagged) << w.label;
  }
  // Bridge port 4 maps to no interface: its VLANs stay, without a port, and are reported.
  ASSERT_EQ(bridge["port_vlans"].size(), 4u);
  const Json& four = bridge["port_vlans"][3];
  EXPECT_EQ(four["bridge_port"], 4);
  EXPECT_TRUE(four["port"].is_null());
  EXPECT_EQ(Vlan(four["native_vlan"]), "users 10");
  ASSERT_TRUE(bridge.contains("collector_problems"));
  EXPECT_NE(bridge["collector_problems"].dump().find("bridge port 4"), std::string::npos);

  // Bridge ports numbered by ifIndex, with no mapping at all: port number = ifIndex.
  const Json& byIfIndex = DeviceNamed(s_Results, "vlan-by-ifindex");
  EXPECT_EQ(Vlans(LocalAt(byIfIndex, "1:51")["port_vlans"]["tagged"]), "lab 30");
}

TEST_F(OtherMakersVlanTest, EveryHostCarriesItsVlanAndOnlyQBridgeHostsArePlaced) {
  const Json& bridge = DeviceNamed(s_Results, "vlan-bridge");
  // The agent's host, from the bridge table, carries the VLAN the Q-BRIDGE table gives it.
  const Json& port1 = LocalAt(bridge, "1:1");
  ASSERT_EQ(port1["remote_neighbours"].size(), 1u);
  EXPECT_EQ(Vlan(port1["remote_neighbours"][0]["vlan"]), "users 10");

  EXPECT_EQ(bridge["vlan_fdb_source"], "dot1qTpFdbTable");
  EXPECT_EQ(Entry(bridge["vlan_fdb"], "mac", "00:1B:21:00:41:03")["ip"], "10.0.20.43");
  // A row on the unmapped bridge port is kept with a null port and counted.
  const Json& lost = Entry(bridge["vlan_fdb"], "mac", "00:1B:21:00:41:04");
  ASSERT_FALSE(lost.is_null());
  EXPECT_TRUE(lost["port"].is_null());
  EXPECT_EQ(lost["vlan_id"], 10);
  EXPECT_EQ(bridge["vlan_fdb_without_port"], 1);

  // Hosts only the Q-BRIDGE table holds are placed in the topology.
  std::set<std::string> placed;
  for (const Json& h : s_Results["topology"]["hosts"]) {
    placed.insert(h["mac"].get<std::string>() + " " + h["switch"].get<std::string>() + " " +
                  h["port"].get<std::string>());
  }
  EXPECT_TRUE(placed.count("00:04:F2:00:41:02 vlan-bridge 1:2")) << s_Results["topology"].dump();
  EXPECT_TRUE(placed.count("00:1B:21:00:41:03 vlan-bridge 1:3"));
  // Each with the VLAN its switch's table gives it.
  int withVlan = 0;
  for (const Json& h : s_Results["topology"]["hosts"]) {
    if (h["switch"] != "vlan-bridge") continue;
    const Json& learned = Entry(bridge["vlan_fdb"], "mac", h["mac"].get<std::string>());
    if (learned.is_null()) continue;
    EXPECT_EQ(h.value("vlan", Json()), learned["vlan_id"]) << h.dump();
    ++withVlan;
  }
  EXPECT_GE(withVlan, 2);

  // No mapping at all: every row finds its port by number.
  const Json& byIfIndex = DeviceNamed(s_Results, "vlan-by-ifindex");
  EXPECT_EQ(byIfIndex["vlan_fdb"].size(), 3u);
  EXPECT_EQ(byIfIndex["vlan_fdb_without_port"], 0);
  EXPECT_EQ(Entry(byIfIndex["vlan_fdb"], "mac", "00:1B:21:00:42:02")["if_index"], 50);
}

}  // namespace
