// The engine's two MAC readers side by side: the one for operators' text (base) and the one the
// topology files its addresses with.
#include <gtest/gtest.h>

#include <string>

#include "engine/base/MacAddress.h"
#include "engine/topology/Network.h"

namespace {

// The two MAC readers: NormalizeMac takes the forms operators write; the topology's ParseMac only
// two-digit groups separated by ':' or '-', as the engine files them.
TEST(ScopeAndPlanTest, MacAddressesAreNormalisedAndParsed) {
  const std::string kMac = "00:04:96:1F:A2:10";
  struct {
    const char* text;
    bool normalised;
    bool parsed;
  } cases[] = {{"00:04:96:1f:A2:10", true, true},
               {"0:4:96:1f:a2:10", true, false},
               {"00-04-96-1F-A2-10", true, true},
               {"0004.961f.a210", true, false},
               {"0004961fa210", true, false},
               {"00:04:96:1f:a2", false, false},
               {"00:04:96:1f:a2:100", false, false},
               {"00:04:96:1F:A2:10:00", false, false},
               {"0004961fa21g", false, false},
               {"00:04:96:1F:A2:1G", false, false},
               {"", false, false}};
  for (const auto& c : cases) {
    std::string mac;
    EXPECT_EQ(disco::NormalizeMac(c.text, &mac), c.normalised) << c.text;
    EXPECT_TRUE(!c.normalised || mac == kMac) << c.text << " gave " << mac;
    disco::topology::Mac parsed = 0;
    EXPECT_EQ(disco::topology::ParseMac(c.text, &parsed), c.parsed) << c.text;
    EXPECT_TRUE(!c.parsed || disco::topology::MacText(parsed) == kMac) << c.text;
  }
}

}  // namespace
