// The snmpsim helper cleans up on every path: Stop, a refused start, and the death of the
// process that started the simulator.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/Snmpsim.h"

namespace {

const char kRecording[] = "1.3.6.1.2.1.1.5.0|4|sw\n";

// True once `pid` is gone or a zombie (dead, not yet reaped by whoever inherited it).
bool ProcessGone(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("State:", 0) == 0) return line.find('Z') != std::string::npos;
  }
  return true;
}

bool GoneWithin(pid_t pid, std::chrono::seconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ProcessGone(pid) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return ProcessGone(pid);
}

TEST(Snmpsim, RefusesAnUnusableCommunity) {
  Snmpsim sim;
  sim.AddRecording("../public", kRecording);
  std::string error;
  EXPECT_FALSE(sim.Start(&error));
  EXPECT_NE(std::string::npos, error.find("community")) << error;
  EXPECT_FALSE(sim.Running());
}

TEST(Snmpsim, StopEndsTheSimulatorAndRemovesItsFiles) {
  if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd missing";
  Snmpsim sim;
  sim.AddRecording("public", kRecording);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  const pid_t pid = sim.Pid();
  const std::string dir = sim.Directory();
  EXPECT_TRUE(std::filesystem::exists(dir + "/data/public.snmprec"));
  sim.Stop();
  sim.Stop();  // twice is harmless
  EXPECT_FALSE(sim.Running());
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST(Snmpsim, DiesWithTheProcessThatStartedIt) {
  if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd missing";
  int fds[2];
  ASSERT_EQ(0, pipe(fds));
  pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {  // starts a simulator, reports it and dies without stopping it
    close(fds[0]);
    Snmpsim* sim = new Snmpsim();  // never destroyed
    sim->AddRecording("public", kRecording);
    std::string error;
    std::string report =
        sim->Start(&error) ? std::to_string(sim->Pid()) + " " + sim->Directory() : "0 " + error;
    ssize_t written = write(fds[1], report.data(), report.size());
    _exit(written > 0 ? 0 : 1);
  }
  close(fds[1]);
  std::string report(512, '\0');
  report.resize(std::max<ssize_t>(0, read(fds[0], report.data(), report.size())));
  close(fds[0]);
  waitpid(starter, nullptr, 0);
  const pid_t pid = static_cast<pid_t>(std::atol(report.c_str()));
  const std::string dir = report.substr(report.find(' ') + 1);
  ASSERT_GT(pid, 0) << report;
  EXPECT_TRUE(GoneWithin(pid, std::chrono::seconds(10)))
      << "snmpsimd " << pid << " outlived its starter";
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);  // what a crashed starter leaves behind
}

}  // namespace
