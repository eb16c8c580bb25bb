// The store subcommands as the program runs them: answers, JSON documents and exit statuses.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "StoreFixture.h"
#include "engine/store/StoreCommands.h"

using namespace disco::store;

namespace {

using StoreCommandsTest = StoreTest;

int Command(const std::vector<std::string>& args, std::string* out, std::string* err) {
  std::ostringstream o, e;
  int status = RunStoreCommand(args, o, e);
  *out = o.str();
  *err = e.str();
  return status;
}

TEST_P(StoreCommandsTest, AnswersInJsonAndText) {
  std::string out, err, error;
  {
    auto store = Open();
    ASSERT_TRUE(store);
    ASSERT_GT(store->WriteRun(SampleRun(kDay1), nullptr, &error), 0) << error;
    ASSERT_GT(store->WriteRun(ChangedRun(kDay1 + 86400), nullptr, &error), 0) << error;
  }
  ASSERT_EQ(Command({"find", "0011.2233.4455", "--db", Target(), "--json"}, &out, &err), kCommandOk)
      << err;
  auto find = nlohmann::json::parse(out);
  EXPECT_EQ(find["query"], "0011.2233.4455");
  ASSERT_EQ(find["matches"].size(), 2u);
  const auto& now = find["matches"][0];
  for (const char* key :
       {"mac", "ip", "vlan", "switch", "port", "first_seen", "last_seen", "current", "vendor"}) {
    EXPECT_TRUE(now.contains(key)) << key;
  }
  EXPECT_EQ(now["mac"], "00:11:22:33:44:55");
  EXPECT_EQ(now["switch"], "edge-2");
  EXPECT_EQ(now["current"], true);
  EXPECT_EQ(find["matches"][1]["first_seen"], "2026-12-06T20:00:00Z");
  EXPECT_EQ(find["matches"][1]["current"], false);

  ASSERT_EQ(
      Command({"changes", "--db=" + Target(), "--from", "1", "--to", "2", "--json"}, &out, &err),
      kCommandOk)
      << err;
  auto changes = nlohmann::json::parse(out);
  EXPECT_EQ(changes["from_run"], 1);
  EXPECT_EQ(changes["hosts_moved"][0]["to"]["port"], "1:2");
  EXPECT_EQ(changes["hosts_moved"][0]["from"]["switch"], "edge-1");
  for (const char* key : {"hosts_new", "hosts_gone", "links_added", "links_removed",
                          "ports_changed", "devices_lost"}) {
    EXPECT_TRUE(changes[key].is_array()) << key;
  }
  EXPECT_EQ(changes["devices_lost"][0], "ap-1");

  ASSERT_EQ(Command({"runs", "--db", Target()}, &out, &err), kCommandOk) << err;
  EXPECT_NE(out.find("2026-12-07T20:00:00Z"), std::string::npos) << out;
  EXPECT_NE(out.find("3/4"), std::string::npos) << out;
  ASSERT_EQ(Command({"ports", "--idle", "0", "edge-2", "--db", Target()}, &out, &err), kCommandOk)
      << err;
  EXPECT_NE(out.find("edge-2:1:4  up  last host 00:11:22:00:00:03"), std::string::npos) << out;
  ASSERT_EQ(Command({"changes", "--db", Target()}, &out, &err), kCommandOk) << err;
  EXPECT_NE(out.find("00:11:22:33:44:55  edge-1:1:3 -> edge-2:1:2"), std::string::npos) << out;
  EXPECT_EQ(Command({"find", "00:de:ad:00:00:00", "--db", Target()}, &out, &err),
            kCommandNothingFound);
  EXPECT_EQ(Command({"changes", "--from", "5", "--db", Target()}, &out, &err), kCommandStoreError);
  EXPECT_NE(err.find("no run 5"), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreCommandsTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

TEST(StoreCommandLineTest, BadUsageAndMissingStore) {
  TempDir dir;
  const std::string absent = dir.Path() + "/absent.db";
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"find"}, kCommandUsage, "give one thing to find"},
      {{"find", "a", "b"}, kCommandUsage, "unexpected argument 'b'"},
      {{"changes", "--from", "x"}, kCommandUsage, "a run is a run id"},
      {{"ports", "edge-1"}, kCommandUsage, "--idle DAYS is needed"},
      {{"runs", "--db"}, kCommandUsage, "--db needs a value"},
      {{"runs", "--frobnicate"}, kCommandUsage, "unknown option --frobnicate"},
      {{"find", "--to", "2", "x"}, kCommandUsage, "options of `changes`"},
      {{"runs", "--db", absent}, kCommandStoreError, "no inventory store"},
  };
  for (const auto& c : cases) {
    std::string out, err;
    EXPECT_EQ(Command(c.args, &out, &err), c.status) << c.args[0];
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
  }
  std::string out, err;
  EXPECT_EQ(Command({"ports", "--help"}, &out, &err), kCommandOk);
  EXPECT_NE(out.find("usage: extreme-disco ports --idle DAYS"), std::string::npos) << out;
  EXPECT_TRUE(IsStoreCommand("find") && !IsStoreCommand("--find"));
}

TEST(StoreCommandLineTest, DefaultStoreIsUnderXdgDataHomeElseHome) {
  TempDir dir;
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";
  setenv("XDG_DATA_HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(DefaultStoreTarget(), dir.Path() + "/extreme-disco/inventory.db");
  std::string out, err;
  EXPECT_EQ(Command({"runs"}, &out, &err), kCommandStoreError);
  EXPECT_NE(err.find(dir.Path() + "/extreme-disco/inventory.db: no inventory store"),
            std::string::npos)
      << err;
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(DefaultStoreTarget(), dir.Path() + "/.local/share/extreme-disco/inventory.db");
  setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
