// Every SNMP value type of the shared value table arrives over SNMP as the raw value kind it is,
// with its exact value, whether read with GET or walked (SnmprecTest checks the same table
// against the replay backend's parser, so both backends give the same values).
#include <gtest/gtest.h>

#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

TEST(NetSnmpValueKinds, EveryTypeArrivesAsItsKindWithItsValue) {
  const std::string recording = SnmpValueRecording();
  Snmpsim sim;
  sim.AddRecording("public", recording);
  START_SNMPSIM(sim);
  CDiscoNetSnmpBackend backend;
  backend.SetDefaultCredentials(Community("public"));
  const CDiscoSnmpTarget target = TargetOf(sim.Address(), sim.Port());

  const std::vector<TolSnmpRow> recorded = RecordedRows(recording, Oid("1.3.6.1.4.1.99999"));
  ASSERT_EQ(kSnmpValueRows.size(), recorded.size());
  std::string reason;
  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE(kSnmpValueRows[i].what);
    TolSnmpValue got;
    ASSERT_EQ(TOL_OK, backend.Get(target, recorded[i].oid, &got, &reason)) << reason;
    EXPECT_EQ(ValueText(kSnmpValueRows[i].expected), ValueText(got));
  }
  std::vector<TolSnmpRow> walked;
  ASSERT_EQ(TOL_OK, backend.Walk(target, Oid("1.3.6.1.4.1.99999"), &walked, &reason)) << reason;
  ExpectSameRows(recorded, walked);

  // A missing instance is TOL_ERR_FAILED (no such instance), in v2c and in v1.
  for (auto version : {CDiscoSnmpCredentials::kV2c, CDiscoSnmpCredentials::kV1}) {
    backend.SetDefaultCredentials(Community("public", version));
    TolSnmpValue none;
    EXPECT_EQ(TOL_ERR_FAILED, backend.Get(target, Oid("1.3.6.1.4.1.99999.1.1"), &none, &reason));
    EXPECT_EQ(TOL_ERR_FAILED, backend.Get(target, Oid("1.3.6.1.4.1.99998.1.0"), &none, &reason));
  }
}

}  // namespace
