// Devices of other makers replayed from examples/other-makers (iface-*): every interface kept
// whatever the numbering, virtual interfaces marked and kept out of the topology, and the
// devices the agent declines (a router, a bridge without dot1dTpAgingTime) read by the engine's
// own collectors, the router's ARP table naming the hosts the bridge places.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"

namespace {

std::string Recording(const std::string& name) {
  return std::string(DISCO_SOURCE_DIR) + "/examples/other-makers/iface-" + name + ".snmprec";
}

class OtherMakersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_Dir = new TempDir();
    // The bridge comes before the router in the scope: the router's ARP table still wins.
    std::string scope = s_Dir->Write(
        "scope.yaml",
        "devices:\n  - {name: stack, address: 127.0.0.31, recording: " + Recording("stack-1001") +
            "}\n  - {name: l2, address: 127.0.0.32, recording: " + Recording("unit-10101") +
            "}\n  - {name: rtr, address: 127.0.0.33, recording: " + Recording("router") + "}\n");
    s_Run = RunEngineProcess(
        {"--scope", scope, "--no-ping", "-q", "-o", "r.json", "--db", "inventory.db"},
        s_Dir->Path());
    s_Results = Json::parse(ReadFile(s_Dir->Path() + "/r.json"), nullptr, false);
  }
  static void TearDownTestSuite() { delete s_Dir; }

  // label by ifIndex, checking that no label is given twice.
  static std::map<long, std::string> Labels(const Json& device) {
    std::map<long, std::string> out;
    std::set<std::string> seen;
    for (const Json& i : device["interfaces"]) {
      out[i["if_index"].get<long>()] = i["port"].get<std::string>();
      EXPECT_TRUE(seen.insert(i["port"].get<std::string>()).second) << i.dump();
    }
    return out;
  }

  static inline TempDir* s_Dir = nullptr;
  static inline EngineProcessResult s_Run;
  static inline Json s_Results;
};

TEST_F(OtherMakersTest, EveryInterfaceAndAddressIsKeptUnderAUniqueLabel) {
  ASSERT_FALSE(s_Results.is_discarded()) << s_Run.err;
  const Json& stack = DeviceNamed(s_Results, "stack");
  EXPECT_EQ(stack["collected_by"], Json({"agent", "engine"}));
  std::map<long, std::string> labels = Labels(stack);
  ASSERT_EQ(labels.size(), 8u);
  // How colliding numbers are labelled is InterfaceLabelsTest's; here the agent's slot:port
  // reaches the labels where it fits.
  EXPECT_EQ(labels[1003], "1:3");
  EXPECT_EQ(labels[1005], "Vlan5");
  EXPECT_TRUE(Entry(stack["interfaces"], "port", "Vlan5")["virtual"].get<bool>());
  // The management address on the interface the agent could not keep stays, on it.
  const Json& management = Entry(stack["ip_addresses"], "ip", "10.9.0.20");
  EXPECT_EQ(management["if_index"], 1001);
  EXPECT_EQ(management["port"], "2/1");

  const Json& l2 = DeviceNamed(s_Results, "l2");
  labels = Labels(l2);
  EXPECT_EQ(labels.count(999), 0u);  // no phantom interface for the address below
  const Json& lost = Entry(l2["ip_addresses"], "ip", "10.9.9.10");
  EXPECT_EQ(lost["if_index"], 999);
  EXPECT_TRUE(lost["port"].is_null());

  const Json& rtr = DeviceNamed(s_Results, "rtr");
  labels = Labels(rtr);
  EXPECT_EQ(Entry(rtr["interfaces"], "port", "Tu0")["if_type"], 131);
  EXPECT_EQ(Entry(rtr["ip_addresses"], "ip", "10.255.0.9")["port"], "Lo0");
  // The summary lists them too: the one the agent could not keep, and the router's.
  EXPECT_NE(s_Run.out.find("\n  2/1 "), std::string::npos) << s_Run.out;
  EXPECT_NE(s_Run.out.find("\n  Gi0/0/0 "), std::string::npos) << s_Run.out;
}

TEST_F(OtherMakersTest, DeclinedDevicesAreReadByTheEngineAndPlaceTheirHosts) {
  ASSERT_FALSE(s_Results.is_discarded()) << s_Run.err;
  for (const char* name : {"l2", "rtr"}) {
    const Json& d = DeviceNamed(s_Results, name);
    EXPECT_EQ(d["status"], "rejected") << name;
    EXPECT_FALSE(d["passed_filter"].get<bool>()) << name;
    EXPECT_EQ(d["collected_by"], Json({"engine"})) << name;
    EXPECT_NE(d["reason"].get<std::string>().find("read by the engine"), std::string::npos);
  }
  EXPECT_EQ(DeviceNamed(s_Results, "rtr")["arp_entries"], 3);
  // The store keeps the router's interfaces as the engine read them: no host or link on any.
  EngineProcessResult idle = RunEngineProcess(
      {"ports", "--idle", "0", "rtr", "--db", "inventory.db", "--json"}, s_Dir->Path());
  Json stored = Json::parse(idle.out, nullptr, false);
  ASSERT_FALSE(stored.is_discarded()) << idle.err;
  std::set<std::string> storedPorts, readPorts;
  for (const Json& p : stored["ports"]) storedPorts.insert(p["port"].get<std::string>());
  for (const Json& i : DeviceNamed(s_Results, "rtr")["interfaces"]) {
    readPorts.insert(i["port"].get<std::string>());
  }
  EXPECT_FALSE(readPorts.empty());
  EXPECT_EQ(storedPorts, readPorts);

  const Json& l2 = DeviceNamed(s_Results, "l2");
  EXPECT_EQ(l2["vlan_fdb_source"], "dot1qTpFdbTable");
  const Json& host = Entry(l2["vlan_fdb"], "mac", "02:00:00:09:00:21");
  EXPECT_EQ(host["port"], "1/1/2");
  EXPECT_EQ(host["vlan_id"], 10);
  EXPECT_EQ(host["ip"], "10.9.0.21");  // from the router's ARP table

  // The bridge is a switch of the topology, its hosts on their ports; the router, with no
  // forwarding table, is not; no VLAN or loopback interface is a port anywhere.
  const Json& topology = s_Results["topology"];
  EXPECT_FALSE(Entry(topology["switches"], "name", "l2").is_null());
  EXPECT_TRUE(Entry(topology["switches"], "name", "rtr").is_null());
  const Json& placed = Entry(topology["hosts"], "mac", "02:00:00:09:00:22");
  EXPECT_EQ(placed["switch"], "l2");
  EXPECT_EQ(placed["port"], "1/1/3");
  EXPECT_EQ(placed["ip"], "10.9.0.22");
  // The stack's forwarding table has a station on the bridge port of its VLAN interface Vlan5
  // (which the agent numbers 1:5): not placed there.
  const Json& onVlan = Entry(topology["hosts"], "mac", "02:00:00:09:00:55");
  EXPECT_TRUE(onVlan.is_null() || (onVlan["port"] != "1:5" && onVlan["port"] != "Vlan5"))
      << onVlan.dump();
}

}  // namespace
