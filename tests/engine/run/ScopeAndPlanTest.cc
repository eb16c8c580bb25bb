// The scope file and the discovery plan made from it with the command line: what reaches each
// device, and which addresses are pinged.
#include <gtest/gtest.h>

#include "engine/base/Ipv4Address.h"
#include "engine/cli/ScopeFile.h"
#include "engine/cli/Secrets.h"
#include "engine/run/DeviceRun.h"
#include "engine/run/DiscoveryPlan.h"
#include "support/AtomText.h"
#include "support/EngineProcess.h"

namespace {

using disco::BuildDiscoveryPlan;
using disco::DiscoveryPlan;
using disco::EngineOptions;
using disco::ParseScopeText;
using disco::ScopeDocument;

// Parses `scope` and plans it with `cli` options; fails the test on an error.
DiscoveryPlan Plan(const std::string& scope, const std::vector<std::string>& cli = {}) {
  EngineOptions options;
  std::string error;
  if (!cli.empty()) {
    std::vector<std::string> args = cli;
    args.push_back("127.0.0.99");  // a device, so that the command line parses
    EXPECT_EQ(disco::ParseCommandLine(args, &options, &error), disco::ParseOutcome::kRun) << error;
    options.hosts.clear();
  }
  ScopeDocument doc;
  EXPECT_TRUE(ParseScopeText(scope, "/scopes", &doc, &error)) << error;
  DiscoveryPlan plan;
  EXPECT_TRUE(BuildDiscoveryPlan(options, &doc, &plan, &error)) << error;
  return plan;
}

// The error of planning `scope`, which parses but must be refused.
std::string PlanError(const std::string& scope) {
  ScopeDocument doc;
  std::string error;
  EXPECT_TRUE(ParseScopeText(scope, "/scopes", &doc, &error)) << error;
  DiscoveryPlan refused;
  EXPECT_FALSE(BuildDiscoveryPlan(EngineOptions(), &doc, &refused, &error));
  return error;
}

TEST(ScopeAndPlanTest, DeviceSettingsBeatTheCommandLineWhichBeatsScopeDefaults) {
  DiscoveryPlan plan = Plan(
      "defaults: {community: fromscope, timeout: 5, port: 1161, max_repetitions: 10}\n"
      "devices:\n"
      "  - {address: 127.0.0.1}\n"
      "  - {address: 127.0.0.2, community: own, retries: 3, port: 2161, max_repetitions: 7}\n"
      "  - {address: '127.0.0.3:3161', name: three}\n",
      {"-c", "cli", "-r", "0", "-Cr40"});
  std::vector<std::string> settings;  // name, community, timeout, retries, max-repetitions, port
  for (const disco::DeviceEntry& d : plan.devices) {
    const CDiscoSnmpCredentials& c = d.credentials;
    settings.push_back(d.name + " " + c.community + " " + std::to_string(c.timeoutMs) + " " +
                       std::to_string(c.retries) + " " + std::to_string(c.maxRepetitions) + " " +
                       std::to_string(d.port));
  }
  EXPECT_EQ(settings,
            (std::vector<std::string>{"127.0.0.1 cli 5000 0 40 1161", "127.0.0.2 own 5000 3 7 2161",
                                      "three cli 5000 0 40 3161"}));
}

TEST(ScopeAndPlanTest, TheStoreOptionTakesAFileButLeavesADevicesAddress) {
  const struct {
    std::vector<std::string> args;
    std::string store;
    std::vector<std::string> hosts;
  } cases[] = {
      {{"--db", "127.0.0.7"}, "", {"127.0.0.7"}},
      {{"--db", "127.0.0.7:1161", "127.0.0.8"}, "", {"127.0.0.7:1161", "127.0.0.8"}},
      {{"--db", "inventory.db", "127.0.0.7"}, "inventory.db", {"127.0.0.7"}},
  };
  for (const auto& c : cases) {
    EngineOptions options;
    std::string error;
    ASSERT_EQ(disco::ParseCommandLine(c.args, &options, &error), disco::ParseOutcome::kRun)
        << error;
    ASSERT_TRUE(options.dbTarget.has_value());
    EXPECT_EQ(*options.dbTarget, c.store);
    EXPECT_EQ(options.hosts, c.hosts);
  }
}

TEST(ScopeAndPlanTest, MaxRepetitionsTakesNetSnmpsSpellingsAndAScopeDefault) {
  const struct {
    std::vector<std::string> cli;
    int maxRepetitions;
  } cases[] = {{{"-Cr33"}, 33},
               {{"-Cr", "33"}, 33},
               {{"-C", "r33"}, 33},
               {{"-Cr", "1000"}, 1000},
               {{"-q"}, 12}};  // the scope's default, with no -Cr
  for (const auto& c : cases) {
    DiscoveryPlan plan = Plan("defaults: {max_repetitions: 12}\ndevices: [127.0.0.1]\n", c.cli);
    ASSERT_EQ(plan.devices.size(), 1u);
    std::string given;
    for (const std::string& arg : c.cli) given += arg + " ";
    EXPECT_EQ(plan.devices[0].credentials.maxRepetitions, c.maxRepetitions) << given;
  }
}

TEST(ScopeAndPlanTest, DeviceRecordCarriesTheScopesDeviceSettings) {
  DiscoveryPlan plan = Plan(
      "devices:\n"
      "  - {address: 127.0.0.1, download_fdb: false, address_space: lab, port: 16100}\n"
      "  - {address: 127.0.0.2}\n");
  // The settings a device does not give are left out, not given defaults.
  EXPECT_EQ(ShowFields(disco::MakeDeviceRecord(plan.devices[0])->RRValues()),
            "m_Name='127.0.0.1' m_IpAddress='127.0.0.1' m_SnmpPort=16100 m_DownloadFdbData=0 "
            "m_AddressSpace='lab'");
  EXPECT_EQ(ShowFields(disco::MakeDeviceRecord(plan.devices[1])->RRValues()),
            "m_Name='127.0.0.2' m_IpAddress='127.0.0.2'");
}

// A relative recording is taken from the scope file's folder; without a ping list only the
// devices reached over the network are pinged; a ping list's entries expand without repeats.
TEST(ScopeAndPlanTest, RecordingsAndPingListsGiveTheAddressesToPing) {
  TempDir dir;
  dir.Write("sw.snmprec", "1.3.6.1.2.1.1.5.0|4|sw\n");
  std::string scope = dir.Write(
      "scope.yaml",
      "devices:\n  - 127.0.0.1\n  - {address: 127.0.0.2, recording: sw.snmprec}\n  - 127.0.0.3\n");
  ScopeDocument doc;
  std::string error;
  ASSERT_TRUE(disco::LoadScopeFile(scope, &doc, &error)) << error;
  EXPECT_EQ(doc.devices[1].recording, dir.Path() + "/sw.snmprec");
  DiscoveryPlan plan;
  ASSERT_TRUE(BuildDiscoveryPlan(EngineOptions(), &doc, &plan, &error)) << error;
  EXPECT_EQ(plan.pingAddresses, (std::vector<std::string>{"127.0.0.1", "127.0.0.3"}));

  plan = Plan(
      "devices: [127.0.0.1]\n"
      "ping: [192.0.2.0/30, 192.0.2.4/31, 192.0.2.9/32, 192.0.2.1, 192.0.2.254-192.0.3.1, "
      "198.51.100.7-8]\n");
  EXPECT_EQ(plan.pingAddresses,
            (std::vector<std::string>{"192.0.2.1", "192.0.2.2", "192.0.2.4", "192.0.2.5",
                                      "192.0.2.9", "192.0.2.254", "192.0.2.255", "192.0.3.0",
                                      "192.0.3.1", "198.51.100.7", "198.51.100.8"}));
}

// What each site's pollers sweep: an address stays with every site once any entry (or, without
// a ping list, its device) gives it no site; otherwise with each site that names it.
TEST(ScopeAndPlanTest, SitesKeepOnlyThePingAddressesTheirDevicesNeed) {
  DiscoveryPlan plan = Plan(
      "devices: [127.0.0.1]\n"
      "ping:\n"
      "  - {addresses: 192.0.2.1-192.0.2.3, site: east}\n"
      "  - 192.0.2.3\n"
      "  - {addresses: 192.0.2.2, site: west}\n"
      "  - {addresses: 192.0.2.9, site: west}\n"
      "  - 198.51.100.1\n");
  const std::vector<std::string> all = {"192.0.2.1", "192.0.2.2", "192.0.2.3", "192.0.2.9",
                                        "198.51.100.1"};
  EXPECT_EQ(plan.pingAddresses, all);  // a run of one process pings them all
  using disco::PingAddressesOfSite;
  EXPECT_EQ(PingAddressesOfSite(plan.pingAddresses, plan.pingSites, "east"),
            (std::vector<std::string>{"192.0.2.1", "192.0.2.2", "192.0.2.3", "198.51.100.1"}));
  EXPECT_EQ(PingAddressesOfSite(plan.pingAddresses, plan.pingSites, "west"),
            (std::vector<std::string>{"192.0.2.2", "192.0.2.3", "192.0.2.9", "198.51.100.1"}));
  EXPECT_EQ(PingAddressesOfSite(plan.pingAddresses, plan.pingSites, "north"),
            (std::vector<std::string>{"192.0.2.3", "198.51.100.1"}));
  EXPECT_EQ(PingAddressesOfSite(plan.pingAddresses, plan.pingSites, ""), all);

  DiscoveryPlan devices = Plan(
      "defaults: {site: east}\n"
      "devices:\n  - 127.0.0.1\n  - {address: 127.0.0.2, site: west}\n");
  EXPECT_EQ(PingAddressesOfSite(devices.pingAddresses, devices.pingSites, "west"),
            (std::vector<std::string>{"127.0.0.2"}));
}

TEST(ScopeAndPlanTest, SecretsFromTheEnvironmentLieUnderEveryOtherLayer) {
  setenv(disco::kCommunityVariable, "fromenv", 1);
  setenv(disco::kAuthPassphraseVariable, "env-passphrase", 1);
  setenv(disco::kPrivPassphraseVariable, "", 1);  // empty: not set
  EngineOptions options;
  std::string error;
  bool read = disco::SecretsFromEnvironment(&options.environmentSecrets, &error);
  unsetenv(disco::kCommunityVariable);
  unsetenv(disco::kAuthPassphraseVariable);
  unsetenv(disco::kPrivPassphraseVariable);
  ASSERT_TRUE(read) << error;
  ScopeDocument doc;
  ASSERT_TRUE(
      ParseScopeText("defaults: {auth_passphrase: scope-passphrase}\n"
                     "devices: [127.0.0.1, {address: 127.0.0.2, community: own}]\n",
                     "/scopes", &doc, &error));
  DiscoveryPlan plan;
  ASSERT_TRUE(BuildDiscoveryPlan(options, &doc, &plan, &error)) << error;
  EXPECT_EQ(plan.devices[0].credentials.community, "fromenv");
  EXPECT_EQ(plan.devices[1].credentials.community, "own");
  EXPECT_EQ(plan.devices[0].credentials.authPassphrase, "scope-passphrase");
  EXPECT_EQ(plan.devices[0].credentials.privPassphrase, "");
}

TEST(ScopeAndPlanTest, PingLimitCountsDistinctAddresses) {
  // 4096 addresses, the limit, each written twice: overlapping entries count once.
  DiscoveryPlan plan = Plan(
      "devices: [127.0.0.1]\n"
      "ping: [10.0.0.0-10.0.15.255, 10.0.0.0-10.0.15.255, 10.0.0.7]\n");
  EXPECT_EQ(plan.pingAddresses.size(), 4096u);
  // One more distinct address is one too many.
  std::string error = PlanError("devices: [127.0.0.1]\nping: [10.0.0.0-10.0.15.255, 10.0.16.0]\n");
  EXPECT_NE(error.find("more than 4096 distinct addresses"), std::string::npos) << error;

  // An entry that would take the list past the limit adds nothing, and a block far too big is
  // refused before it is expanded.
  std::vector<std::string> out(4096, "10.0.0.1");
  EXPECT_EQ(disco::ExpandAddressEntry("10.0.16.0", 4096, &out, &error),
            disco::ExpandResult::kTooMany);
  EXPECT_EQ(out.size(), 4096u);
  out.clear();
  EXPECT_EQ(disco::ExpandAddressEntry("0.0.0.0/0", 65536, &out, &error),
            disco::ExpandResult::kTooMany);
  EXPECT_TRUE(out.empty());
}

// Two entries on one address and port are two devices when their credentials differ (a bridge
// read per VLAN through "community@vlan"), each under its own name; the same credentials twice
// are one device listed twice, and two unnamed views of one address cannot be told apart.
TEST(ScopeAndPlanTest, OneAddressWithTwoCommunitiesIsTwoDevices) {
  DiscoveryPlan plan = Plan(
      "devices:\n"
      "  - {address: 127.0.0.5, name: sw5, community: public}\n"
      "  - {address: 127.0.0.5, name: sw5-vlan10, community: public@10, timeout: 9}\n");
  ASSERT_EQ(plan.devices.size(), 2u);
  EXPECT_EQ(plan.devices[0].name + " " + plan.devices[0].credentials.community, "sw5 public");
  EXPECT_EQ(plan.devices[1].name + " " + plan.devices[1].credentials.community,
            "sw5-vlan10 public@10");

  const struct {
    const char* scope;
    const char* message;
  } kRefused[] = {
      // The transport settings do not make another device.
      {"devices:\n  - {address: 127.0.0.5, name: a, community: c1}\n"
       "  - {address: 127.0.0.5, name: b, community: c1, timeout: 9}\n",
       "line 3: device address is listed twice (same port and credentials)"},
      {"devices:\n  - {address: 127.0.0.5, community: c1}\n"
       "  - {address: 127.0.0.5, community: c2}\n",
       "line 3: another device has the same name (devices on one address and port need a name "
       "each)"},
  };
  for (const auto& r : kRefused) {
    std::string error = PlanError(r.scope);
    EXPECT_NE(error.find(r.message), std::string::npos) << error;
    EXPECT_EQ(error.find("c1"), std::string::npos) << "a community is a secret: " << error;
  }
}

}  // namespace
