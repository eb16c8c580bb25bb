// History as intervals on both stores: a moved host and a cut link, identical runs, pruning.
#include "StoreFixture.h"

using namespace disco::store;

namespace {

using StoreHistoryTest = StoreTest;

TEST_P(StoreHistoryTest, MovedHostAndCutLinkAreWhatFindAndChangesSay) {
  auto store = Open();
  ASSERT_TRUE(store);
  std::string error;
  std::int64_t first = store->WriteRun(SampleRun(kDay1), nullptr, &error);
  std::int64_t second = store->WriteRun(ChangedRun(kDay1 + 86400), nullptr, &error);
  ASSERT_GT(first, 0) << error;
  ASSERT_EQ(second, first + 1) << error;

  // The moved host's MAC in two notations (the others are StoreAddressesTest's), and its IPv4
  // address, find the same two places.
  for (const char* query : {"00:11:22:33:44:55", "0011.2233.4455", "10.0.0.5"}) {
    FindResult found;
    ASSERT_TRUE(store->Find(query, &found, &error)) << error;
    ASSERT_EQ(found.matches.size(), 2u) << query;
    const Placement& now = found.matches[0];
    const Placement& before = found.matches[1];
    EXPECT_TRUE(now.current);
    EXPECT_EQ(now.device + ":" + now.port, "edge-2:1:2");
    EXPECT_EQ(now.firstSeen, kDay1 + 86400);
    EXPECT_FALSE(before.current);
    EXPECT_EQ(before.device + ":" + before.port, "edge-1:1:3");
    EXPECT_EQ(before.ip, "10.0.0.5");
    EXPECT_EQ(before.vlan, 10);
    EXPECT_EQ(before.firstSeen, kDay1);
    EXPECT_EQ(before.lastSeen, kDay1 + 300);
  }

  ChangesResult changes;
  ASSERT_TRUE(store->Changes(0, 0, &changes, &error)) << error;
  EXPECT_EQ(changes.fromRun, first);
  EXPECT_EQ(changes.toRun, second);
  ASSERT_EQ(changes.hostsMoved.size(), 1u);
  EXPECT_EQ(changes.hostsMoved[0].mac, "00:11:22:33:44:55");
  EXPECT_EQ(changes.hostsMoved[0].from.device + ":" + changes.hostsMoved[0].from.port,
            "edge-1:1:3");
  EXPECT_EQ(changes.hostsMoved[0].to.device + ":" + changes.hostsMoved[0].to.port, "edge-2:1:2");
  ASSERT_EQ(changes.hostsNew.size(), 1u);
  EXPECT_EQ(changes.hostsNew[0].mac, "00:11:22:00:00:04");
  ASSERT_EQ(changes.hostsGone.size(), 1u);
  EXPECT_EQ(changes.hostsGone[0].mac, "00:11:22:00:00:03");
  EXPECT_TRUE(changes.linksAdded.empty());
  ASSERT_EQ(changes.linksRemoved.size(), 1u);
  EXPECT_EQ(changes.linksRemoved[0].deviceA + ":" + changes.linksRemoved[0].portA + " " +
                changes.linksRemoved[0].deviceB + ":" + changes.linksRemoved[0].portB,
            "core-1:1:2 edge-2:1:1");
  ASSERT_EQ(changes.portsChanged.size(), 1u);
  EXPECT_EQ(changes.portsChanged[0].port, "1:1");
  EXPECT_EQ(changes.portsChanged[0].statusFrom + ">" + changes.portsChanged[0].statusTo, "up>down");
  EXPECT_EQ(changes.devicesLost, std::vector<std::string>{"ap-1"});

  // A switch by name or sysName: its own row and only the link it still has.
  FindResult core;
  ASSERT_TRUE(store->Find("CORE-1.example", &core, &error)) << error;
  EXPECT_EQ(core.kind, "switch");
  ASSERT_FALSE(core.matches.empty());
  EXPECT_EQ(core.matches[0].mac, "00:04:96:00:00:01");
  ASSERT_EQ(core.links.size(), 1u);
  EXPECT_EQ(core.links[0].deviceB, "edge-1");

  // A port, and a name heard through LLDP.
  FindResult port, printer;
  ASSERT_TRUE(store->Find("edge-2:1:3", &port, &error)) << error;
  ASSERT_EQ(port.matches.size(), 1u);
  EXPECT_EQ(port.matches[0].mac, "00:11:22:00:00:02");
  ASSERT_TRUE(store->Find("printer-7", &printer, &error)) << error;
  ASSERT_EQ(printer.matches.size(), 1u);
  EXPECT_EQ(printer.matches[0].device + ":" + printer.matches[0].port, "edge-1:1:2");
  EXPECT_TRUE(printer.matches[0].current);

  // Ports: edge-2:1:4 lost its host a day before the latest run; linked ports are left out.
  std::vector<IdlePort> idle;
  ASSERT_TRUE(store->IdlePorts(0, "edge-2", &idle, &error)) << error;
  std::vector<std::string> names;
  for (const IdlePort& p : idle) names.push_back(p.port + "/" + p.lastMac);
  EXPECT_EQ(names, (std::vector<std::string>{"1:1/", "1:4/00:11:22:00:00:03"}));
  ASSERT_TRUE(store->IdlePorts(2, "edge-2", &idle, &error)) << error;
  EXPECT_EQ(idle.size(), 1u);  // 1:1, never a host; 1:4's host is a day old

  EXPECT_FALSE(store->Changes(second, first, &changes, &error));
  EXPECT_FALSE(store->Changes(first, 99, &changes, &error));
  EXPECT_NE(error.find("no run 99"), std::string::npos) << error;
}

TEST_P(StoreHistoryTest, IdenticalRunsExtendRowsAndPruneKeepsTheirHistory) {
  auto store = Open();
  ASSERT_TRUE(store);
  std::string error;
  const std::string kRows =
      "SELECT (SELECT count(*) FROM host_facts) + (SELECT count(*) FROM interface_facts) +"
      " (SELECT count(*) FROM link_facts) + (SELECT count(*) FROM device_facts) +"
      " (SELECT count(*) FROM neighbour_facts)";
  for (int i = 0; i < 10; ++i) {
    ASSERT_GT(store->WriteRun(SampleRun(kDay1 + i * 3600), nullptr, &error), 0) << error;
  }
  EXPECT_EQ(Count("SELECT count(*) FROM host_facts"), 3);
  EXPECT_EQ(Count(kRows), 3 + 12 + 2 + 4 + 1);
  FindResult found;
  ASSERT_TRUE(store->Find("00:11:22:33:44:55", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 1u);
  EXPECT_EQ(found.matches[0].firstSeen, kDay1);
  EXPECT_EQ(found.matches[0].lastSeen, kDay1 + 9 * 3600 + 300);

  // A host missing from one run ends its row; back again, it opens another.
  RunSnapshot without = SampleRun(kDay1 + 10 * 3600);
  without.hosts.erase(without.hosts.begin());
  ASSERT_GT(store->WriteRun(without, nullptr, &error), 0) << error;
  ASSERT_GT(store->WriteRun(SampleRun(kDay1 + 11 * 3600), nullptr, &error), 0) << error;
  ASSERT_TRUE(store->Find("00:11:22:33:44:55", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 2u);
  EXPECT_EQ(found.matches[1].lastSeen, kDay1 + 9 * 3600 + 300);
  EXPECT_EQ(found.matches[0].firstSeen, kDay1 + 11 * 3600);

  // Keep the last two runs: the first interval (runs 1-10) goes, the current one stays.
  PruneResult pruned;
  ASSERT_TRUE(store->Prune({2, 0}, &pruned, &error)) << error;
  EXPECT_EQ(pruned.runsRemoved, 10);
  std::vector<RunRow> runs;
  ASSERT_TRUE(store->Runs(&runs, &error)) << error;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].id, 11);
  ASSERT_TRUE(store->Find("00:11:22:33:44:55", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 1u);
  EXPECT_TRUE(found.matches[0].current);
  ASSERT_TRUE(store->Find("00:11:22:00:00:02", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 1u);
  EXPECT_EQ(found.matches[0].firstRun, 11);
  EXPECT_EQ(found.matches[0].firstSeen, kDay1);  // when it was first seen stays true
  ChangesResult changes;
  ASSERT_TRUE(store->Changes(0, 0, &changes, &error)) << error;
  EXPECT_EQ(changes.hostsNew.size(), 1u);
  // By age: runs that ended more than a day before the newest go (none here).
  ASSERT_TRUE(store->Prune({0, 1}, &pruned, &error)) << error;
  EXPECT_EQ(pruned.runsRemoved, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreHistoryTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

}  // namespace
