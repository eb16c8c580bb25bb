// The SNMPv3 discovery report parser reads device data: it must take what it should and refuse,
// without reading out of bounds, everything else.
#include <gtest/gtest.h>

#include "host/netsnmp/NetSnmpEngineProbe.h"

namespace {

using tolnetsnmp::EngineIdentity;
using tolnetsnmp::ParseDiscoveryReport;

std::string Tlv(unsigned char tag, const std::string& body) {
  return std::string(1, static_cast<char>(tag)) + static_cast<char>(body.size()) + body;
}
std::string Int(long v) {  // small non-negative values
  std::string b;
  do {
    b.insert(b.begin(), static_cast<char>(v & 0xFF));
    v >>= 8;
  } while (v > 0);
  if (b[0] & 0x80) b.insert(b.begin(), '\0');
  return Tlv(0x02, b);
}

// A report as an agent sends it for the discovery message `id`.
std::string Report(long version, long id, const std::string& engineId, long boots, long time) {
  std::string usm = Tlv(0x30, Tlv(0x04, engineId) + Int(boots) + Int(time) + Tlv(0x04, "") +
                                  Tlv(0x04, "") + Tlv(0x04, ""));
  std::string counter =
      Tlv(0x30, Tlv(0x06, std::string("\x2b\x06\x01\x06\x03\x0f\x01\x01\x04\x00", 10)) +
                    Tlv(0x41, "\x07"));
  std::string scoped = Tlv(0x30, Tlv(0x04, engineId) + Tlv(0x04, "") +
                                     Tlv(0xA8, Int(id) + Int(0) + Int(0) + Tlv(0x30, counter)));
  std::string global = Tlv(0x30, Int(id) + Int(65507) + Tlv(0x04, std::string(1, '\0')) + Int(3));
  return Tlv(0x30, Int(version) + global + Tlv(0x04, usm) + scoped);
}

const std::string kEngine("\x80\x00\x4f\xb8\x05\x7f\x00\x00\x01\x2a\x80", 11);

TEST(NetSnmpEngineProbe, ReadsTheEngineOfTheMatchingReport) {
  EngineIdentity identity;
  ASSERT_TRUE(ParseDiscoveryReport(Report(3, 4711, kEngine, 5, 123456), 4711, &identity));
  EXPECT_EQ(kEngine, identity.engineId);
  EXPECT_EQ(5, identity.boots);
  EXPECT_EQ(123456, identity.time);
  // Our own discovery message names no engine: it is not a report to learn from.
  EXPECT_FALSE(ParseDiscoveryReport(tolnetsnmp::BuildDiscoveryMessage(4711), 4711, &identity));
}

TEST(NetSnmpEngineProbe, RefusesEverythingElseWithoutReadingPastTheEnd) {
  struct Case {
    const char* what;
    std::string datagram;
  };
  const Case errors[] = {
      {"another message ID", Report(3, 4712, kEngine, 5, 1)},
      {"SNMPv2c", Report(1, 4711, kEngine, 5, 1)},
      {"engine ID of 4 octets", Report(3, 4711, kEngine.substr(0, 4), 5, 1)},
      {"engine ID of 33 octets", Report(3, 4711, std::string(33, 'e'), 5, 1)},
      {"empty", ""},
      {"length beyond the datagram", std::string("\x30\x84\xff\xff\xff\xff\x02\x01\x03", 9)},
  };
  for (const Case& k : errors) {
    EngineIdentity identity;
    EXPECT_FALSE(ParseDiscoveryReport(k.datagram, 4711, &identity)) << k.what;
  }
  // Every truncation fails; every one-octet corruption is read safely (under the sanitizers).
  const std::string good = Report(3, 4711, kEngine, 5, 1);
  for (size_t n = 0; n < good.size(); ++n) {
    EngineIdentity identity;
    EXPECT_FALSE(ParseDiscoveryReport(good.substr(0, n), 4711, &identity)) << "cut at " << n;
    for (unsigned char octet : {0x00, 0x7F, 0x80, 0x84, 0xFF}) {
      std::string bad = good;
      bad[n] = static_cast<char>(octet);
      ParseDiscoveryReport(bad, 4711, &identity);
    }
  }
}

}  // namespace
