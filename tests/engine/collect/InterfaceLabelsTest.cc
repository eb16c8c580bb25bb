// The engine's own interface list: labels that follow the agent's slot:port where they fit and
// never collide, and odd ifTable and ipAddrTable rows kept or named as problems.
#include <gtest/gtest.h>

#include <map>

#include "engine/collect/CollectTestSupport.h"
#include "engine/collect/InterfaceCollector.h"

namespace {

std::map<long, std::string> Labelled(std::map<long, std::string> agent,
                                     const std::vector<std::pair<long, std::string>>& rows) {
  std::vector<disco::EngineInterface> interfaces;
  for (const auto& [ifIndex, name] : rows) {
    disco::EngineInterface i;
    i.ifIndex = ifIndex;
    i.name = name;
    i.isVirtual = ifIndex >= 1000010 || ifIndex == 1005;  // as a VLAN interface would be
    interfaces.push_back(i);
  }
  disco::LabelInterfaces(agent, &interfaces);
  std::map<long, std::string> out;
  for (const auto& i : interfaces) out[i.ifIndex] = i.label;
  return out;
}

TEST(InterfaceLabelsTest, SlotPortWhereItFitsNamesWhereNumbersCollideOrTheAgentDeclined) {
  // 1 and 1001 both read 1:1; the agent handed over 1 (as 1:1), and Vlan5 as if a port.
  std::map<long, std::string> l =
      Labelled({{1, "1:1"}, {2, "1:2"}, {1005, "1:5"}, {1000010, "if 1000010"}}, {{1, "1/1"},
                                                                                  {2, "1/2"},
                                                                                  {1001, "2/1"},
                                                                                  {1003, "2/3"},
                                                                                  {1005, "Vlan5"},
                                                                                  {2001, ""},
                                                                                  {1000010, "dup"},
                                                                                  {1000011, "dup"},
                                                                                  {1000012, ""}});
  EXPECT_EQ(l, (std::map<long, std::string>{{1, "1/1"},
                                            {2, "1:2"},
                                            {1001, "2/1"},
                                            {1003, "1:3"},
                                            {1005, "Vlan5"},
                                            {2001, "2:1"},
                                            {1000010, "if 1000010"},
                                            {1000011, "dup"},
                                            {1000012, "if 1000012"}}));
  // A device the agent declined: names only; a name given twice gets its ifIndex.
  l = Labelled({}, {{1, "Gi0/0/0"}, {3, "Gi0/0/0"}, {10101, "1/1/1"}});
  EXPECT_EQ(l,
            (std::map<long, std::string>{{1, "Gi0/0/0"}, {3, "Gi0/0/0 (if 3)"}, {10101, "1/1/1"}}));
  for (long type : {24L, 53L, 131L, 135L, 136L}) EXPECT_TRUE(disco::IsVirtualIfType(type)) << type;
  for (long type : {6L, 117L, 161L}) EXPECT_FALSE(disco::IsVirtualIfType(type)) << type;
}

TEST(InterfaceLabelsTest, OddRowsAreKeptOrNamedProblems) {
  const char kDevice[] =
      "1.3.6.1.2.1.2.2.1.2.1001|4|Port 1001\n"
      "1.3.6.1.2.1.2.2.1.3.1.7|2|6\n"         // an index that is no ifIndex
      "1.3.6.1.2.1.2.2.1.8.3000000000|2|1\n"  // only in ifOperStatus, above 2^31
      "1.3.6.1.2.1.4.20.1.2.10.0.0.1|2|1001\n"
      "1.3.6.1.2.1.4.20.1.2.10.0.0.9|2|77\n";  // on no interface
  Device device(kDevice);
  ASSERT_TRUE(device.ok);
  disco::DeviceCollections c;
  disco::CollectInterfaces(device.requester, device.record, {{1001, "1:1"}}, &c);

  ASSERT_EQ(c.interfaces.size(), 2u);
  EXPECT_EQ(c.interfaces[0].label, "1:1");
  EXPECT_EQ(c.interfaces[1].ifIndex, 3000000000L);
  ASSERT_EQ(c.addresses.size(), 2u);
  EXPECT_EQ(c.addresses[0].label, "1:1");
  EXPECT_EQ(c.addresses[1].label, "");
  ASSERT_EQ(c.problems.size(), 2u);
  EXPECT_EQ(c.problems[0].rfind("ifTable: 1 value(s) with an index that is no ifIndex", 0), 0u);
  EXPECT_EQ(c.problems[1].rfind("ipAddrTable: 1 address on an ifIndex that ifTable does not", 0),
            0u);
}

}  // namespace
