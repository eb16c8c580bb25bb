// Access ports as real networks have them (examples/other-makers/topo-generate.py), discovered
// by the program: the results, the DOT picture, the summary and the inventory store call every
// switch by one name; telephones are hosts; a hub port keeps its hosts.
#include <gtest/gtest.h>

#include <set>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"

namespace {

TEST(OutsideNeighboursTest, PhonesRadiosAndHubsAreNamedAndPlacedAlikeEverywhere) {
  TempDir dir;
  std::string scope = "devices:\n";
  int address = 41;
  for (const char* name : {"phone", "radio", "hub"}) {
    scope += "  - {name: " + std::string(name) + "-sw, address: 127.0.0." +
             std::to_string(address++) + ", recording: " + DISCO_SOURCE_DIR +
             "/examples/other-makers/topo-" + name + ".snmprec}\n";
  }
  EngineProcessResult run =
      RunEngineProcess({"--sleep-scale", "0.001", "--scope", dir.Write("scope.yaml", scope), "-o",
                        "r.json", "--dot", "t.dot", "--db", "inventory.db"},
                       dir.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Json topology = Json::parse(ReadFile(dir.Path() + "/r.json"))["topology"];
  std::set<std::string> names;
  for (const Json& sw : topology["switches"]) names.insert(sw["name"].get<std::string>());
  EXPECT_EQ(names.size(), topology["switches"].size()) << topology["switches"].dump();
  EXPECT_EQ(names.count(""), 0u);
  std::string dot = ReadFile(dir.Path() + "/t.dot");
  for (const Json& link : topology["links"]) {
    std::string name = link["b"]["switch"].get<std::string>();
    EXPECT_EQ(names.count(name), 1u) << name;
    EXPECT_NE(dot.find(name), std::string::npos) << name;
    EXPECT_NE(run.out.find(" " + name + " "), std::string::npos) << name;
  }
  EngineProcessResult find =
      RunEngineProcess({"find", "radio-sw", "--db", "inventory.db", "--json"}, dir.Path());
  Json found = Json::parse(find.out, nullptr, false);
  ASSERT_EQ(found["links"].size(), 2u) << find.out << find.err;
  for (const Json& link : found["links"]) EXPECT_EQ(names.count(link["b"]["switch"]), 1u);

  auto host = [&topology](const char* mac) {
    const Json& h = Entry(topology["hosts"], "mac", mac);
    return h["switch"].get<std::string>() + " " + h["port"].get<std::string>() + " " +
           h.value("behind", "-") + " " + h.value("heard_by", "-");
  };
  EXPECT_EQ(host("00:04:F2:00:20:50"), "phone-sw 1:2 - lldp");  // the telephone
  EXPECT_EQ(host("00:1B:21:00:20:01"), "phone-sw 1:2 - -");     // the PC behind it
  EXPECT_EQ(Entry(topology["hosts"], "chassis_id", "local lab-pc-42")["port"], "1:3");
  EXPECT_EQ(host("00:1B:21:00:40:02"), "radio-sw 1:1 local RADIO-0007 -");
  EXPECT_EQ(names.count("10.0.40.8"), 1u);  // a neighbour without chassis ID
  EXPECT_EQ(host("00:1B:21:00:50:03"), "hub-sw 1:1 - -");
  EXPECT_EQ(Entry(topology["notes"], "kind", "shared_segment")["neighbours"].size(), 6u);
}

}  // namespace
