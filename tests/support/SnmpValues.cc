#include "support/SnmpValues.h"

namespace {
using V = TolSnmpValue;
}  // namespace

const std::vector<SnmpValueRow> kSnmpValueRows = {
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
    {"OCTET STRING holding bars", "16.0|4|A|B", {V::kOctetString, 0, "A|B", {}}},
    {"IpAddress in hex", "17.0|64x|c0a80101", {V::kIpAddress, 0, "\xc0\xa8\x01\x01", {}}},
};

std::string SnmpValueRecording() {
  std::string recording;
  for (const SnmpValueRow& r : kSnmpValueRows) {
    recording += "1.3.6.1.4.1.99999." + std::string(r.line) + "\n";
  }
  return recording;
}

CDiscoSnmpTarget TargetOf(const std::string& address, int port) {
  CDiscoSnmpTarget t;
  t.address = address;
  t.port = port;
  t.name = "sw-under-test";
  return t;
}

std::string DottedText(const std::vector<unsigned long>& oid) {
  std::string s;
  for (unsigned long v : oid) s += (s.empty() ? "" : ".") + std::to_string(v);
  return s;
}

std::string ValueText(const TolSnmpValue& v) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : v.bytes) hex += {kHex[b >> 4], kHex[b & 15]};
  return "kind " + std::to_string(v.kind) + " integer " + std::to_string(v.integer) + " bytes " +
         hex + " oid " + DottedText(v.oid);
}
