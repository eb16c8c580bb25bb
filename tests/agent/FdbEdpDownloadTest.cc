// Forwarding-database and EDP downloads of phase 3 on small recordings: which rows become entries,
// when the bridge table is read instead of the Extreme table, and the EDP index decoding.
#include <gtest/gtest.h>

#include "agent/CDiscoFdbEntry.h"
#include "agent/ExtremeAgentTestSupport.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/DiscoAgentUtils.h"
#include "support/AgentHarness.h"

namespace {

const std::string kPort1001 = "1.3.6.1.2.1.2.2.1.6.1001|4x|0004961fa101";
const std::string kPort1005 = "1.3.6.1.2.1.2.2.1.6.1005|4x|0004961fa105";
const std::string kPort2001 = "1.3.6.1.2.1.2.2.1.6.2001|4x|0004961fa201";

// An Extreme FDB row on ifIndex 1001: MAC 00:10:18:00:00:<seq>, `status` ("5|" for a NULL).
std::vector<std::string> ExtremeRow(int seq, const std::string& status, int port = 1001) {
  std::string index = "1000001." + std::to_string(seq);
  return {"1.3.6.1.4.1.1916.1.16.1.1.3." + index + "|4x|0010180000" + (seq < 10 ? "0" : "") +
              std::to_string(seq),
          "1.3.6.1.4.1.1916.1.16.1.1.4." + index + "|2|" + std::to_string(port),
          "1.3.6.1.4.1.1916.1.16.1.1.5." + index + "|" + status};
}

std::vector<std::string> Keys(CDiscoMediationData& med, const char* store) {
  std::vector<std::string> keys;
  CTolTreeList* tree = static_cast<CTolTreeList*>(med.DMDGetDataPtr(store));
  CTolDoubleList* nodes = tree ? tree->RTLIterator() : nullptr;
  for (CTolListable* e = nodes ? nodes->RDLHead() : nullptr; e; e = nodes->RDLGetNext(e)) {
    keys.push_back(static_cast<CTolPointer*>(e)->RPKey());
  }
  return keys;
}

class FdbEdpDownloadTest : public ::testing::Test {
 protected:
  FdbEdpDownloadTest() : harness(agent) {}
  ~FdbEdpDownloadTest() override {
    for (HarnessDevice* d : devices) agent.DESACleanUpMemory(d->med.get());
  }
  // A device from `lines`, through phase 1, then its forwarding-database step.
  HarnessDevice& Download(const std::vector<std::string>& lines) {
    HarnessDevice& d =
        harness.AddDevice("sw", "127.0.0.3" + std::to_string(devices.size()), Snmprec(lines));
    devices.push_back(&d);
    harness.Mediate(d, 1);
    agent.DSADownloadFdbTable(d.record.get(), d.med.get(), 0);
    return d;
  }
  TestExtremeAgent agent;
  AgentHarness harness;
  std::vector<HarnessDevice*> devices;
};

TEST_F(FdbEdpDownloadTest, ExtremeRowStatusesRefuseOnlyInvalidAndSelf) {
  std::vector<std::string> lines = {kPort1001};
  const char* statuses[] = {"2|0", "2|7", "2|2", "2|4", "2|1", "2|5", "5|"};  // NULL: invalid
  for (int i = 0; i < 7; ++i) {
    for (const std::string& l : ExtremeRow(i + 1, statuses[i])) lines.push_back(l);
  }
  lines.push_back("1.3.6.1.4.1.1916.1.13.2.1.5.3001.0.0.0.17.34.51.68.85|2|1");
  lines.push_back("1.3.6.1.4.1.1916.1.13.2.1.6.3001.0.0.0.17.34.51.68.85|2|1");
  TraceCapture trace(1);
  HarnessDevice& d = Download(lines);
  EXPECT_EQ(Keys(*d.med, "m_SwitchFdbTable"),
            (std::vector<std::string>{"00:10:18:00:00:01", "00:10:18:00:00:02", "00:10:18:00:00:05",
                                      "00:10:18:00:00:06"}));
  EXPECT_FALSE(trace.Has("Falling back"));
  // The EDP row finds no local neighbour: nothing stored, the FDB table unaffected.
  EXPECT_TRUE(trace.Has("::DESADownloadEdpNeighbours(), No EDP Neighbours Found\n"));
  EXPECT_EQ(d.med->DMDGetDataPtr("m_extremeEdpNbrs"), nullptr);
}

TEST_F(FdbEdpDownloadTest, ExtremeRowsThatYieldNothingFallBackToTheBridgeTable) {
  std::vector<std::string> lines = {kPort1001, "1.3.6.1.2.1.17.1.4.1.2.1|2|1001",
                                    "1.3.6.1.2.1.17.4.3.1.2.0.16.24.0.0.9|2|1",
                                    "1.3.6.1.2.1.17.4.3.1.3.0.16.24.0.0.9|2|3"};
  for (auto row : {ExtremeRow(1, "2|2"), ExtremeRow(2, "2|4"), ExtremeRow(3, "2|3", 0)}) {
    lines.insert(lines.end(), row.begin(), row.end());
  }
  TraceCapture trace(1);
  HarnessDevice& d = Download(lines);
  EXPECT_TRUE(trace.Has("::DESADownloadExtremeFdbTable(), no FDB data in Extreme FDB table\n"));
  EXPECT_TRUE(trace.Has("Falling back to dot1dTp FDB Table. May increase CPU usage\n"));
  EXPECT_EQ(Keys(*d.med, "m_SwitchFdbTable"), std::vector<std::string>{"00:10:18:00:00:09"});
}

// A switch without interface tables: no local neighbours, so phase 3 reads nothing at all.
TEST_F(FdbEdpDownloadTest, NothingIsReadWithoutLocalNeighboursOrStores) {
  HarnessDevice& d = harness.AddDevice("sw", "127.0.0.39", Snmprec(ExtremeRow(1, "2|3")));
  devices.push_back(&d);
  {
    TraceCapture trace(1);
    harness.Mediate(d, 1);
    long before = harness.backend->RequestCount();
    agent.DSADownloadFdbTable(d.record.get(), d.med.get(), 0);
    EXPECT_EQ(harness.backend->RequestCount(), before);
    EXPECT_TRUE(trace.Has("::DSADownloadLocalNeighbours(), Could not find local interfaces.\n"));
    EXPECT_TRUE(trace.Has(
        "::DESADownloadExtremeFdbTable(), No Local Nbr Data, ignoring Extreme FDB Table\n"));
    EXPECT_TRUE(
        trace.Has("::DESADownloadEdpNeighbours(), No Local Nbr Data, ignoring EDP "
                  "Table.\n"));
    EXPECT_FALSE(trace.Has("Falling back"));
  }
  CTolScopedErrorLog errors;
  TraceCapture trace(3);
  agent.DSADownloadFdbTable(d.record.get(), nullptr, 0);
  EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED));
  EXPECT_FALSE(trace.Has("DESADownloadEdpNeighbours"));
  EXPECT_TRUE(d.med->DMDDataEntries().empty());
}

