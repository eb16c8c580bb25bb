// Access ports as real networks have them (examples/other-makers/topo-generate.py): a telephone
// with a PC behind it, a radio and a neighbour known by little more than an address, a hub with
// six switches behind it. Discovered by the program from the recordings; the results, the DOT
// picture, the summary and the inventory store must call every switch by the same name.
#include <gtest/gtest.h>

#include <set>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"

namespace {

const Json& HostWith(const Json& topology, const std::string& key, const std::string& value) {
  return Entry(topology["hosts"], key, value);
}

TEST(OutsideNeighboursTest, PhonesRadiosAndHubsAreNamedAndPlacedAlikeEverywhere) {
  TempDir dir;
  const std::string folder = std::string(DISCO_SOURCE_DIR) + "/examples/other-makers/topo-";
  std::string scope = "devices:\n";
  int address = 41;
  for (const char* name : {"phone", "radio", "hub"}) {
    scope += "  - {name: " + std::string(name) + "-sw, address: 127.0.0." +
             std::to_string(address++) + ", recording: " + folder + name + ".snmprec}\n";
  }
  EngineProcessResult run =
      RunEngineProcess({"--sleep-scale", "0.001", "--scope", dir.Write("scope.yaml", scope), "-o",
                        "r.json", "--dot", "t.dot", "--db", "inventory.db"},
                       dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Json results = Json::parse(ReadFile(dir.Path() + "/r.json"), nullptr, false);
  ASSERT_FALSE(results.is_discarded());
  const Json& topology = results["topology"];

  // One name per switch, never empty, and the same wherever the switch is named.
  std::set<std::string> names;
  for (const Json& sw : topology["switches"]) {
    std::string name = sw["name"].get<std::string>();
    EXPECT_FALSE(name.empty()) << sw.dump();
    EXPECT_TRUE(names.insert(name).second) << name << " twice";
  }
  EXPECT_EQ(names.size(), 3u + 2u + 6u) << topology["switches"].dump(1);
  for (const char* name : {"local RADIO-0007", "10.0.40.8", "desk-sw-1", "02:00:00:00:50:04"}) {
    EXPECT_EQ(names.count(name), 1u) << name;
  }
  std::string dot = ReadFile(dir.Path() + "/t.dot");
  std::set<std::string> linked;
  for (const Json& link : topology["links"]) {
    for (const char* end : {"a", "b"}) {
      std::string name = link[end]["switch"].get<std::string>();
      EXPECT_EQ(names.count(name), 1u) << name;
      linked.insert(name);
      EXPECT_NE(dot.find(name), std::string::npos) << name;
      EXPECT_NE(run.out.find(" " + name + " "), std::string::npos) << name;
    }
  }
  EXPECT_EQ(linked.size(), 2u + 2u + 6u);  // all but phone-sw, which has no link
  EngineProcessResult find =
      RunEngineProcess({"find", "hub-sw", "--db", "inventory.db", "--json"}, dir.Path());
  Json found = Json::parse(find.out, nullptr, false);
  ASSERT_EQ(found["links"].size(), 6u) << find.out << find.err;
  for (const Json& link : found["links"]) {
    EXPECT_EQ(linked.count(link["a"]["switch"].get<std::string>()) +
                  linked.count(link["b"]["switch"].get<std::string>()),
              2u)
        << link.dump();
  }

  // The telephone and the workstation are hosts where LLDP heard them; the PC stays on the
  // telephone's port.
  const Json& phone = HostWith(topology, "mac", "00:04:F2:00:20:50");
  EXPECT_EQ(phone["switch"], "phone-sw");
  EXPECT_EQ(phone["port"], "1:2");
  EXPECT_EQ(phone["ip"], "10.0.20.50");
  EXPECT_EQ(phone["heard_by"], "lldp");
  EXPECT_EQ(phone["sys_name"], "SEP0004F2002050");
  const Json& pc = HostWith(topology, "mac", "00:1B:21:00:20:01");
  EXPECT_EQ(pc["port"], "1:2");
  EXPECT_EQ(pc["ip"], "10.0.10.120");
  EXPECT_FALSE(pc.contains("behind")) << pc.dump();
  const Json& station = HostWith(topology, "chassis_id", "local lab-pc-42");
  EXPECT_TRUE(station["mac"].is_null()) << station.dump();
  EXPECT_EQ(station["port"], "1:3");

  // Clients behind the radio; the hub's hosts on the hub port, behind none of its switches,
  // whose note lists them all.
  EXPECT_EQ(HostWith(topology, "mac", "00:1B:21:00:40:02")["behind"], "local RADIO-0007");
  for (const char* mac : {"00:1B:21:00:50:01", "00:1B:21:00:50:02", "00:1B:21:00:50:03"}) {
    const Json& host = HostWith(topology, "mac", mac);
    EXPECT_EQ(host["switch"], "hub-sw");
    EXPECT_EQ(host["port"], "1:1");
    EXPECT_EQ(host["shared"], true);
    EXPECT_FALSE(host.contains("behind")) << host.dump();
  }
  const Json& segment = Entry(topology["notes"], "kind", "shared_segment");
  EXPECT_EQ(segment["switch"], "hub-sw");
  EXPECT_EQ(segment["neighbours"].size(), 6u) << segment.dump();
  EXPECT_NE(run.out.find("shared segment: hub-sw 1:1 hears 6 switches"), std::string::npos)
      << run.out;
}

}  // namespace
