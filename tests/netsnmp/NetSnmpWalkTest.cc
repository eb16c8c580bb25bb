// Column walks against snmpsim: exact rows, and the number of requests a walk costs.
#include <gtest/gtest.h>

#include <string>

#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

const char kIfDescr[] = "1.3.6.1.2.1.2.2.1.2";

// ifIndex (column 1) and ifType (column 3) rows around `rows` rows of ifDescr, so that a walk
// must stop exactly at the end of its column. Every 7th description is binary.
std::string InterfaceTable(int rows) {
  std::string text;
  for (int i = 1; i <= 5; ++i)
    text += "1.3.6.1.2.1.2.2.1.1." + std::to_string(i) + "|2|" + std::to_string(i) + "\n";
  for (int i = 1; i <= rows; ++i) {
    text += std::string(kIfDescr) + "." + std::to_string(i);
    text += i % 7 == 0
                ? "|4x|00ff" + std::to_string(10 + i % 90) + "\n"
                : "|4|Port " + std::to_string(i / 48 + 1) + ":" + std::to_string(i % 48) + "\n";
  }
  for (int i = 1; i <= 5; ++i) text += "1.3.6.1.2.1.2.2.1.3." + std::to_string(i) + "|2|6\n";
  return text;
}

// Walks ifDescr with `c`: the rows must be those of `recording`, bought with `requests` requests.
void ExpectWalk(const Snmpsim& sim, const std::string& recording, const CDiscoSnmpCredentials& c,
                long requests) {
  CDiscoNetSnmpBackend backend;
  backend.SetDefaultCredentials(c);
  std::vector<TolSnmpRow> rows;
  std::string reason;
  ASSERT_EQ(TOL_OK,
            backend.Walk(TargetOf(sim.Address(), sim.Port()), Oid(kIfDescr), &rows, &reason))
      << reason;
  ExpectSameRows(RecordedRows(recording, Oid(kIfDescr)), rows);
  EXPECT_EQ(requests, backend.RequestCount());
}

TEST(NetSnmpWalk, TenThousandRowColumnMatchesTheRecordingRowForRow) {
  const std::string recording = InterfaceTable(10000);
  Snmpsim sim;
  sim.AddRecording("public", recording);
  START_SNMPSIM(sim);
  CDiscoSnmpCredentials c = Community("public");
  c.maxRepetitions = 50;
  // 10000 rows in answers of 50, and one more answer that leaves the column.
  ExpectWalk(sim, recording, c, 201);
}

TEST(NetSnmpWalk, RequestsScaleWithMaxRepetitionsNotWithRows) {
  const int kRows = 300;
  const std::string recording = InterfaceTable(kRows);
  Snmpsim sim;
  sim.AddRecording("public", recording);
  sim.AddUser({"walker", "", "", "", ""});
  START_SNMPSIM(sim);
  const struct {
    const char* what;
    CDiscoSnmpCredentials::Version version;
    int maxRepetitions;
    long requests;  // rows / max-repetitions, plus the answer that leaves the column
  } cases[] = {
      {"v1 GETNEXT: one request per row", CDiscoSnmpCredentials::kV1, 25, kRows + 1},
      {"v2c GETBULK by 10", CDiscoSnmpCredentials::kV2c, 10, kRows / 10 + 1},
      {"v2c GETBULK by 64", CDiscoSnmpCredentials::kV2c, 64, kRows / 64 + 1},
      // one more request: the SNMPv3 engine discovery
      {"v3 GETBULK by 25", CDiscoSnmpCredentials::kV3, 25, kRows / 25 + 1 + 1},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    CDiscoSnmpCredentials c = Community("public", k.version);
    c.user = "walker";
    c.contextName = "public";
    c.maxRepetitions = k.maxRepetitions;
    ExpectWalk(sim, recording, c, k.requests);
  }
}

}  // namespace
