// Column walks against snmpsim: exact rows, and the requests, answers and variable bindings a walk
// costs.
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

// Walks ifDescr with `c`: the rows must be those of `recording`, bought with `expected` request
// and response PDUs and variable bindings (snmpsim fills every bulk answer up to the
// max-repetitions, with endOfMibView past the end of its data).
void ExpectWalk(const Snmpsim& sim, const std::string& recording, const CDiscoSnmpCredentials& c,
                const CDiscoSnmpCounters& expected) {
  CDiscoNetSnmpBackend backend;
  backend.SetDefaultCredentials(c);
  const CDiscoSnmpTarget target = TargetOf(sim.Address(), sim.Port());
  std::vector<TolSnmpRow> rows;
  std::string reason;
  ASSERT_EQ(TOL_OK, backend.Walk(target, Oid(kIfDescr), &rows, &reason)) << reason;
  ExpectSameRows(RecordedRows(recording, Oid(kIfDescr)), rows);
  const CDiscoSnmpCounters counted = backend.Counters(target.DeviceKey());
  EXPECT_EQ(expected.requests, counted.requests);
  EXPECT_EQ(expected.responses, counted.responses);
  EXPECT_EQ(expected.varbinds, counted.varbinds);
  EXPECT_EQ(expected.requests, backend.RequestCount());
  EXPECT_EQ(0, backend.Counters(TargetOf(sim.Address(), sim.Port() + 1).DeviceKey()).requests)
      << "counted for another device";
}

// Every walk matches its recording row for row.
TEST(NetSnmpWalk, RequestsScaleWithMaxRepetitionsNotWithRows) {
  const std::string recording = InterfaceTable(300), big = InterfaceTable(10000);
  Snmpsim sim;
  sim.AddRecording("public", recording);
  sim.AddRecording("big", big);
  sim.AddUser({"walker", "", "", "", ""});
  START_SNMPSIM(sim);
  using C = CDiscoSnmpCredentials;
  // Answers: rows / max-repetitions, and one that leaves the column (v1: one per row, and one);
  // SNMPv3 asks once more, for the engine discovery that a report answers.
  const struct {
    const char* what;
    const char* community;  // "public": 300 rows, "big": 10000 rows
    C::Version version;
    int maxRepetitions;
    CDiscoSnmpCounters counted;  // requests, responses, variable bindings
  } cases[] = {
      {"ten thousand rows by 50", "big", C::kV2c, 50, {201, 201, 201 * 50}},
      {"v1 GETNEXT: one request per row", "public", C::kV1, 25, {301, 301, 301}},
      {"v2c GETBULK by 10", "public", C::kV2c, 10, {31, 31, 31 * 10}},
      {"v2c GETBULK by 64", "public", C::kV2c, 64, {5, 5, 5 * 64}},
      {"v3 GETBULK by 25", "public", C::kV3, 25, {13 + 1, 13, 13 * 25}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    CDiscoSnmpCredentials c = Community(k.community, k.version);
    c.user = "walker";
    c.contextName = k.community;
    c.maxRepetitions = k.maxRepetitions;
    ExpectWalk(sim, k.community == std::string("big") ? big : recording, c, k.counted);
  }
}

}  // namespace
