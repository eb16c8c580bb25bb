// Every SNMP value type arrives as the raw value kind it is, with its exact value, whether read
// with GET or walked, and the same as the replay backend reads it from the recording.
#include <gtest/gtest.h>

#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

using V = TolSnmpValue;
const struct {
  const char* what;
  const char* line;  // .snmprec line, below 1.3.6.1.4.1.99999
  TolSnmpValue expected;
} kRows[] = {
    {"INTEGER negative", "1.0|2|-2147483648", {V::kInteger, -2147483648LL, "", {}}},
    {"INTEGER positive", "2.0|2|2147483647", {V::kInteger, 2147483647, "", {}}},
    {"Counter32 at its top", "3.0|65|4294967295", {V::kCounter32, 4294967295LL, "", {}}},
    {"Gauge32", "4.0|66|3000000000", {V::kUnsigned, 3000000000LL, "", {}}},
    {"TimeTicks", "5.0|67|1836412209", {V::kTimeTicks, 1836412209, "", {}}},
    {"Counter64 above 2^63", "6.0|70|18446744073709551615", {V::kCounter64, -1, "", {}}},
    {"Counter64", "7.0|70|81985529216486895", {V::kCounter64, 81985529216486895LL, "", {}}},
    {"OCTET STRING text", "8.0|4|Port 2:14 uplink", {V::kOctetString, 0, "Port 2:14 uplink", {}}},
    {"OCTET STRING binary with NUL",
     "9.0|4x|0004960000ff",
     {V::kOctetString, 0, std::string("\x00\x04\x96\x00\x00\xff", 6), {}}},
    {"OCTET STRING empty", "10.0|4|", {V::kOctetString, 0, "", {}}},
    {"IpAddress", "11.0|64|127.30.200.129", {V::kIpAddress, 0, "\x7f\x1e\xc8\x81", {}}},
    {"OBJECT IDENTIFIER",
     "12.0|6|1.3.6.1.4.1.1916.2.141",
     {V::kObjectId, 0, "", {1, 3, 6, 1, 4, 1, 1916, 2, 141}}},
    {"Opaque", "13.0|68x|0102a0ff", {V::kOpaque, 0, "\x01\x02\xa0\xff", {}}},
    // An Opaque wrapping a float (tag 9f78) is decoded by net-snmp; its octets must survive.
    {"Opaque holding a float",
     "14.0|68x|9f78043f800000",
     {V::kOpaque, 0, std::string("\x9f\x78\x04\x3f\x80\x00\x00", 7), {}}},
    {"NULL", "15.0|5|", {}},
};

TEST(NetSnmpValueKinds, EveryTypeArrivesAsItsKindWithItsValue) {
  std::string recording;
  for (const auto& r : kRows) recording += "1.3.6.1.4.1.99999." + std::string(r.line) + "\n";
  Snmpsim sim;
  sim.AddRecording("public", recording);
  START_SNMPSIM(sim);
  CDiscoNetSnmpBackend backend;
  backend.SetDefaultCredentials(Community("public"));
  const CDiscoSnmpTarget target = TargetOf(sim.Address(), sim.Port());

  const std::vector<TolSnmpRow> recorded = RecordedRows(recording, Oid("1.3.6.1.4.1.99999"));
  ASSERT_EQ(std::size(kRows), recorded.size());
  std::string reason;
  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE(kRows[i].what);
    EXPECT_EQ(ValueText(kRows[i].expected), ValueText(recorded[i].value)) << "replay";
    TolSnmpValue got;
    ASSERT_EQ(TOL_OK, backend.Get(target, recorded[i].oid, &got, &reason)) << reason;
    EXPECT_EQ(ValueText(kRows[i].expected), ValueText(got)) << "get";
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
