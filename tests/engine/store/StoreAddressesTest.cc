// The notations of MAC and IPv4 addresses the store reads.
#include <gtest/gtest.h>

#include "engine/store/Addresses.h"

using namespace disco::store;

namespace {

TEST(StoreAddressesTest, MacNotations) {
  const struct {
    const char* text;
    std::int64_t mac;
  } good[] = {
      {"00:11:22:33:44:55", 0x001122334455}, {"00-11-22-33-44-55", 0x001122334455},
      {"0011.2233.4455", 0x001122334455},    {"001122334455", 0x001122334455},
      {"AA:bb:CC:dd:EE:ff", 0xaabbccddeeff}, {"0:4:96:1f:a2:10", 0x0004961fa210},
  };
  for (const auto& g : good) {
    std::int64_t mac = 0;
    EXPECT_TRUE(ParseMac(g.text, &mac)) << g.text;
    EXPECT_EQ(mac, g.mac) << g.text;
  }
  EXPECT_EQ(FormatMac(0xaabbccddeeff), "aa:bb:cc:dd:ee:ff");
  for (const char* bad : {"", "00:11:22:33:44", "00:11:22:33:44:55:66", "00:11-22:33:44:55",
                          "0011.2233.445", "00112233445g", "001:122:33:44:55:66", "core-1",
                          "00:11:22:33:44:", "0011.2233.4455.6677"}) {
    std::int64_t mac = 0;
    EXPECT_FALSE(ParseMac(bad, &mac)) << bad;
  }
  std::int64_t ip = 0;
  EXPECT_TRUE(ParseIpv4("192.0.2.255", &ip));
  EXPECT_EQ(FormatIpv4(ip), "192.0.2.255");
  for (const char* bad : {"10.0.0.300", "10.0.0", "10.0.0.1.2", "10..0.1", "1O.0.0.1", ""}) {
    EXPECT_FALSE(ParseIpv4(bad, &ip)) << bad;
  }
  EXPECT_EQ(FormatUtc(1796587200), "2026-12-06T20:00:00Z");
}

}  // namespace