TEST_F(FdbEdpDownloadTest, AgingTimeIsZeroUnlessTheFilterStoredAValue) {
  HarnessDevice& d = harness.AddSilentDevice("sw", "127.0.0.38");
  EXPECT_EQ(agent.DSADownloadAgingTime(d.record.get(), nullptr), 0);
  EXPECT_EQ(agent.DSADownloadAgingTime(d.record.get(), d.med.get()), 0);
  CDiscoMediationData valueless, stored;
  valueless.DMDAddSnmp("dot1dTpAgingTime", new CTolSnmpVarOp("dot1dTpAgingTime", nullptr, nullptr));
  stored.DMDAddSnmp("dot1dTpAgingTime",
                    new CTolSnmpVarOp("dot1dTpAgingTime", nullptr, new CTolAtom(300)));
  EXPECT_EQ(agent.DSADownloadAgingTime(d.record.get(), &valueless), 0);
  EXPECT_EQ(agent.DSADownloadAgingTime(d.record.get(), &stored), 300);
}

TEST(ExtremeEdpDecodeTest, IndexDecodingNeverOverrunsTheMacBuffer) {
  struct Case {
    const char* index;
    int ifIndex, port, card;
    const char* mac;  // null: refused
    int remotePort, remoteCard;
  } cases[] = {
      {"1005.0.0.0.17.34.51.68.85", 1005, 5, 1, "00:11:22:33:44:55", 7, 2},
      {"5.0.0.0.17.34.51.68.85", 5, 5, 1, "00:11:22:33:44:55", 7, -1},  // no slot row
      {"2001.0.0.0.17.34.256.68.85", 2001, 1, 2, nullptr, 7, 2},
      {"2001.0.0.0.17.34.4294967295.68.85", 2001, 1, 2, nullptr, 7, 2},
      {"2001.0.0.0.17.34", 2001, 1, 2, nullptr, 7, 2},
      {"10001.0.0.0.17.34.51.68.85", 10001, -1, -1, nullptr, -1, -1},
  };
  TestExtremeAgent agent;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    CTolDoubleList slotRows;
    if (c.ifIndex != 5) {
      slotRows.RDLAddToEnd(new CTolSnmpVarOp(
          "extremeEdpNeighborSlot", CTolASN1Address::RAAFromString(c.index), new CTolAtom(2)));
    }
    slotRows.RDLAddToEnd(new CTolSnmpVarOp("extremeEdpNeighborSlot",
                                           CTolASN1Address::RAAFromString("1.0"), new CTolAtom(9)));
    CTolTreeList* slots = nullptr;
    ASSERT_EQ(DAUFWrapSNMPInTreeList(&slotRows, true, &slots, false), 1);
    CTolSnmpVarOp row("extremeEdpNeighborPort", CTolASN1Address::RAAFromString(c.index),
                      new CTolAtom(7));
    int ifIndex = -1, port = -1, card = -1, remotePort = -1, remoteCard = -1;
    char* mac = nullptr;
    agent.DESAExtractEDPData(row, *slots, ifIndex, port, card, &mac, remotePort, remoteCard);
    EXPECT_EQ(ifIndex, c.ifIndex);
    EXPECT_EQ(port, c.port);
    EXPECT_EQ(card, c.card);
    EXPECT_EQ(remotePort, c.remotePort);
    EXPECT_EQ(remoteCard, c.remoteCard);
    EXPECT_STREQ(mac, c.mac);
    free(mac);
    delete slots;
  }
}

