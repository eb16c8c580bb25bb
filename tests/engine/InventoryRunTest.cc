// Discovery runs kept in the inventory store (--db), on an SQLite file and on a PostgreSQL server
// the test starts: two runs of the sample network with a host moved and a link cut in between,
// then what `find` and `changes` answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "support/EngineProcess.h"
#include "support/PostgresServer.h"
#include "support/ResultsQuery.h"

namespace {

namespace fs = std::filesystem;

// Rewrites the lines of a recording: `edit` changes a line in place and returns true to keep
// it, false to drop it. Fails the test when nothing changed.
void EditRecording(const std::string& file, const std::function<bool(std::string*)>& edit) {
  std::istringstream in(ReadFile(file));
  std::string edited, line;
  while (std::getline(in, line)) {
    if (edit(&line)) edited += line + "\n";
  }
  ASSERT_NE(edited, ReadFile(file)) << "no line of " << file << " was changed";
  std::ofstream(file, std::ios::trunc) << edited;
}

// An edit that gives the row `oid` the value `value` ("2|1004").
std::function<bool(std::string*)> SetValue(const std::string& oid, const std::string& value) {
  return [oid, value](std::string* line) {
    if (line->compare(0, oid.size() + 1, oid + "|") == 0) *line = oid + "|" + value;
    return true;
  };
}

class InventoryRunTest : public testing::TestWithParam<std::string> {
 protected:
  // The server is started by the first PostgreSQL test: a process that runs only the SQLite
  // one (ctest runs each test alone) starts none.
  static void TearDownTestSuite() {
    delete s_Postgres;
    s_Postgres = nullptr;
  }

  void SetUp() override {
    if (GetParam() == "postgresql") {
      if (s_Postgres == nullptr) {
        s_Postgres = new PostgresServer;
        if (!s_Postgres->Start(false, &s_PostgresError)) s_PostgresError += " ";
      }
      ASSERT_TRUE(s_PostgresError.empty()) << s_PostgresError;
      m_Target = s_Postgres->Uri();
    } else {
      m_Target = m_Dir.Path() + "/inventory.db";
    }
    fs::copy(std::string(DISCO_SOURCE_DIR) + "/examples/sample-network", Network());
  }

  std::string Network() const { return m_Dir.Path() + "/network"; }

  // One discovery of the copied network, kept in the store.
  void Discover() {
    EngineProcessResult run = RunEngineProcess(
        {"-q", "--sleep-scale", "0.001", "--scope",
         std::string(DISCO_SOURCE_DIR) + "/examples/sample-network.yaml", "--replay", Network(),
         "-o", m_Dir.Path() + "/results.json", "--db", m_Target},
        m_Dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }

  Json Ask(const std::vector<std::string>& question) {
    std::vector<std::string> args = question;
    args.insert(args.end(), {"--db", m_Target, "--json"});
    EngineProcessResult answer = RunEngineProcess(args, m_Dir.Path());
    EXPECT_EQ(answer.exitCode, 0) << answer.err;
    return Json::parse(answer.out, nullptr, false);
  }

  static inline PostgresServer* s_Postgres = nullptr;
  static inline std::string s_PostgresError;
  TempDir m_Dir;
  std::string m_Target;
};

TEST_P(InventoryRunTest, AMovedHostAndACutLinkAreWhatFindAndChangesSay) {
  ASSERT_NO_FATAL_FAILURE(Discover());
  // The host 00:1B:21:00:10:04 moves from exos-1's port 1:3 to 1:4, in its EXOS forwarding
  // table and its Q-BRIDGE one; EDP no longer hears the blocked link edge-1 1:7 - edge-2 1:7.
  const std::string exos = Network() + "/exos-1.snmprec";
  ASSERT_NO_FATAL_FAILURE(EditRecording(
      exos, SetValue("1.3.6.1.4.1.1916.1.16.4.1.3.0.27.33.0.16.4.1000002", "2|1004")));
  ASSERT_NO_FATAL_FAILURE(
      EditRecording(exos, SetValue("1.3.6.1.2.1.17.7.1.2.2.1.2.2.0.27.33.0.16.4", "2|4")));
  // extremeEdpNeighborTable rows of port 7: COLUMN.7.NEIGHBOUR-ID
  const std::string edp = "1.3.6.1.4.1.1916.1.13.2.1.";
  for (const char* edge : {"/edge-1.snmprec", "/edge-2.snmprec"}) {
    ASSERT_NO_FATAL_FAILURE(EditRecording(Network() + edge, [&edp](std::string* line) {
      if (line->compare(0, edp.size(), edp) != 0) return true;
      std::size_t column = line->find('.', edp.size());
      return column == std::string::npos || line->compare(column + 1, 2, "7.") != 0;
    }));
  }
  ASSERT_NO_FATAL_FAILURE(Discover());

  Json changes = Ask({"changes"});
  ASSERT_FALSE(changes.is_discarded());
  EXPECT_EQ(changes["to_run"].get<int>(), changes["from_run"].get<int>() + 1);
  ASSERT_EQ(changes["hosts_moved"].size(), 1u) << changes.dump(2);
  const Json& moved = changes["hosts_moved"][0];
  EXPECT_EQ(moved["mac"], "00:1b:21:00:10:04");
  EXPECT_EQ(moved["from"], Json({{"switch", "exos-1"}, {"port", "1:3"}}));
  EXPECT_EQ(moved["to"], Json({{"switch", "exos-1"}, {"port", "1:4"}}));
  ASSERT_EQ(changes["links_removed"].size(), 1u) << changes.dump(2);
  std::set<std::string> ends = {
      changes["links_removed"][0]["a"]["switch"].get<std::string>() + ":" +
          changes["links_removed"][0]["a"]["port"].get<std::string>(),
      changes["links_removed"][0]["b"]["switch"].get<std::string>() + ":" +
          changes["links_removed"][0]["b"]["port"].get<std::string>()};
  EXPECT_EQ(ends, (std::set<std::string>{"edge-1:1:7", "edge-2:1:7"}));
  for (const char* none : {"hosts_new", "hosts_gone", "links_added", "devices_lost"}) {
    EXPECT_TRUE(changes[none].empty()) << none << ": " << changes[none].dump();
  }

  // Asked in another notation: where the host is now, and where it was before.
  Json found = Ask({"find", "001B.2100.1004"});
  ASSERT_EQ(found["matches"].size(), 2u) << found.dump(2);
  EXPECT_EQ(found["matches"][0]["port"], "1:4");
  EXPECT_TRUE(found["matches"][0]["current"].get<bool>());
  EXPECT_EQ(found["matches"][0]["ip"], "10.0.10.104");
  EXPECT_EQ(found["matches"][0]["vlan"], 10);
  EXPECT_EQ(found["matches"][1]["port"], "1:3");
  EXPECT_FALSE(found["matches"][1]["current"].get<bool>());
  EXPECT_EQ(found["matches"][1]["switch"], "exos-1");
}

INSTANTIATE_TEST_SUITE_P(Stores, InventoryRunTest, testing::Values("sqlite", "postgresql"),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

}  // namespace
