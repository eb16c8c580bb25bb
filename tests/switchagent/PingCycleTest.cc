// The ping cycle shared by the devices of an agent: one query and one awaited first sweep per
// cycle, sweeps while any device is in its download, a new cycle after the last one leaves.
#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

#include "host/CTolErrorSink.h"
#include "host/CTolQryInfo.h"
#include "host/CTolVarBind.h"
#include "support/AgentHarness.h"
#include "switchagent/RecordingSwitchAgent.h"

namespace {

using Addresses = std::vector<std::string>;

// A pinger whose first sweep blocks until the test opens the gate (or a deadline passes, so that
// a failing test cannot hang the reply thread). Remembers every sweep.
class GatedPinger : public CDiscoPinger {
 public:
  int PingAll(const Addresses& addresses) override {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Sweeps.push_back(addresses);
    if (m_Sweeps.size() == 1) {
      m_Changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_Open; });
    }
    return 1;
  }
  void Open() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Open = true;
    m_Changed.notify_all();
  }
  std::vector<Addresses> Sweeps() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Sweeps;
  }

 private:
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  bool m_Open = false;
  std::vector<Addresses> m_Sweeps;
};

class PingCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    agent.DAGetRequester()->DSRSetPinger(pinger);
    harness.SetInScope(inScope);
  }
  void TearDown() override {
    pinger->Open();
    EXPECT_TRUE(agent.WaitReplyIdle());
  }
  int Queries() { return harness.engine.REQueryCount(kDiscoQuerySubject); }
  bool Idle() {
    const PingState s = agent.State();
    return s.requestSent == 0 && s.initialPingDone == 0 && s.count == 0;
  }

  const Addresses inScope{"127.0.0.1", "127.0.0.2", "127.0.0.3"};
  RecordingSwitchAgent agent;
  AgentHarness harness{agent};
  std::shared_ptr<GatedPinger> pinger = std::make_shared<GatedPinger>();
};

TEST_F(PingCycleTest, DevicesEnteringTogetherShareOneQueryAndOneFirstSweep) {
  std::vector<HarnessDevice*> devices;
  for (const char* name : {"a", "b", "c", "d"}) {
    devices.push_back(&harness.AddSilentDevice(name, "127.0.0.9"));
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) {
    threads.emplace_back([this, &devices, i] { harness.Mediate(*devices[i], 3); });
  }
  // Count 3 read under the lock while the first sweep is held: all three are waiting.
  ASSERT_TRUE(WaitUntil([&] { return pinger->Sweeps().size() == 1 && agent.State().count == 3; }));
  EXPECT_EQ(1, Queries());
  EXPECT_EQ(0, agent.CountCalls("22"));
  EXPECT_EQ(0, agent.State().initialPingDone);
  EXPECT_EQ(inScope, pinger->Sweeps()[0]);

  pinger->Open();
  EXPECT_TRUE(WaitUntil([&] { return agent.CountCalls("26") == 3; }));
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(3, agent.CountCalls("25:42"));
  EXPECT_EQ(1, Queries());

  ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_FALSE(agent.HasPingList());

  harness.Mediate(*devices[3], 3);
  EXPECT_EQ(2, Queries());
  EXPECT_EQ(4, agent.CountCalls("25:42"));
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_TRUE(Idle());
}

TEST_F(PingCycleTest, LateDevicePassesStraightThroughAndSweepsLastWhileAnyoneIsIn) {
  pinger->Open();
  ASSERT_EQ(1, agent.DSAInitPing());
  std::string out;
  {
    ScopedDebugLevel level(4);
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, agent.DSAInitPing());
    out = testing::internal::GetCapturedStdout();
  }
  EXPECT_EQ(std::string::npos, out.find("Sending Disco request")) << out;
  EXPECT_EQ(std::string::npos, out.find("Waiting for initial ping done")) << out;
  EXPECT_EQ(1, Queries());

  // Sweeps go on while either device is in; the cycle ends only after both have left.
  EXPECT_EQ(1, agent.DSAStopPing());
  const size_t seen = pinger->Sweeps().size();
  ASSERT_TRUE(WaitUntil([&] { return pinger->Sweeps().size() >= seen + 2; }));
  EXPECT_EQ(1, agent.State().requestSent);
  EXPECT_EQ(1, agent.DSAStopPing());
  ASSERT_TRUE(agent.WaitReplyIdle());
  EXPECT_TRUE(Idle());
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
  const PingState s = agent.State();
  EXPECT_EQ(1, s.requestSent);
  EXPECT_EQ(1, s.initialPingDone);
}

TEST_F(PingCycleTest, AnswerInSeveralMessagesIsSweptOnlyWhenComplete) {
  Addresses many;
  for (int i = 1; i <= 40; ++i) many.push_back("127.0.1." + std::to_string(i));
  harness.SetInScope(many);
  harness.SetMaxMessageBytes(16);
  pinger->Open();
  ASSERT_EQ(1, agent.DSAInitPing());
  EXPECT_EQ(1, agent.DSAStopPing());
  ASSERT_TRUE(agent.WaitReplyIdle());
  ASSERT_FALSE(pinger->Sweeps().empty());
  EXPECT_EQ(many, pinger->Sweeps()[0]);
  EXPECT_TRUE(agent.HasTransport());
}

TEST_F(PingCycleTest, StrayCallsAreReportedWithoutHarm) {
  CTolScopedErrorLog errors;
  DiscoSwitchAgentIpReplyThreadFn(new CTolQryInfo(nullptr), nullptr);
  EXPECT_EQ(TOL_ERR_NULL, agent.DSADoPing());
  const std::vector<TolErrorRecord> r = errors.Records();
  ASSERT_EQ(2u, r.size());
  EXPECT_EQ("DiscoSwitchAgentIpReplyThreadFn", r[0].source);
  EXPECT_EQ(TOL_ERR_NULL, r[0].code);
  EXPECT_EQ("CDiscoSwitchAgent", r[1].source);

  EXPECT_EQ(1, agent.DSAStopPing());  // below zero is still a success
  EXPECT_EQ(-1, agent.State().count);
}

}  // namespace
