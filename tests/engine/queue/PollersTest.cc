// Runs shared by pollers through a PostgreSQL server the test starts, over the sample network
// served by snmpsim: several `poll` processes against one run, a poller killed while it holds a
// job, and a job that fails every attempt. The whole program runs, as a user runs it.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <sstream>

#include "support/EngineProcess.h"
#include "support/PostgresServer.h"
#include "support/ResultsQuery.h"
#include "support/SampleNetworkSims.h"

namespace {

// How often `text` holds `what`.
int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A results document without what differs from run to run or from process to process: times,
// and the ping cycle's sweeps and queries (each poller's agent sweeps for its own devices).
Json Comparable(Json results) {
  results["run"].erase("started");
  results["run"].erase("seconds");
  results["ping"].erase("sweeps");
  results["ping"].erase("queries");
  for (Json& d : results["devices"]) d.erase("seconds");
  return results;
}

class PollersTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_Postgres = new PostgresServer;
    if (!s_Postgres->Start(false, &s_Error)) return;
    if (!Snmpsim::Installed()) return;
    s_Sims = std::make_unique<SampleNetworkSims>();
    ASSERT_TRUE(s_Sims->Start(&s_Error)) << s_Error;
  }
  static void TearDownTestSuite() {
    s_Sims.reset();
    delete s_Postgres;
    s_Postgres = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(s_Error.empty()) << s_Error;
    if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd is not installed";
    // Each test its own database: runs of one test never meet another's pollers.
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string create = std::string(kPostgresBin) + "/psql -q -d '" + s_Postgres->Uri() +
                         "' -c 'CREATE DATABASE " + name + "' >/dev/null";
    ASSERT_EQ(std::system(create.c_str()), 0);
    m_Db = s_Postgres->Uri(name);
  }

  // The scope file of the simulated switches (SampleNetworkSims::ScopeText).
  std::string Scope(const std::string& extra = "", const std::string& defaults = "") {
    return m_Dir.Write("scope.yaml", s_Sims->ScopeText(extra, defaults));
  }

  std::string Enqueue(const std::string& scope) {
    EngineProcessResult r = RunEngineProcess({"enqueue", "--db", m_Db, "--scope", scope});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out.substr(0, r.out.find('\n'));
  }

  EngineProcessResult Poll(const std::vector<std::string>& extra,
                           const EngineInterrupt& interrupt = {}) {
    std::vector<std::string> args = {"poll", "--db", m_Db, "--sleep-scale", "0.001", "--once"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunEngineProcess(args, m_Dir.Path(), 120, interrupt);
  }

  Json Export(const std::string& run) {
    EngineProcessResult r = RunEngineProcess({"export", "--db", m_Db, "--run", run, "-o", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Json::parse(r.out, nullptr, false);
  }

  std::string Runs() {
    EngineProcessResult r = RunEngineProcess({"runs", "--db", m_Db});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }

  static inline PostgresServer* s_Postgres = nullptr;
  static inline std::string s_Error;
  static inline std::unique_ptr<SampleNetworkSims> s_Sims;
  TempDir m_Dir;
  std::string m_Db;
};

// Three pollers share a run: each device is discovered by exactly one of them, exactly one
// infers the topology, and the exported results are those of a run of one process, down to a
// router's ARP entry whose MAC value was refused in the first stage's walk.
TEST_F(PollersTest, SharedRunEqualsARunOfOneProcess) {
  std::string gw = m_Dir.Write("gw.snmprec",
                               "1.3.6.1.2.1.1.1.0|4|router\n"
                               "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.8072.3.2.10\n"
                               "1.3.6.1.2.1.1.5.0|4|gw\n"
                               "1.3.6.1.2.1.4.1.0|2|1\n"
                               "1.3.6.1.2.1.4.22.1.2.1.10.0.0.5|4x|0011223344aa\n"
                               "1.3.6.1.2.1.4.22.1.2.1.10.0.0.6|4x|00112233\n"
                               "1.3.6.1.2.1.17.4.2.0|2|300\n");
  std::string scope = Scope("  - {name: gw, address: 127.0.0.1, recording: " + gw + "}\n");
  EngineProcessResult single = RunEngineProcess(
      {"-q", "--sleep-scale", "0.001", "--scope", scope, "-o", m_Dir.Path() + "/single.json"});
  ASSERT_EQ(single.exitCode, 0) << single.err << single.out;
  std::string run = Enqueue(scope);
  ASSERT_FALSE(run.empty());

  std::vector<std::future<EngineProcessResult>> pollers;
  for (int i = 0; i < 3; ++i) {
    pollers.push_back(std::async(std::launch::async, [this]() { return Poll({"-j", "2"}); }));
  }
  std::string logs;
  for (auto& p : pollers) {
    EngineProcessResult r = p.get();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    logs += r.err;
  }
  for (const char* name : SampleNetworkSims::kSwitches) {
    const Snmpsim& sim = s_Sims->Sim(name);
    std::string line = std::string(name) + " (" + sim.Address() + ":" + std::to_string(sim.Port()) +
                       "): discovered: ";
    EXPECT_EQ(Count(logs, line), 1) << logs;
  }
  EXPECT_EQ(Count(logs, "every job settled; inferring"), 1) << logs;
  EXPECT_EQ(Count(logs, "lease lapsed"), 0) << logs;

  Json shared = Export(run);
  Json alone = Json::parse(ReadFile(m_Dir.Path() + "/single.json"), nullptr, false);
  ASSERT_TRUE(shared.is_object());
  ASSERT_TRUE(alone.is_object());
  EXPECT_EQ(shared["devices"].size(), 6u);
  EXPECT_EQ(DeviceNamed(shared, "gw")["refused_mac_values"],
            DeviceNamed(alone, "gw")["refused_mac_values"]);
  EXPECT_FALSE(DeviceNamed(alone, "gw")["refused_mac_values"].empty());
  EXPECT_EQ(Comparable(shared), Comparable(alone));
  // To a file, the same document (rendered again from the store), written whole.
  std::string file = m_Dir.Path() + "/exported.json";
  EngineProcessResult toFile = RunEngineProcess({"export", "--db", m_Db, "--run", run, "-o", file});
  ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_EQ(Json::parse(ReadFile(file), nullptr, false), shared);
  // The inventory holds the run too, and the queue shows it complete.
  std::string runs = Runs();
  EXPECT_NE(runs.find("complete"), std::string::npos) << runs;
  EXPECT_NE(runs.find("6/6"), std::string::npos) << runs;
}

// A poller that dies holding a job (it stalls without renewing its lease, then is killed) loses
// nothing: once the lease lapsed another poller takes the job again and the run completes.
TEST_F(PollersTest, KilledPollerLosesNothing) {
  std::string run = Enqueue(Scope());
  setenv("EXTREME_DISCO_TEST_STALL", "discover", 1);
  EngineProcessResult killed =
      Poll({"-j", "1", "--lease", "1"}, EngineInterrupt{"stalling", "", {SIGKILL}});
  unsetenv("EXTREME_DISCO_TEST_STALL");
  ASSERT_NE(killed.exitCode, 0);
  ASSERT_NE(killed.err.find("took 1 job(s)"), std::string::npos) << killed.err;

  EngineProcessResult rest = Poll({"-j", "2", "--lease", "1"});
  ASSERT_EQ(rest.exitCode, 0) << rest.err;
  Json results = Export(run);
  ASSERT_TRUE(results.is_object()) << rest.err;
  EXPECT_EQ(results["run"]["discovered"], 5);
  EXPECT_EQ(results["devices"].size(), 5u);
  EXPECT_EQ(Count(rest.err, "): discovered: "), 5) << rest.err;
}

// A job that fails on every attempt (its recording is gone from the pollers' machine) is failed
// with the reason, and the run still completes with the device left out as interrupted. The
// queue lives in PostgreSQL only: an SQLite store is refused.
TEST_F(PollersTest, JobFailingEveryAttemptIsFailedWithItsReason) {
  std::string recording = m_Dir.Write("files.snmprec", "1.3.6.1.2.1.1.5.0|4|files\n");
  std::string run =
      Enqueue(Scope("  - {name: files, address: 127.0.0.1, recording: " + recording + "}\n"));
  std::remove(recording.c_str());
  EngineProcessResult poll = Poll({"-j", "4", "--max-attempts", "2"});
  ASSERT_EQ(poll.exitCode, 0) << poll.err;
  std::string runs = Runs();
  EXPECT_NE(runs.find("complete"), std::string::npos) << runs;
  EXPECT_NE(runs.find("files: failed after 2 attempt(s): recording " + recording),
            std::string::npos)
      << runs;
  Json results = Export(run);
  ASSERT_TRUE(results.is_object());
  EXPECT_EQ(results["run"]["devices"], 6);
  EXPECT_EQ(DeviceNamed(results, "files")["status"], "interrupted");
  EXPECT_EQ(DeviceNamed(results, "core-1")["status"], "discovered");

  EngineProcessResult sqlite = RunEngineProcess(
      {"enqueue", "--db", m_Dir.Path() + "/inventory.db", "--scope", m_Dir.Path() + "/scope.yaml"});
  EXPECT_EQ(sqlite.exitCode, 2);
  EXPECT_NE(sqlite.err.find("PostgreSQL"), std::string::npos) << sqlite.err;
}

// A poller of a site takes only that site's jobs (a device's own site beats the defaults'),
// and the queue's runs show what is done and left. The sites of one run wait for each other's
// first stage (the run's ARP data), so both pollers run at once.
TEST_F(PollersTest, PollersTakeOnlyTheirSitesJobs) {
  std::string recording = m_Dir.Write("files.snmprec", "1.3.6.1.2.1.1.5.0|4|files\n");
  // The ping list ends the scope: one more address, for the branch's devices only.
  std::string run = Enqueue(m_Dir.Write(
      "scope.yaml", s_Sims->ScopeText("  - {name: files, address: 127.0.0.1, site: branch-7, "
                                      "recording: " +
                                          recording + "}\n",
                                      ", site: lab") +
                        "  - {addresses: 127.0.0.200, site: branch-7}\n"));
  std::string runs = Runs();
  EXPECT_NE(runs.find("polling    "), std::string::npos) << runs;
  EXPECT_NE(runs.find("0      6      0"), std::string::npos) << runs;  // done, left, failed

  auto lab = std::async(std::launch::async, [this]() {
    return Poll({"--site", "lab", "-j", "5"});
  });
  EngineProcessResult branch = Poll({"--site", "branch-7"});
  EngineProcessResult labDone = lab.get();
  ASSERT_EQ(labDone.exitCode, 0) << labDone.err;
  ASSERT_EQ(branch.exitCode, 0) << branch.err;
  EXPECT_EQ(Count(labDone.err, "files ("), 0) << labDone.err;
  EXPECT_EQ(Count(branch.err, "core-1 ("), 0) << branch.err;
  EXPECT_EQ(Count(branch.err, "took 1 job(s)"), 2) << branch.err;  // both of its stages
  // Each sweeps the switches' addresses; only the branch's poller the branch's own.
  EXPECT_NE(labDone.err.find(" 5 address(es) to ping"), std::string::npos) << labDone.err;
  EXPECT_NE(branch.err.find(" 6 address(es) to ping"), std::string::npos) << branch.err;
  runs = Runs();
  EXPECT_NE(runs.find("complete   "), std::string::npos) << runs;
  EXPECT_NE(runs.find("6      0      0"), std::string::npos) << runs;
  Json results = Export(run);
  EXPECT_EQ(results["run"]["devices"], 6);
  EXPECT_EQ(results["ping"]["addresses"].size(), 6u);  // the run's whole ping scope
}

}  // namespace
