// Local-neighbour records: card, port and key of an ifIndex, the field adders' refusals, and the
// spanning-tree states joined through the bridge port table.
#include <gtest/gtest.h>

#include "agent/ExtremeAgentTestSupport.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/DiscoAgentUtils.h"
#include "support/AgentHarness.h"

namespace {

CTolRecord* RecordUnder(CTolTreeList* tree, const char* key) {
  CTolPointer* node = tree ? tree->RTLGet(key) : nullptr;
  return node ? static_cast<CTolRecord*>(node->RPData()) : nullptr;
}

// Rows are filed in order into one tree, so a key already held refuses the later record.
TEST(ExtremeLocalNeighbourTest, CardPortAndKeyOfAnIfIndexAndWhichRecordIsFiled) {
  struct Case {
    int ifIndex;
    bool isVirtual;  // ifType 53 or 24: the discovery adds no card and port
    int card, port;
    const char* key;  // null: the record has no key
    int filed;        // what filing the record returns
    int held;         // m_IfIndex of the record under `key` afterwards (-1: none)
  } cases[] = {
      {5, false, 1, 5, "1.5", 1, 5},
      {1005, false, 1, 5, "1.5", TOL_ERR_KEY_TAKEN, 5},  // the first record stays
      {999, false, 1, 999, "1.999", 1, 999},
      {0, false, 1, 0, "1.0", 1, -1},
      {1000, false, 1, 0, "1.0", TOL_ERR_KEY_TAKEN, -1},
      {9999, false, 9, 999, "9.999", 1, 9999},
      {10000, false, -1, -1, "10000", 1, 10000},
      {1000004, true, -1, -1, "1000004", 1, 1000004},
      {0, true, -1, -1, nullptr, TOL_ERR_FAILED, -1},  // neither card/port nor m_IfIndex
  };
  TestExtremeAgent agent;
  CTolTreeList* tree = nullptr;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ifIndex);
    CTolVBList* fields = new CTolVBList();
    if (!c.isVirtual) {
      EXPECT_EQ(agent.DESAIfIndex2Card(c.ifIndex), c.card);
      EXPECT_EQ(agent.DESAIfIndex2Port(c.ifIndex), c.port);
      EXPECT_EQ(agent.DESAAddPort(*fields, c.ifIndex), c.port == -1 ? TOL_ERR_FAILED : 1);
      EXPECT_EQ(agent.DESAAddCard(*fields, c.ifIndex), c.card == -1 ? TOL_ERR_FAILED : 1);
    }
    EXPECT_EQ(agent.DESAAddIPIfIndexAndStatusBinds(c.ifIndex, "x", *fields, nullptr, nullptr), 1);
    int before = tree ? tree->RTLLength() : 0;
    CTolScopedErrorLog errors;
    EXPECT_EQ(agent.DESAAddLocalNeighbour(fields, &tree), c.filed);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->RTLLength(), before + (c.filed == 1 ? 1 : 0));
    EXPECT_EQ(errors.Contains(TOL_ERR_FAILED), c.filed != 1);
    if (c.filed == TOL_ERR_KEY_TAKEN) {
      EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED, "Failed to add local nbr"));
    }
    if (!c.key) continue;
    CTolRecord* record = RecordUnder(tree, c.key);
    ASSERT_NE(record, nullptr);
    const CTolAtom* ifIndex = record->RRValueOf("m_IfIndex");
    EXPECT_EQ(ifIndex ? ifIndex->RAInt() : -1, c.held);
  }
  EXPECT_EQ(agent.DESAAddLocalNeighbour(nullptr, &tree), TOL_ERR_FAILED);
  DAUFDeleteTreeListAndContents(tree, eContentObject);
}

TEST(ExtremeLocalNeighbourTest, AddersTakeOnlyValuesOfTheRightType) {
  TestExtremeAgent agent;
  CTolSnmpVarOp emptyText("ifDescr", nullptr, new CTolAtom(""));
  CTolSnmpVarOp number("ifDescr", nullptr, new CTolAtom(7));
  CTolTreeList ifDescr(false), states(false);
  ifDescr.RTLAdd(1, &emptyText);
  ifDescr.RTLAdd(2, &number);
  CTolAtom fiveAsText("5");
  CTolVarBind forwarding(CTolAtom(1003), 5), asText(CTolAtom(1004), &fiveAsText);
  states.RTLAdd(1003, &forwarding);
  states.RTLAdd(1004, &asText);

  CTolVBList fields;
  EXPECT_EQ(agent.DESAAddDescription(fields, "1", &ifDescr), 1);  // an empty text is a text
  EXPECT_EQ(agent.DESAAddDescription(fields, "2", &ifDescr), TOL_ERR_FAILED);
  EXPECT_EQ(agent.DESAAddDescription(fields, "3", &ifDescr), TOL_ERR_FAILED);
  EXPECT_EQ(agent.DESAAddDescription(fields, "1", nullptr), TOL_ERR_FAILED);
  EXPECT_EQ(agent.DESAAddStpPortState(fields, "1003", &states), 1);
  EXPECT_EQ(agent.DESAAddStpPortState(fields, "1004", &states), TOL_ERR_FAILED);
  EXPECT_EQ(agent.DESAAddStpPortState(fields, "1005", &states), TOL_ERR_FAILED);
  EXPECT_EQ(agent.DESAAddIPIfIndexAndStatusBinds(0, nullptr, fields, nullptr, nullptr), 1);
  EXPECT_EQ(ShowFields(fields), "m_IfDescr='' m_StpPortState=5");
}

// Bridge port 2 is not in dot1dBasePortIfIndex and bridge port 1 has a NULL state: no state
// reaches any record and no state table is stored, but the bridge port table is.
TEST(ExtremeLocalNeighbourTest, StatesThatMapToNoInterfaceLeaveNoStateTable) {
  TestExtremeAgent agent;
  AgentHarness harness(agent);
  HarnessDevice& device = harness.AddDevice(
      "sw", "127.0.0.21",
      Snmprec({"1.3.6.1.2.1.2.2.1.6.1001|4x|0004961fa101", "1.3.6.1.2.1.17.1.4.1.2.1|2|1001",
               "1.3.6.1.2.1.17.2.15.1.3.1|5|", "1.3.6.1.2.1.17.2.15.1.3.2|2|5"}));
  TraceCapture trace(4);
  harness.Mediate(device, 1);
  EXPECT_TRUE(trace.Has("::DESADownloadStpPortStateInfo: Port Key 2 not found\n"));
  EXPECT_EQ(device.med->DMDGetDataPtr("m_extremeStpPortStates"), nullptr);
  EXPECT_NE(device.med->DMDGetDataPtr("dot1dBasePortIfIndex"), nullptr);
  CTolRecord* local =
      RecordUnder(static_cast<CTolTreeList*>(device.med->DMDGetDataPtr("m_LocalNbr")), "1.1");
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->RRValueOf("m_StpPortState"), nullptr);
  agent.DESACleanUpMemory(device.med.get());
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
}

}  // namespace
