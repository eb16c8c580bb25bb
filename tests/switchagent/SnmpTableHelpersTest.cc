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
  const struct {
    std::vector<std::pair<const char*, int>> fields;
    const char* key;
  } cases[] = {
      {{{"m_IfIndex", 3012}, {"m_LocalNbrCard", 3}, {"m_LocalNbrPort", 12}}, "3.12"},
      {{{"m_IfIndex", 10005}}, "10005"},
      {{{"m_LocalNbrCard", 1}, {"m_IfIndex", 1005}}, "1005"},
      {{{"m_LocalNbrPort", 5}}, "<null>"},
  };
  for (const auto& c : cases) {
    CTolRecord record;
    for (const auto& f : c.fields) record.RRAddValue(new CTolVarBind(f.first, f.second));
    EXPECT_EQ(c.key, Take(agent.DSADetermineKeyToUse(&record)));
  }
  EXPECT_EQ("<null>", Take(agent.DSADetermineKeyToUse(nullptr)));
  int value = -5;  // decimal, with a leading zero; refusals are the utilities' (UtilsTest)
  EXPECT_EQ(1, agent.DSAStringToInt("010", &value));
  EXPECT_EQ(10, value);
}

TEST(SnmpTableHelpersTest, MacIndexedTreeKeepsTheFirstRowOfEachMac) {
  RecordingSwitchAgent agent;
  CTolDoubleList rows;
  CTolSnmpVarOp* first = Row({0, 1, 2, 3, 4, 5}, 7);
  for (CTolSnmpVarOp* row : {Row({}, 1), Row({1, 2}, 2), first, Row({0, 1, 2, 3, 4, 5}, 8),
                             Row({9, 0, 10, 11, 12, 13, 255}, 9)}) {
    rows.RDLAddToEnd(row);  // no index, too short for a MAC, first, same MAC again, too long
  }
  CTolScopedErrorLog errors;
  CTolTreeList* tree = agent.DSABuildMacIndexedList(&rows);
  ASSERT_NE(nullptr, tree);
  EXPECT_TRUE(errors.Records().empty());
  EXPECT_EQ(1, tree->RTLLength());
  const std::string mac = Take(agent.DSAConvertIndexToMac(first->RSVOASN1()));
  ASSERT_NE(nullptr, tree->RTLGet(mac.c_str()));
  EXPECT_EQ(first, tree->RTLGet(mac.c_str())->RPData());
  agent.DSADeleteMacIndexedList(tree);
  EXPECT_EQ(5, rows.RDLLength());  // the rows stay with their list

  CTolDoubleList noIndex;
  noIndex.RDLAddToEnd(Row({}, 1));
  EXPECT_EQ(nullptr, agent.DSABuildMacIndexedList(&noIndex));
  EXPECT_EQ(nullptr, agent.DSABuildMacIndexedList(nullptr));
  EXPECT_EQ("<null>", Take(agent.DSAConvertIndexToMac(nullptr)));
  agent.DSADeleteMacIndexedList(nullptr);
}

// (The by-index tree is what the VLAN download reads; its tests cover it.)
TEST(SnmpTableHelpersTest, WalkBecomesATreeByValue) {
  RecordingSwitchAgent agent;
  AgentHarness harness(agent);
  HarnessDevice& d = harness.AddDevice(
      "sw", "127.0.0.9",
      Snmprec({"1.3.6.1.2.1.2.2.1.2.1|4|port one", "1.3.6.1.2.1.2.2.1.2.1005|4|port two"}));
  CTolDoubleList* raw = nullptr;
  CTolTreeList* byValue = agent.DSABuildSnmpList(d.record.get(), false, "ifDescr", &raw);
  ASSERT_NE(nullptr, byValue);
  ASSERT_NE(nullptr, raw);
  EXPECT_EQ(2, raw->RDLLength());
  EXPECT_NE(nullptr, byValue->RTLGet("port two"));
  agent.DSADeleteSnmpList(byValue, raw);
  agent.DSADeleteSnmpList(nullptr, nullptr);
}

TEST(SnmpTableHelpersTest, OnlyInvalidAndSelfStatusesAreRefused) {
  // Invalid (2) and self (4) are refused; unknown values pass with a warning.
  for (int status : {0, 1, 2, 3, 4, 5, 6, -1}) {
    TraceCapture trace(4);
    const bool acceptable =
        RecordingSwitchAgent::IsPortStatusAcceptable(static_cast<EDiscoPortStatus>(status));
    EXPECT_EQ(status != 2 && status != 4, acceptable) << status;
    EXPECT_EQ(status >= 1 && status <= 5
                  ? ""
                  : "An unexpected FDB status was seen (" + std::to_string(status) +
                        ")!  Assuming it's valid.\n",
              trace.Text());
  }
}

}  // namespace
