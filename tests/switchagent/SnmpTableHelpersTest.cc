// The SNMP table helpers: local-neighbour keys, MAC-keyed trees, walks as trees and FDB statuses.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/CTolErrorSink.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVarBind.h"
#include "support/AgentHarness.h"
#include "switchagent/RecordingSwitchAgent.h"

namespace {

std::string Take(char* text) {
  std::string s = text ? text : "<null>";
  free(text);
  return s;
}

CTolSnmpVarOp* Row(std::vector<unsigned long> index, int value) {
  return new CTolSnmpVarOp("dot1dTpFdbPort", index.empty() ? nullptr : new CTolASN1Address(index),
                           new CTolAtom(value));
}

TEST(SnmpTableHelpersTest, LocalNeighbourKeyIsCardDotPortElseIfIndex) {
  RecordingSwitchAgent agent;
  struct Case {
    std::vector<std::pair<const char*, int>> fields;
    const char* key;
  };
  const Case cases[] = {
      {{{"m_IfIndex", 3012}, {"m_LocalNbrCard", 3}, {"m_LocalNbrPort", 12}}, "3.12"},
      {{{"m_IfIndex", 10005}}, "10005"},
      {{{"m_LocalNbrCard", 1}, {"m_IfIndex", 1005}}, "1005"},
      {{{"m_LocalNbrPort", 5}}, "<null>"},
      {{}, "<null>"},
  };
  for (const Case& c : cases) {
    CTolRecord record;
    for (const auto& f : c.fields) record.RRAddValue(new CTolVarBind(f.first, f.second));
    EXPECT_EQ(c.key, Take(agent.DSADetermineKeyToUse(&record)));
  }
  EXPECT_EQ("<null>", Take(agent.DSADetermineKeyToUse(nullptr)));
}

TEST(SnmpTableHelpersTest, MacIndexedTreeKeepsTheFirstRowOfEachMac) {
  RecordingSwitchAgent agent;
  CTolDoubleList rows;
  CTolSnmpVarOp* first = Row({0, 1, 2, 3, 4, 5}, 7);
  rows.RDLAddToEnd(Row({}, 1));      // no index
  rows.RDLAddToEnd(Row({1, 2}, 2));  // too short for a MAC
  rows.RDLAddToEnd(first);
  rows.RDLAddToEnd(Row({0, 1, 2, 3, 4, 5}, 8));  // same MAC: dropped
  rows.RDLAddToEnd(Row({9, 0, 10, 11, 12, 13, 255}, 9));

  CTolScopedErrorLog errors;
  CTolTreeList* tree = agent.DSABuildMacIndexedList(&rows);
  ASSERT_NE(nullptr, tree);
  EXPECT_TRUE(errors.Records().empty());
  EXPECT_EQ(2, tree->RTLLength());
  const std::string mac = Take(agent.DSAConvertIndexToMac(first->RSVOASN1()));
  ASSERT_NE(nullptr, tree->RTLGet(mac.c_str()));
  EXPECT_EQ(first, tree->RTLGet(mac.c_str())->RPData());
  agent.DSADeleteMacIndexedList(tree);
  EXPECT_EQ(5, rows.RDLLength());  // the rows stay with their list

  CTolDoubleList noIndex;
  noIndex.RDLAddToEnd(Row({}, 1));
  noIndex.RDLAddToEnd(Row({}, 2));
  EXPECT_EQ(nullptr, agent.DSABuildMacIndexedList(&noIndex));
  EXPECT_EQ(nullptr, agent.DSABuildMacIndexedList(nullptr));
  EXPECT_EQ("<null>", Take(agent.DSAConvertIndexToMac(nullptr)));
}

TEST(SnmpTableHelpersTest, WalkBecomesATreeByIndexOrByValue) {
  RecordingSwitchAgent agent;
  AgentHarness harness(agent);
  HarnessDevice& d = harness.AddDevice(
      "sw", "127.0.0.9",
      Snmprec({"1.3.6.1.2.1.2.2.1.2.1|4|port one", "1.3.6.1.2.1.2.2.1.2.1005|4|port two"}));
  ScopedDebugLevel level(4);
  testing::internal::CaptureStdout();
  CTolDoubleList* raw = nullptr;
  CTolTreeList* byIndex = agent.DSABuildSnmpList(d.record.get(), true, "ifDescr", &raw);
  agent.DSADeleteSnmpList(nullptr, nullptr);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(
      "CDiscoSwitchAgent::DSABuildSnmpList(ifDescr)\n"
      "leaving CDiscoSwitchAgent::DSABuildSnmpList().\n"
      "CDiscoSwitchAgent::DSADeleteSnmpList().\n"
      "leaving CDiscoSwitchAgent::DSADeleteSnmpList().\n",
      out);
  ASSERT_NE(nullptr, byIndex);
  ASSERT_NE(nullptr, raw);
  EXPECT_EQ(2, raw->RDLLength());
  EXPECT_NE(nullptr, byIndex->RTLGet(1005));
  agent.DSADeleteSnmpList(byIndex, raw);

  CTolTreeList* byValue = agent.DSABuildSnmpList(d.record.get(), false, "ifDescr", &raw);
  ASSERT_NE(nullptr, byValue);
  EXPECT_NE(nullptr, byValue->RTLGet("port two"));
  agent.DSADeleteSnmpList(byValue, raw);
  agent.DSADeleteMacIndexedList(nullptr);
}

TEST(SnmpTableHelpersTest, OnlyInvalidAndSelfStatusesAreRefused) {
  const struct {
    int status;
    bool acceptable;
    bool unexpected;
  } cases[] = {{1, true, false}, {2, false, false}, {3, true, false}, {4, false, false},
               {5, true, false}, {0, true, true},   {6, true, true},  {-1, true, true}};
  ScopedDebugLevel level(4);
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    const bool acceptable =
        RecordingSwitchAgent::IsPortStatusAcceptable(static_cast<EDiscoPortStatus>(c.status));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(c.acceptable, acceptable) << c.status;
    EXPECT_EQ(c.unexpected ? "An unexpected FDB status was seen (" + std::to_string(c.status) +
                                 ")!  Assuming it's valid.\n"
                           : "",
              out);
  }
}

TEST(SnmpTableHelpersTest, StringToIntReadsDecimal) {
  RecordingSwitchAgent agent;
  int value = -5;
  EXPECT_EQ(1, agent.DSAStringToInt("010", &value));
  EXPECT_EQ(10, value);
  EXPECT_NE(1, agent.DSAStringToInt("1a", &value));
  EXPECT_EQ(10, value);
}

}  // namespace
