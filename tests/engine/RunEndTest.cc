// How a run ends: at once when its work is done, on Ctrl-C with whole results at any step (Graphviz
// killed, no picture or temporary file left), by the watchdog when a device is stuck, and with a
// failure status when its summary cannot be written. Time-outs here only bound a test that would
// otherwise hang; no test asserts on time.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "support/EngineProcess.h"
#include "support/ResultsQuery.h"

namespace {

// A UDP port on 127.0.0.1 that takes requests and never answers, for its lifetime.
class SilentDevice {
 public:
  SilentDevice() : m_Socket(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(m_Socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(m_Socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_Port = ntohs(address.sin_port);
  }
  ~SilentDevice() { close(m_Socket); }
  // A scope file's device entry for it that waits long for each answer.
  std::string ScopeEntry() const {
    return "  - {name: silent, address: 127.0.0.1, port: " + std::to_string(m_Port) +
           ", timeout: 60, retries: 0}\n";
  }

 private:
  int m_Socket;
  int m_Port = 0;
};

// A Graphviz `dot` that never finishes, first on the PATH for its lifetime: it reads its input,
// writes the start of a picture, leaves its process id in dot.pid of the folder it runs in and
// waits for ever.
class EndlessDot {
 public:
  explicit EndlessDot(const TempDir& dir) : m_Dir(dir.Path()), m_Path(std::getenv("PATH")) {
    std::filesystem::create_directory(m_Dir + "/bin");
    std::string dot = dir.Write("bin/dot",
                                "#!/bin/sh\ncat >/dev/null\nprintf '<svg xmlns=\"x\">'\n"
                                "echo $$ > dot.pid.new && mv dot.pid.new dot.pid\n"
                                "exec tail -f /dev/null\n");
    chmod(dot.c_str(), 0755);
    setenv("PATH", (m_Dir + "/bin:" + m_Path).c_str(), 1);
  }
  ~EndlessDot() {
    setenv("PATH", m_Path.c_str(), 1);
    if (Alive()) kill(Pid(), SIGKILL);  // left by a failed run: not by this test
  }
  pid_t Pid() const { return std::atoi(ReadFile(m_Dir + "/dot.pid").c_str()); }
  bool Alive() const { return Pid() > 0 && kill(Pid(), 0) == 0; }

 private:
  std::string m_Dir;
  std::string m_Path;
};

std::set<std::string> Entries(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    names.insert(e.path().filename().string());
  }
  return names;
}

std::string Scope(const TempDir& dir, const std::string& extra) {
  return dir.Write("scope.yaml", "devices:\n  - {name: core-1, address: 127.0.0.11, recording: " +
                                     SampleRecording("core-1") + "}\n" + extra);
}

TEST(RunEndTest, ARunWithPingingEndsWhenItsWorkIsDoneNotAfterThePause) {
  // With the real two-minute pause between ping sweeps; the time-out only bounds a failure.
  TempDir dir;
  std::string folder = std::string(DISCO_SOURCE_DIR) + "/examples/sample-network";
  EngineProcessResult run = RunEngineProcess(
      {"--replay", folder, "--scope", folder + ".yaml", "--sleep-scale", "1", "-o", "r.json"},
      dir.Path(), 90);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("ping sweep 1"), std::string::npos) << run.err;
}

TEST(RunEndTest, CtrlCStopsTheRunAndWritesWholeResults) {
  TempDir dir, storeDir;
  SilentDevice silent;
  std::string store = storeDir.Path() + "/inventory.db";
  EngineProcessResult run = RunEngineProcess(
      {"--scope", Scope(dir, silent.ScopeEntry()), "-o", "r.json", "--dot", "t.dot", "--db", store},
      dir.Path(), 60, "engine thread(s)");
  EXPECT_EQ(run.exitCode, 130) << run.err;
  // A stopped run is not kept: its unfinished devices would read as lost.
  EngineProcessResult runs = RunEngineProcess({"runs", "--db", store, "--json"}, dir.Path());
  EXPECT_EQ(Json::parse(runs.out, nullptr, false)["runs"], Json::array()) << runs.out << runs.err;
  Json results = Json::parse(ReadFile(dir.Path() + "/r.json"));  // whole: it parses
  EXPECT_EQ(DeviceNamed(results, "silent")["status"], "interrupted");
  EXPECT_EQ(DeviceNamed(results, "core-1")["status"],
            "interrupted");  // waited at the phase barrier
  EXPECT_NE(run.out.find("interrupted"), std::string::npos) << run.out;  // the summary says so
  EXPECT_FALSE(results.contains("topology"));  // nothing is inferred or drawn after a stop
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"scope.yaml", "r.json"}));
}