TEST_F(FdbEdpDownloadTest, EdpRowsBecomeEntriesOfTheirLocalPort) {
  const std::string port = "1.3.6.1.4.1.1916.1.13.2.1.6.", slot = "1.3.6.1.4.1.1916.1.13.2.1.5.";
  TraceCapture trace(4);
  HarnessDevice& d = Download({
      kPort1005,
      kPort2001,
      slot + "1005.0.0.0.17.34.51.68.85|2|2",
      port + "1005.0.0.0.17.34.51.68.85|2|7",
      slot + "2001.0.0.0.17.34.300.68.85|2|1",
      port + "2001.0.0.0.17.34.300.68.85|2|1",
      slot + "2001.0.0.0.17.34.51.68.87|2|1",
      port + "2001.0.0.0.17.34.51.68.87|4|49",
      port + "2001.0.0.0.17.34.51.68.88|2|49",  // no slot row
      slot + "3001.0.0.0.17.34.51.68.86|2|1",
      port + "3001.0.0.0.17.34.51.68.86|2|1",
  });
  EXPECT_EQ(Keys(*d.med, "m_extremeEdpNbrs"),
            std::vector<std::string>{"EDP.1005.00:11:22:33:44:55"});
  CTolTreeList* edp = static_cast<CTolTreeList*>(d.med->DMDGetDataPtr("m_extremeEdpNbrs"));
  ASSERT_NE(edp, nullptr);
  auto* entry = static_cast<CDiscoFdbEntry*>(edp->RTLGet("EDP.1005.00:11:22:33:44:55")->RPData());
  EXPECT_EQ(ShowFields(entry->DFERemoteNeighbour()->RRValues()),
            "m_RemoteNbrPhysAddr='00:11:22:33:44:55' m_Card=2 m_Port=7");
  EXPECT_EQ(entry->DFELocalNeighbour()->RRValueOf("m_IfIndex")->RAInt(), 1005);  // key 1.5

  const std::string insufficient =
      "::DESADownloadEdpNeighbours(), Insufficient data for remote "
      "nbr: 1, card 2, ";
  EXPECT_TRUE(trace.Has(insufficient + "NULL.\n"));
  EXPECT_TRUE(trace.Has(insufficient + "00:11:22:33:44:57.\n"));
  EXPECT_TRUE(trace.Has(insufficient + "00:11:22:33:44:58.\n"));
  EXPECT_TRUE(trace.Has(
      "::DESADownloadEdpNeighbours(), Failed to find corresponding local Nbr for key 3.1.\n"));
}

}  // namespace
