// Walks against an agent that answers in exact, scripted ways: identifiers that do not increase,
// tooBig, the ends of a walk in v1 and v2c, silence; and a silent device next to a live one.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/TolTypes.h"
#include "netsnmp/FakeSnmpAgent.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

const std::vector<unsigned long> kColumn = {1, 3, 6, 1, 2, 1, 2, 2, 1, 2};

std::vector<unsigned long> Row(unsigned long index) {
  std::vector<unsigned long> oid = kColumn;
  oid.push_back(index);
  return oid;
}

// An agent holding rows 1..`rows` of kColumn, answering GETNEXT and GETBULK correctly;
// `tooBigAbove` makes it refuse bulk requests of more repetitions with tooBig.
FakeResponse Table(const FakeRequest& r, unsigned long rows, long tooBigAbove = 0) {
  FakeResponse out;
  if (r.oids.empty()) return out;
  if (r.pduType == 0xA5 && tooBigAbove > 0 && r.maxRepetitions > tooBigAbove) {
    out.errorStatus = 1;  // tooBig
    return out;
  }
  const std::vector<unsigned long>& from = r.oids[0];
  unsigned long next = from.size() > kColumn.size() ? from[kColumn.size()] + 1 : 1;
  long count = r.pduType == 0xA5 ? r.maxRepetitions : 1;
  for (long i = 0; i < count; ++i, ++next) {
    if (next > rows) {
      if (r.version == 0) {
        out.errorStatus = 2;  // noSuchName: SNMPv1's end of the MIB view
        out.errorIndex = 1;
        out.varbinds = {FakeVarBind::Integer(from, 0)};
      } else {
        out.varbinds.push_back(FakeVarBind::EndOfMibView(Row(next)));
      }
      break;
    }
    out.varbinds.push_back(FakeVarBind::Octets(Row(next), "Port " + std::to_string(next)));
  }
  return out;
}

struct Case {
  const char* what;
  CDiscoSnmpCredentials::Version version;
  FakeSnmpAgent::Handler agent;
  int expectedCode;
  size_t expectedRows;
  int expectedRequests;
};

TEST(NetSnmpMisbehavingAgent, WalksEndOrFailAsTheAgentAnswers) {
  const auto v1 = CDiscoSnmpCredentials::kV1;
  const auto v2c = CDiscoSnmpCredentials::kV2c;
  const Case cases[] = {
      {"v1 agent repeating the same identifier", v1,
       [](const FakeRequest&) {
         return FakeResponse{false, 0, 0, {FakeVarBind::Integer(Row(1), 1)}};
       },
       TOL_ERR_PROTOCOL, 0, 2},
      {"v2c agent repeating the same identifier", v2c,
       [](const FakeRequest&) {
         return FakeResponse{false, 0, 0, {FakeVarBind::Integer(Row(1), 1)}};
       },
       TOL_ERR_PROTOCOL, 0, 2},
      {"bulk answer going backwards", v2c,
       [](const FakeRequest&) {
         return FakeResponse{
             false, 0, 0, {FakeVarBind::Integer(Row(5), 5), FakeVarBind::Integer(Row(4), 4)}};
       },
       TOL_ERR_PROTOCOL, 0, 1},
      {"answer that jumps back before the column", v2c,
       [](const FakeRequest&) {
         return FakeResponse{false, 0, 0, {FakeVarBind::Integer({1, 3, 6, 1, 2, 1, 1, 1, 0}, 1)}};
       },
       TOL_ERR_PROTOCOL, 0, 1},
      {"v1 end of view as noSuchName", v1, [](const FakeRequest& r) { return Table(r, 7); }, TOL_OK,
       7, 8},
      {"v2c end of view as endOfMibView", v2c, [](const FakeRequest& r) { return Table(r, 30); },
       TOL_OK, 30, 2},
      // 25 repetitions refused, then 12, then 6 accepted: 30 rows in 5 answers of 6, one more.
      {"tooBig makes the walk ask for fewer", v2c,
       [](const FakeRequest& r) { return Table(r, 30, 8); }, TOL_OK, 30, 2 + 6},
      {"tooBig even for one repetition", v2c,
       [](const FakeRequest&) {
         return FakeResponse{false, 1, 0, {}};
       },
       TOL_ERR_FAILED, 0, 5},  // 25, 12, 6, 3, 1
      {"silent agent", v2c,
       [](const FakeRequest&) {
         return FakeResponse{true, 0, 0, {}};
       },
       TOL_ERR_TIMEOUT, 0, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FakeSnmpAgent agent(k.agent);
    CDiscoNetSnmpBackend backend;
    CDiscoSnmpCredentials c = Community("public", k.version);
    c.timeoutMs = 200;
    c.retries = 1;
    backend.SetDefaultCredentials(c);
    std::vector<TolSnmpRow> rows = {TolSnmpRow{}};  // a failed walk must leave it empty
    std::string reason;
    int rc = backend.Walk(TargetOf("127.0.0.1", agent.Port()), kColumn, &rows, &reason);
    EXPECT_EQ(k.expectedCode, rc) << reason;
    EXPECT_EQ(k.expectedRows, rows.size());
    EXPECT_EQ(k.expectedRequests, backend.RequestCount());
    EXPECT_EQ(k.expectedRequests, agent.Requests());
    if (rc != TOL_OK) {
      EXPECT_FALSE(reason.empty());
    }
  }
}

TEST(NetSnmpMisbehavingAgent, ASilentDeviceDoesNotHoldUpAnother) {
  FakeSnmpAgent silent([](const FakeRequest&) { return FakeResponse{true, 0, 0, {}}; });
  FakeSnmpAgent live([](const FakeRequest& r) { return Table(r, 100); });
  CDiscoNetSnmpBackend backend;
  CDiscoSnmpCredentials c = Community("public");
  c.timeoutMs = 1500;
  c.retries = 0;
  backend.SetDefaultCredentials(c);

  int silentCode = 0;
  std::thread waiting([&] {
    TolSnmpValue value;
    std::string reason;
    silentCode = backend.Get(TargetOf("127.0.0.1", silent.Port()), Row(1), &value, &reason);
  });
  while (silent.Requests() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  auto start = std::chrono::steady_clock::now();
  std::vector<TolSnmpRow> rows;
  std::string reason;
  EXPECT_EQ(TOL_OK, backend.Walk(TargetOf("127.0.0.1", live.Port()), kColumn, &rows, &reason))
      << reason;
  auto elapsed = std::chrono::steady_clock::now() - start;
  waiting.join();
  EXPECT_EQ(100u, rows.size());
  EXPECT_EQ(TOL_ERR_TIMEOUT, silentCode);
  EXPECT_LT(elapsed, std::chrono::milliseconds(1000)) << "the walk waited for the silent device";
}

}  // namespace
