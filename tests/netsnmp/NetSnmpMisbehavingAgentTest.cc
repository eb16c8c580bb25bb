// Walks against an agent that answers in exact, scripted ways: identifiers that do not increase,
// tooBig, the ends of a walk in v1 and v2c, silence; and a silent device next to a live one.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "host/TolTypes.h"
#include "netsnmp/FakeSnmpAgent.h"
#include "netsnmp/NetSnmpTestSupport.h"
#include "support/BerEncoding.h"

namespace {

const std::vector<unsigned long> kColumn = {1, 3, 6, 1, 2, 1, 2, 2, 1, 2};

std::vector<unsigned long> Row(unsigned long index) {
  std::vector<unsigned long> oid = kColumn;
  oid.push_back(index);
  return oid;
}

FakeVarBind Int(std::vector<unsigned long> oid, long v) {
  return {std::move(oid), 0x02, BerIntegerContent(v)};
}

// Rows 1..`rows` of kColumn, "Port <n>" each; see FakeTable for `tooBigAbove`.
FakeSnmpAgent::Handler Ports(unsigned long rows, long tooBigAbove = 0) {
  std::vector<FakeVarBind> table;
  for (unsigned long n = 1; n <= rows; ++n) {
    table.push_back({Row(n), 0x04, "Port " + std::to_string(n)});
  }
  return FakeTable(table, tooBigAbove);
}

FakeSnmpAgent::Handler Always(FakeResponse response) {
  return [response](const FakeRequest&) { return response; };
}

TEST(NetSnmpMisbehavingAgent, WalksEndOrFailAsTheAgentAnswers) {
  const auto v1 = CDiscoSnmpCredentials::kV1;
  const auto v2c = CDiscoSnmpCredentials::kV2c;
  const FakeResponse repeating{false, 0, 0, {Int(Row(1), 1)}};
  struct Case {
    const char* what;
    CDiscoSnmpCredentials::Version version;
    FakeSnmpAgent::Handler agent;
    int code;
    size_t rows;
    int requests;   // retries included
    int responses;  // error answers included
  } const cases[] = {
      {"v1 agent repeating the same identifier", v1, Always(repeating), TOL_ERR_PROTOCOL, 0, 2, 2},
      {"v2c agent repeating the same identifier", v2c, Always(repeating), TOL_ERR_PROTOCOL, 0, 2,
       2},
      {"bulk answer going backwards", v2c, Always({false, 0, 0, {Int(Row(5), 5), Int(Row(4), 4)}}),
       TOL_ERR_PROTOCOL, 0, 1, 1},
      {"answer that jumps back before the column", v2c,
       Always({false, 0, 0, {Int({1, 3, 6, 1, 2, 1, 1, 1, 0}, 1)}}), TOL_ERR_PROTOCOL, 0, 1, 1},
      {"v1 end of view as noSuchName", v1, Ports(7), TOL_OK, 7, 8, 8},
      {"v2c end of view as endOfMibView", v2c, Ports(30), TOL_OK, 30, 2, 2},
      // 25 repetitions refused, then 12, then 6 accepted: 30 rows in 5 answers of 6, one more.
      {"tooBig makes the walk ask for fewer", v2c, Ports(30, 8), TOL_OK, 30, 2 + 6, 2 + 6},
      {"tooBig even for one repetition", v2c, Always({false, 1, 0, {}}), TOL_ERR_FAILED, 0, 5,
       5},  // 25, 12, 6, 3, 1
      {"silent agent", v2c, Always({true, 0, 0, {}}), TOL_ERR_TIMEOUT, 0, 2, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FakeSnmpAgent agent(k.agent);
    CDiscoNetSnmpBackend backend;
    CDiscoSnmpCredentials c = Community("public", k.version);
    c.timeoutMs = 200;
    c.maxRepetitions = 25;  // the tooBig cases count its halvings
    backend.SetDefaultCredentials(c);
    std::vector<TolSnmpRow> rows = {TolSnmpRow{}};  // a failed walk must leave it empty
    std::string reason;
    const CDiscoSnmpTarget target = TargetOf("127.0.0.1", agent.Port());
    int rc = backend.Walk(target, kColumn, &rows, &reason);
    EXPECT_EQ(k.code, rc) << reason;
    EXPECT_EQ(k.rows, rows.size());
    EXPECT_EQ(k.requests, backend.RequestCount());
    EXPECT_EQ(k.requests, agent.Requests());
    EXPECT_EQ(k.requests, backend.Counters(target.DeviceKey()).requests);
    EXPECT_EQ(k.responses, backend.Counters(target.DeviceKey()).responses);
    EXPECT_TRUE(rc == TOL_OK || !reason.empty()) << "a failure without a reason";
  }
}

// A device that has not answered yet does not hold up a walk of another: the walk ends while the
// first device still holds its request unanswered.
TEST(NetSnmpMisbehavingAgent, ASilentDeviceDoesNotHoldUpAnother) {
  std::promise<void> arrived, release;
  std::shared_future<void> released = release.get_future().share();
  FakeSnmpAgent silent([&arrived, released](const FakeRequest&) {
    arrived.set_value();
    released.wait();
    return FakeResponse{false, 0, 0, {Int(Row(1), 7)}};
  });
  FakeSnmpAgent live(Ports(100));
  CDiscoNetSnmpBackend backend;
  CDiscoSnmpCredentials c = Community("public");
  c.timeoutMs = 60000;
  c.retries = 0;
  backend.SetDefaultCredentials(c);

  std::atomic<bool> silentAnswered{false};
  int silentCode = 0;
  std::thread waiting([&] {
    TolSnmpValue value;
    std::string reason;
    silentCode = backend.Get(TargetOf("127.0.0.1", silent.Port()), Row(1), &value, &reason);
    silentAnswered = true;
  });
  arrived.get_future().wait();
  std::vector<TolSnmpRow> rows;
  std::string reason;
  EXPECT_EQ(TOL_OK, backend.Walk(TargetOf("127.0.0.1", live.Port()), kColumn, &rows, &reason))
      << reason;
  EXPECT_FALSE(silentAnswered) << "the walk waited for the silent device";
  release.set_value();
  waiting.join();
  EXPECT_EQ(100u, rows.size());
  EXPECT_EQ(TOL_OK, silentCode);
}

}  // namespace
