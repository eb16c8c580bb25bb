// The per-device driver: which steps each layer runs in each phase, and in what order.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>

#include "host/CTolErrorSink.h"
#include "host/CTolQryInfo.h"
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

// Slot 22 and 26 carry the ping count at their call: 1 inside the cycle, 0 after DSAStopPing.
TEST_F(PhaseDriverTest, EachLayerRunsItsPhasesStepsInOrder) {
  const struct {
    int phase;
    std::optional<int> downloadFdb;  // "m_DownloadFdbData" value, if the field is there
    Calls mediation, processing;
  } cases[] = {
      {1, std::nullopt, {"24", "23", "27", "26@0"}, {"29"}},
      {3, std::nullopt, {"22@1", "25:42", "26@0"}, {"28", "29"}},
      {3, 1, {"22@1", "25:42", "26@0"}, {"28", "29"}},
      {3, 0, {"22@1", "26@0"}, {"28", "29"}},
      {3, 2, {"22@1", "26@0"}, {"28", "29"}},
      {2, std::nullopt, {"26@0"}, {"29"}},
      {4, std::nullopt, {"26@0"}, {"29"}},
      {0, std::nullopt, {"26@0"}, {"29"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "phase " << c.phase << " flag " << c.downloadFdb.value_or(-1));
    HarnessDevice& d = harness.AddSilentDevice("sw", "127.0.0.9");
    if (c.downloadFdb) d.record->RRAddValue(new CTolVarBind("m_DownloadFdbData", *c.downloadFdb));
    const std::string out = Traced(4, [&] { harness.Mediate(d, c.phase); });
    EXPECT_EQ(c.mediation, agent.TakeCalls());
    EXPECT_EQ(c.phase == 3 && c.downloadFdb.has_value(),
              out.find("got m_DownloadFdbData atom: " + std::to_string(c.downloadFdb.value_or(0)) +
                       "\n") != std::string::npos)
        << out;
    EXPECT_EQ(0, agent.State().count);
    harness.Process(d, c.phase);
    EXPECT_EQ(c.processing, agent.TakeCalls());
  }
}

// Layers called for a device without mediation data, a reply without a query and a ping without
// a ping list are each reported and run no step; an unmatched DSAStopPing does no harm.
TEST_F(PhaseDriverTest, StrayCallsAreReportedAndRunNoStep) {
  CTolScopedErrorLog errors;
  CTolRecord unbound;
  agent.DADoMediationLayer(&unbound);
  agent.DADoProcessLayer(&unbound);
  DiscoSwitchAgentIpReplyThreadFn(new CTolQryInfo(nullptr), nullptr);
  EXPECT_EQ(TOL_ERR_NULL, agent.DSADoPing());
  EXPECT_TRUE(agent.TakeCalls().empty());
  const char* sources[] = {"CDiscoSwitchAgent", "CDiscoSwitchAgent",
                           "DiscoSwitchAgentIpReplyThreadFn", "CDiscoSwitchAgent"};
  ASSERT_EQ(std::size(sources), errors.Records().size());
  for (size_t i = 0; i < std::size(sources); ++i) {
    EXPECT_EQ(sources[i], errors.Records()[i].source) << i;
    EXPECT_EQ(TOL_ERR_NULL, errors.Records()[i].code) << i;
  }

  EXPECT_EQ(1, agent.DSAStopPing());  // below zero is still a success
  EXPECT_EQ(-1, agent.State().count);
}

TEST_F(PhaseDriverTest, FailedQueryIsReportedAndTheDownloadStillRuns) {
  CTolScopedErrorLog errors;
  harness.engine.RERegisterQueryService(
      kDiscoQuerySubject, [](const std::string&, std::vector<CTolRecord*>*) { return -7; });
  harness.Mediate(harness.AddSilentDevice("sw", "127.0.0.9"), 3);
  EXPECT_EQ(Calls({"22@1", "25:42", "26@0"}), agent.TakeCalls());
  EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED));
  EXPECT_TRUE(agent.State().Idle());
  EXPECT_TRUE(harness.pinger->Sweeps().empty());
}

}  // namespace