// After the last device, while Graphviz draws: the stop kills dot, the status says stopped, the
// results are whole and nothing else is left but the DOT text written before.
TEST(RunEndTest, AStopWhileGraphvizDrawsKillsItAndLeavesNoPicture) {
  TempDir dir;
  EndlessDot dot(dir);
  EngineProcessResult run = RunEngineProcess(
      {"--scope", Scope(dir, ""), "--no-ping", "-o", "r.json", "--dot", "t.dot", "--svg", "t.svg"},
      dir.Path(), 60, EngineInterrupt{"", dir.Path() + "/dot.pid", {SIGTERM}});
  EXPECT_EQ(run.exitCode, 143) << run.err;
  EXPECT_FALSE(dot.Alive());
  Json results = Json::parse(ReadFile(dir.Path() + "/r.json"));
  EXPECT_EQ(DeviceNamed(results, "core-1")["status"], "discovered");
  EXPECT_TRUE(results.contains("topology"));
  EXPECT_EQ(Entries(dir),
            (std::set<std::string>{"bin", "dot.pid", "scope.yaml", "r.json", "t.dot"}));
}

// Two signals at once: the second ends the process at once, and still kills dot and leaves no
// temporary file.
TEST(RunEndTest, ASecondSignalQuitsAtOnceAndStillTidies) {
  TempDir dir;
  EndlessDot dot(dir);
  EngineProcessResult run = RunEngineProcess(
      {"--scope", Scope(dir, ""), "--no-ping", "-o", "r.json", "--svg", "t.svg"}, dir.Path(), 60,
      EngineInterrupt{"", dir.Path() + "/dot.pid", {SIGINT, SIGTERM}});
  EXPECT_TRUE(run.exitCode == 130 || run.exitCode == 143) << run.exitCode;
  EXPECT_NE(run.err.find("stopped at once"), std::string::npos) << run.err;
  EXPECT_FALSE(dot.Alive());
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"bin", "dot.pid", "scope.yaml", "r.json"}));
}

TEST(RunEndTest, TheWatchdogEndsAStuckDeviceAndTheOthersGoOn) {
  TempDir dir;
  SilentDevice silent;
  EngineProcessResult run = RunEngineProcess(
      {"--scope", Scope(dir, silent.ScopeEntry()), "--device-timeout", "1", "-o", "r.json"},
      dir.Path(), 60);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  Json results = Json::parse(ReadFile(dir.Path() + "/r.json"));
  EXPECT_EQ(DeviceNamed(results, "silent")["status"], "timed out");
  EXPECT_EQ(DeviceNamed(results, "core-1")["status"], "discovered");
  EXPECT_FALSE(DeviceNamed(results, "core-1")["local_neighbours"].empty());
}

TEST(RunEndTest, ASummaryThatCannotBeWrittenFailsTheRun) {
  TempDir dir;
  std::string command = std::string(DISCO_ENGINE_PATH) + " -q --no-ping --scope " + Scope(dir, "") +
                        " -o " + dir.Path() + "/r.json >/dev/full 2>/dev/null";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
}

}  // namespace
