// The SNMPv3 discovery report parser reads device data: it must take what it should and refuse
// everything else (fuzz/FuzzEngineProbe.cc feeds it arbitrary datagrams under the sanitizers).
#include <gtest/gtest.h>

#include "host/netsnmp/NetSnmpEngineProbe.h"
#include "support/BerEncoding.h"

namespace {

using tolnetsnmp::EngineIdentity;
using tolnetsnmp::ParseDiscoveryReport;

// A report as an agent sends it for the discovery message `id`.
std::string Report(long version, long id, const std::string& engineId, long boots, long time) {
  const std::string empty = BerTlv(0x04, "");
  std::string usm = BerTlv(
      0x30, BerTlv(0x04, engineId) + BerInteger(boots) + BerInteger(time) + empty + empty + empty);
  std::string counter = BerTlv(
      0x30, BerTlv(0x06, BerOidContent({1, 3, 6, 1, 6, 3, 15, 1, 1, 4, 0})) + BerTlv(0x41, "\x07"));
  std::string scoped = BerTlv(0x30, BerTlv(0x04, engineId) + empty +
                                        BerTlv(0xA8, BerInteger(id) + BerInteger(0) +
                                                         BerInteger(0) + BerTlv(0x30, counter)));
  std::string global = BerTlv(0x30, BerInteger(id) + BerInteger(65507) +
                                        BerTlv(0x04, std::string(1, '\0')) + BerInteger(3));
  return BerTlv(0x30, BerInteger(version) + global + BerTlv(0x04, usm) + scoped);
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
  const struct {
    const char* what;
    std::string datagram;
  } errors[] = {
      {"another message ID", Report(3, 4712, kEngine, 5, 1)},
      {"SNMPv2c", Report(1, 4711, kEngine, 5, 1)},
      {"engine ID of 4 octets", Report(3, 4711, kEngine.substr(0, 4), 5, 1)},
      {"engine ID of 33 octets", Report(3, 4711, std::string(33, 'e'), 5, 1)},
      {"empty", ""},
      {"length beyond the datagram", std::string("\x30\x84\xff\xff\xff\xff\x02\x01\x03", 9)},
  };
  for (const auto& k : errors) {
    EngineIdentity identity;
    EXPECT_FALSE(ParseDiscoveryReport(k.datagram, 4711, &identity)) << k.what;
  }
}

}  // namespace
