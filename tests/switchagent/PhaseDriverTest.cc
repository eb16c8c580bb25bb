// The per-device driver: which steps each layer runs in each phase, and in what order.
#include <gtest/gtest.h>

#include <optional>

#include "host/CTolErrorSink.h"
#include "host/CTolVarBind.h"
#include "support/AgentHarness.h"
#include "switchagent/RecordingSwitchAgent.h"

namespace {

using Calls = std::vector<std::string>;

class PhaseDriverTest : public ::testing::Test {
 protected:
  void SetUp() override { harness.SetInScope({"127.0.0.1", "127.0.0.2"}); }
  void TearDown() override { EXPECT_TRUE(agent.WaitReplyIdle()); }

  RecordingSwitchAgent agent;
  AgentHarness harness{agent};
};

TEST_F(PhaseDriverTest, FreshAgentHoldsNoPingState) {
  const PingState s = agent.State();
  EXPECT_EQ(0, s.requestSent);
  EXPECT_EQ(0, s.initialPingDone);
  EXPECT_EQ(0, s.count);
  EXPECT_FALSE(agent.HasPingList());
  EXPECT_FALSE(agent.HasReplyHandler());
  EXPECT_FALSE(agent.HasTransport());
}

// Slot 22 and 26 carry the ping count at their call: 1 inside the cycle, 0 after DSAStopPing.
TEST_F(PhaseDriverTest, MediationLayerRunsEachPhasesStepsInOrder) {
  struct Case {
    const char* what;
    int phase;
    std::optional<int> downloadFdb;  // "m_DownloadFdbData" value, if the field is there
    Calls expected;
  };
  const Case cases[] = {
      {"phase 1", 1, std::nullopt, {"24", "23", "27", "26@0"}},
      {"phase 3, no flag", 3, std::nullopt, {"22@1", "25:42", "26@0"}},
      {"phase 3, flag 1", 3, 1, {"22@1", "25:42", "26@0"}},
      {"phase 3, flag 0", 3, 0, {"22@1", "26@0"}},
      {"phase 3, flag 2", 3, 2, {"22@1", "26@0"}},
      {"phase 2", 2, std::nullopt, {"26@0"}},
      {"phase 0", 0, std::nullopt, {"26@0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HarnessDevice& d = harness.AddSilentDevice(c.what, "127.0.0.9");
    if (c.downloadFdb) {
      d.record->RRAddValue(new CTolVarBind("m_DownloadFdbData", *c.downloadFdb));
    }
    agent.ClearCalls();
    harness.Mediate(d, c.phase);
    EXPECT_EQ(c.expected, agent.Calls());
    EXPECT_EQ(0, agent.State().count);
  }
}

TEST_F(PhaseDriverTest, ProcessingLayerRunsFdbProcessingOnlyInPhase3) {
  HarnessDevice& d = harness.AddSilentDevice("sw", "127.0.0.9");
  for (int phase : {1, 2, 3, 4}) {
    agent.ClearCalls();
    harness.Process(d, phase);
    EXPECT_EQ(phase == 3 ? Calls({"28", "29"}) : Calls({"29"}), agent.Calls()) << phase;
  }
}

TEST_F(PhaseDriverTest, DeviceWithoutMediationDataRunsNoStep) {
  CTolScopedErrorLog errors;
  CTolRecord unbound;
  agent.DADoMediationLayer(&unbound);
  agent.DADoProcessLayer(&unbound);
  EXPECT_TRUE(agent.Calls().empty());
  ASSERT_EQ(2u, errors.Records().size());
  for (const TolErrorRecord& r : errors.Records()) {
    EXPECT_EQ(TOL_ERR_NULL, r.code);
    EXPECT_EQ("CDiscoSwitchAgent", r.source);
  }
}

TEST_F(PhaseDriverTest, FailedQueryIsReportedAndTheDownloadStillRuns) {
  CTolScopedErrorLog errors;
  harness.engine.RERegisterQueryService(
      kDiscoQuerySubject, [](const std::string&, std::vector<CTolRecord*>*) { return -7; });
  HarnessDevice& d = harness.AddSilentDevice("sw", "127.0.0.9");
  harness.Mediate(d, 3);
  EXPECT_EQ(Calls({"22@1", "25:42", "26@0"}), agent.Calls());
  EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED));
  const PingState s = agent.State();
  EXPECT_EQ(0, s.requestSent);
  EXPECT_EQ(0, s.initialPingDone);
  EXPECT_EQ(0, harness.pinger->Sweeps());
}

TEST_F(PhaseDriverTest, LayerTracesMarkEntryAndExit) {
  HarnessDevice& d = harness.AddSilentDevice("sw", "127.0.0.9");
  {
    ScopedDebugLevel level(3);
    testing::internal::CaptureStdout();
    harness.Mediate(d, 2);
    harness.Process(d, 2);
    EXPECT_EQ(
        "CDiscoSwitchAgent::DADoMediationLayer().\n"
        "leaving CDiscoSwitchAgent::DADoMediationLayer().\n"
        "CDiscoSwitchAgent::DADoProcessLayer().\n"
        "leaving CDiscoSwitchAgent::DADoProcessLayer().\n",
        testing::internal::GetCapturedStdout());
  }
  d.record->RRAddValue(new CTolVarBind("m_DownloadFdbData", 0));
  ScopedDebugLevel level(4);
  testing::internal::CaptureStdout();
  harness.Mediate(d, 3);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string record = std::string("(") + d.record->RRPrintStr(true) + ").\n";
  EXPECT_NE(std::string::npos, out.find("CDiscoSwitchAgent::DADoMediationLayer" + record)) << out;
  EXPECT_NE(std::string::npos, out.find("checking for m_DownloadFdbData atom\n")) << out;
  EXPECT_NE(std::string::npos, out.find("got m_DownloadFdbData atom: 0\n")) << out;
}

}  // namespace
