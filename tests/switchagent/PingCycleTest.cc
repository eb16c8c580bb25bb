// The ping cycle shared by the devices of an agent: one query and one awaited first sweep per
// cycle, sweeps while any device is in its download, a new cycle after the last one leaves.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "host/CTolErrorSink.h"
#include "host/CTolVarBind.h"
#include "support/AgentHarness.h"
#include "switchagent/RecordingSwitchAgent.h"

namespace {

using Addresses = std::vector<std::string>;

class PingCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pinger->holdFirstSweep = true;
    harness.SetInScope(inScope);
  }
  void TearDown() override {
    pinger->holdFirstSweep = false;
    EXPECT_TRUE(agent.WaitReplyIdle());
  }
  int Queries() { return harness.engine.REQueryCount(kDiscoQuerySubject); }

  Addresses inScope{"127.0.0.1", "127.0.0.2", "127.0.0.3"};
  RecordingSwitchAgent agent;
  AgentHarness harness{agent};
  std::shared_ptr<FakePinger> pinger = harness.pinger;
};

// Three devices entering their download together: one query and one first sweep for all three,
// none downloads before that sweep, and the next device after the cycle starts a new one.
TEST_F(PingCycleTest, DevicesEnteringTogetherShareOneQueryAndOneFirstSweep) {
  std::vector<std::thread> threads;
  for (const char* name : {"a", "b", "c"}) {
    HarnessDevice* device = &harness.AddSilentDevice(name, "127.0.0.9");
    threads.emplace_back([this, device] { harness.Mediate(*device, 3); });
  }
  // Count 3 read under the lock while the first sweep is held: all three are waiting.
  ASSERT_TRUE(WaitUntil([&] { return pinger->Sweeps().size() == 1 && agent.State().count == 3; }));
  EXPECT_EQ(1, Queries());
  EXPECT_EQ(0, agent.CountCalls("22"));
  EXPECT_EQ(0, agent.State().initialPingDone);
  EXPECT_EQ(inScope, pinger->Sweeps()[0]);

  pinger->holdFirstSweep = false;
  EXPECT_TRUE(WaitUntil([&] { return agent.CountCalls("26") == 3; }));
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(3, agent.CountCalls("25:42"));
  EXPECT_EQ(1, Queries());

  ASSERT_TRUE(WaitUntil([&] { return agent.State().Idle(); }));
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_FALSE(agent.HasPingList());

  harness.Mediate(harness.AddSilentDevice("d", "127.0.0.9"), 3);
  EXPECT_EQ(2, Queries());
  EXPECT_EQ(4, agent.CountCalls("25:42"));
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_TRUE(agent.State().Idle());
}

// The answer comes in many small messages and is swept only once whole; a second device entering
// the running cycle neither asks nor waits, and sweeps go on until both have left.
TEST_F(PingCycleTest, LateDevicePassesStraightThroughAndSweepsLastWhileAnyoneIsIn) {
  inScope.clear();
  for (int i = 1; i <= 40; ++i) inScope.push_back("127.0.1." + std::to_string(i));
  harness.SetInScope(inScope);
  harness.SetMaxMessageBytes(16);
  pinger->holdFirstSweep = false;
  ASSERT_EQ(1, agent.DSAInitPing());
  const std::string out = Traced(4, [&] { EXPECT_EQ(1, agent.DSAInitPing()); });
  EXPECT_EQ(std::string::npos, out.find("Sending Disco request")) << out;
  EXPECT_EQ(std::string::npos, out.find("Waiting for initial ping done")) << out;
  EXPECT_EQ(1, Queries());

  EXPECT_EQ(1, agent.DSAStopPing());
  const size_t seen = pinger->Sweeps().size();
  ASSERT_TRUE(WaitUntil([&] { return pinger->Sweeps().size() >= seen + 2; }));
  EXPECT_EQ(1, agent.State().requestSent);
  EXPECT_EQ(1, agent.DSAStopPing());
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_TRUE(agent.State().Idle());
  EXPECT_FALSE(agent.HasPingList());
  for (const Addresses& sweep : pinger->Sweeps()) EXPECT_EQ(inScope, sweep);
}

TEST_F(PingCycleTest, AnswerWithoutAddressesReleasesWaitersAndEndsPinging) {
  CTolScopedErrorLog errors;
  harness.engine.RERegisterQueryService(
      kDiscoQuerySubject, [](const std::string&, std::vector<CTolRecord*>* rows) {
        rows->push_back(new CTolRecord());
        rows->back()->RRAddValue(new CTolVarBind("m_Name", "no address"));
        return 1;
      });
  HarnessDevice& a = harness.AddSilentDevice("a", "127.0.0.9");
  HarnessDevice& b = harness.AddSilentDevice("b", "127.0.0.9");
  std::thread other([&] { harness.Mediate(a, 3); });
  harness.Mediate(b, 3);
  other.join();
  EXPECT_EQ(2, agent.CountCalls("25:42"));
  EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED,
                              "Ping list for attempted discovery ping appears to be empty.\n"));

  // Without addresses the agent neither asks again nor waits nor sweeps.
  harness.Mediate(a, 3);
  EXPECT_EQ(1, Queries());
  EXPECT_TRUE(pinger->Sweeps().empty());
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_FALSE(agent.HasPingList());
  EXPECT_EQ(1, agent.State().requestSent);
  EXPECT_EQ(1, agent.State().initialPingDone);
}

// A pinger whose sweeps fail with an exception, out of the reply callback.
class ThrowingPinger : public CDiscoPinger {
 public:
  int PingAll(const Addresses&) override { throw std::runtime_error("no socket"); }
};

TEST_F(PingCycleTest, ALostAnswerStillReleasesTheWaitingDevice) {
  // The answer's reader ends with an exception before its first sweep releases anyone: without
  // the host's empty answer in its place the device would wait in DSAInitPing for ever. The
  // exception also unwinds through the agent, which then loses the answer's bag; the scenario
  // runs in a child that ends with _Exit, so that this loss is not reported as a leak.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CTolScopedErrorLog errors;
        agent.DAGetRequester()->DSRSetPinger(std::make_shared<ThrowingPinger>());
        HarnessDevice& a = harness.AddSilentDevice("a", "127.0.0.9");
        harness.Mediate(a, 3);
        bool replaced = errors.Contains(TOL_ERR_FAILED, "an empty answer takes its place");
        bool released = agent.State().initialPingDone == 1;
        std::fprintf(stderr, "replaced %d released %d\n", replaced, released);
        std::_Exit(replaced && released ? 0 : 1);
      },
      testing::ExitedWithCode(0), "replaced 1 released 1");
}

}  // namespace
