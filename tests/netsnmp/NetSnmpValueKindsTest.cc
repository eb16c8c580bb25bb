// Every SNMP value type arrives as the raw value kind it is, with its exact value, whether read
// with GET or walked, and the same as the replay backend reads it from the recording.
#include <gtest/gtest.h>

#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

struct Row {
  const char* what;
  const char* line;  // .snmprec under 1.3.6.1.4.1.99999
  TolSnmpValue expected;
};

TolSnmpValue Number(TolSnmpValue::Kind kind, long long v) {
  TolSnmpValue out;
  out.kind = kind;
  out.integer = v;
  return out;
}

TolSnmpValue Bytes(TolSnmpValue::Kind kind, const std::string& b) {
  TolSnmpValue out;
  out.kind = kind;
  out.bytes = b;
  return out;
}

TolSnmpValue ObjectId(std::vector<unsigned long> oid) {
  TolSnmpValue out;
  out.kind = TolSnmpValue::kObjectId;
  out.oid = std::move(oid);
  return out;
}

const Row kRows[] = {
    {"INTEGER negative", "1.3.6.1.4.1.99999.1.0|2|-2147483648",
     Number(TolSnmpValue::kInteger, -2147483648LL)},
    {"INTEGER positive", "1.3.6.1.4.1.99999.2.0|2|2147483647",
     Number(TolSnmpValue::kInteger, 2147483647)},
    {"Counter32 at its top", "1.3.6.1.4.1.99999.3.0|65|4294967295",
     Number(TolSnmpValue::kCounter32, 4294967295LL)},
    {"Gauge32", "1.3.6.1.4.1.99999.4.0|66|3000000000",
     Number(TolSnmpValue::kUnsigned, 3000000000LL)},
    {"TimeTicks", "1.3.6.1.4.1.99999.5.0|67|1836412209",
     Number(TolSnmpValue::kTimeTicks, 1836412209)},
    {"Counter64 above 2^63", "1.3.6.1.4.1.99999.6.0|70|18446744073709551615",
     Number(TolSnmpValue::kCounter64, -1)},
    {"Counter64", "1.3.6.1.4.1.99999.7.0|70|81985529216486895",
     Number(TolSnmpValue::kCounter64, 81985529216486895LL)},
    {"OCTET STRING text", "1.3.6.1.4.1.99999.8.0|4|Port 2:14 uplink",
     Bytes(TolSnmpValue::kOctetString, "Port 2:14 uplink")},
    {"OCTET STRING binary with NUL", "1.3.6.1.4.1.99999.9.0|4x|0004960000ff",
     Bytes(TolSnmpValue::kOctetString, std::string("\x00\x04\x96\x00\x00\xff", 6))},
    {"OCTET STRING empty", "1.3.6.1.4.1.99999.10.0|4|", Bytes(TolSnmpValue::kOctetString, "")},
    {"IpAddress", "1.3.6.1.4.1.99999.11.0|64|127.30.200.129",
     Bytes(TolSnmpValue::kIpAddress, "\x7f\x1e\xc8\x81")},
    {"OBJECT IDENTIFIER", "1.3.6.1.4.1.99999.12.0|6|1.3.6.1.4.1.1916.2.141",
     ObjectId({1, 3, 6, 1, 4, 1, 1916, 2, 141})},
    {"Opaque", "1.3.6.1.4.1.99999.13.0|68x|0102a0ff",
     Bytes(TolSnmpValue::kOpaque, "\x01\x02\xa0\xff")},
    // An Opaque wrapping a float (tag 9f78) is decoded by net-snmp; its octets must survive.
    {"Opaque holding a float", "1.3.6.1.4.1.99999.14.0|68x|9f78043f800000",
     Bytes(TolSnmpValue::kOpaque, std::string("\x9f\x78\x04\x3f\x80\x00\x00", 7))},
    {"NULL", "1.3.6.1.4.1.99999.15.0|5|", TolSnmpValue{}},
};

TEST(NetSnmpValueKinds, EveryTypeArrivesAsItsKindWithItsValue) {
  std::string recording;
  for (const Row& r : kRows) recording += std::string(r.line) + "\n";
  Snmpsim sim;
  sim.AddRecording("public", recording);
  START_SNMPSIM(sim);
  CDiscoNetSnmpBackend backend;
  backend.SetDefaultCredentials(Community("public"));
  const CDiscoSnmpTarget target = TargetOf(sim.Address(), sim.Port());

  const std::vector<TolSnmpRow> recorded = RecordedRows(recording, Oid("1.3.6.1.4.1.99999"));
  ASSERT_EQ(sizeof(kRows) / sizeof(kRows[0]), recorded.size());
  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE(kRows[i].what);
    ExpectSameValue(kRows[i].expected, recorded[i].value, "replay");
    TolSnmpValue got;
    std::string reason;
    ASSERT_EQ(TOL_OK, backend.Get(target, recorded[i].oid, &got, &reason)) << reason;
    ExpectSameValue(kRows[i].expected, got, "get");
  }
  std::vector<TolSnmpRow> walked;
  std::string reason;
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
