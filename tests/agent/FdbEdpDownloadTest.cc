// Forwarding-database and EDP downloads of phase 3 on small recordings: which rows become entries,
// when the bridge table is read instead of the Extreme table, and the EDP index decoding.
#include <gtest/gtest.h>

#include "agent/CDiscoFdbEntry.h"
#include "agent/ExtremeAgentTestSupport.h"
#include "host/CDiscoRefusedValues.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "support/AgentHarness.h"

namespace {

const std::string kPort1001 = "1.3.6.1.2.1.2.2.1.6.1001|4x|0004961fa101";
const std::string kEdpSlot = "1.3.6.1.4.1.1916.1.13.2.1.5.";
const std::string kEdpPort = "1.3.6.1.4.1.1916.1.13.2.1.6.";

// An Extreme FDB row on ifIndex `port`: MAC 00:10:18:00:00:0<seq>, `status` ("5|" for a NULL).
std::vector<std::string> ExtremeRow(int seq, const std::string& status, int port = 1001) {
  std::string index = "1000001." + std::to_string(seq);
  return {"1.3.6.1.4.1.1916.1.16.1.1.3." + index + "|4x|00101800000" + std::to_string(seq),
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

// Only invalid, self and NULL statuses are refused; the bridge table is read only when no Extreme
// row is left. An EDP row whose local port is unknown leaves no EDP store.
TEST_F(FdbEdpDownloadTest, ExtremeRowsRefuseOnlyInvalidAndSelfAndFallBackWhenNoneIsLeft) {
  std::vector<std::string> kept = {kPort1001};
  const char* statuses[] = {"2|0", "2|7", "2|2", "2|4", "2|1", "2|5", "5|"};
  for (int i = 0; i < 7; ++i) {
    for (const std::string& l : ExtremeRow(i + 1, statuses[i])) kept.push_back(l);
  }
  std::vector<std::string> none = {kPort1001,
                                   "1.3.6.1.2.1.17.1.4.1.2.1|2|1001",
                                   "1.3.6.1.2.1.17.4.3.1.2.0.16.24.0.0.9|2|1",
                                   "1.3.6.1.2.1.17.4.3.1.3.0.16.24.0.0.9|2|3",
                                   kEdpSlot + "3001.0.0.0.17.34.51.68.85|2|1",
                                   kEdpPort + "3001.0.0.0.17.34.51.68.85|2|1"};
  for (auto row : {ExtremeRow(1, "2|2"), ExtremeRow(2, "2|4"), ExtremeRow(3, "2|3", 0)}) {
    none.insert(none.end(), row.begin(), row.end());
  }
  {
    TraceCapture trace(1);
    EXPECT_EQ(Keys(*Download(kept).med, "m_SwitchFdbTable"),
              (std::vector<std::string>{"00:10:18:00:00:01", "00:10:18:00:00:02",
                                        "00:10:18:00:00:05", "00:10:18:00:00:06"}));
    EXPECT_FALSE(trace.Has("Falling back"));
  }
  TraceCapture trace(1);
  HarnessDevice& d = Download(none);
  EXPECT_EQ(Keys(*d.med, "m_SwitchFdbTable"), std::vector<std::string>{"00:10:18:00:00:09"});
  EXPECT_TRACES(trace, "::DESADownloadExtremeFdbTable(), no FDB data in Extreme FDB table\n",
                "Falling back to dot1dTp FDB Table. May increase CPU usage\n",
                "::DESADownloadEdpNeighbours(), No EDP Neighbours Found\n");
  EXPECT_EQ(d.med->DMDGetDataPtr("m_extremeEdpNbrs"), nullptr);
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
    EXPECT_TRACES(
        trace, "::DSADownloadLocalNeighbours(), Could not find local interfaces.\n",
        "::DESADownloadExtremeFdbTable(), No Local Nbr Data, ignoring Extreme FDB Table\n",
        "::DESADownloadEdpNeighbours(), No Local Nbr Data, ignoring EDP Table.\n");
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
  CDiscoMediationData valueless, stored;
  valueless.DMDAddSnmp("dot1dTpAgingTime", new CTolSnmpVarOp("dot1dTpAgingTime", nullptr, nullptr));
  stored.DMDAddSnmp("dot1dTpAgingTime",
                    new CTolSnmpVarOp("dot1dTpAgingTime", nullptr, new CTolAtom(300)));
  for (auto [med, seconds] :
       {std::pair(static_cast<CDiscoMediationData*>(nullptr), 0), std::pair(d.med.get(), 0),
        std::pair(&valueless, 0), std::pair(&stored, 300)}) {
    EXPECT_EQ(agent.DSADownloadAgingTime(d.record.get(), med), seconds);
  }
}

// Only a row with local card and port, remote card and port and a MAC becomes an entry. Index
// components that are no MAC byte (300, 2^32-1) or missing must give no MAC and never overrun the
// MAC buffer.
TEST_F(FdbEdpDownloadTest, EdpRowsBecomeEntriesOfTheirLocalPortAndMalformedIndexesAreRefused) {
  TraceCapture trace(4);
  HarnessDevice& d = Download(
      {"1.3.6.1.2.1.2.2.1.6.1005|4x|0004961fa105", "1.3.6.1.2.1.2.2.1.6.2001|4x|0004961fa201",
       kEdpSlot + "1005.0.0.0.17.34.51.68.85|2|2", kEdpPort + "1005.0.0.0.17.34.51.68.85|2|7",
       kEdpSlot + "2001.0.0.0.17.34|2|1", kEdpPort + "2001.0.0.0.17.34|2|1",
       kEdpSlot + "2001.0.0.0.17.34.300.68.85|2|1", kEdpPort + "2001.0.0.0.17.34.300.68.85|2|1",
       kEdpSlot + "2001.0.0.0.17.34.4294967295.68.85|2|1",
       kEdpPort + "2001.0.0.0.17.34.4294967295.68.85|2|1",
       kEdpSlot + "2001.0.0.0.17.34.51.68.87|2|1", kEdpPort + "2001.0.0.0.17.34.51.68.87|4|49",
       kEdpPort + "2001.0.0.0.17.34.51.68.88|2|49",  // no slot row
       kEdpSlot + "3001.0.0.0.17.34.51.68.86|2|1", kEdpPort + "3001.0.0.0.17.34.51.68.86|2|1"});
  ASSERT_EQ(Keys(*d.med, "m_extremeEdpNbrs"),
            std::vector<std::string>{"EDP.1005.00:11:22:33:44:55"});
  CTolTreeList* edp = static_cast<CTolTreeList*>(d.med->DMDGetDataPtr("m_extremeEdpNbrs"));
  auto* entry = static_cast<CDiscoFdbEntry*>(edp->RTLGet("EDP.1005.00:11:22:33:44:55")->RPData());
  EXPECT_EQ(ShowFields(entry->DFERemoteNeighbour()->RRValues()),
            "m_RemoteNbrPhysAddr='00:11:22:33:44:55' m_Card=2 m_Port=7");
  EXPECT_EQ(entry->DFELocalNeighbour()->RRValueOf("m_IfIndex")->RAInt(), 1005);  // key 1.5
  const std::string insufficient =
      "::DESADownloadEdpNeighbours(), Insufficient data for remote nbr: 1, card 2, ";
  EXPECT_EQ(trace.Count(insufficient + "NULL.\n"), 3);
  for (const char* mac : {"00:11:22:33:44:57", "00:11:22:33:44:58"}) {
    EXPECT_TRUE(trace.Has(insufficient + mac + ".\n")) << mac;
  }
  EXPECT_TRUE(trace.Has(
      "::DESADownloadEdpNeighbours(), Failed to find corresponding local Nbr for key 3.1.\n"));
}

}  // namespace

// Through every phase, MAC values of 5, 7 and 0 octets reach the agent as rows without a value:
// the interface keeps its record without a MAC, the forwarding-database rows give no neighbour,
// and the requester's tally counts each of them for the device.
TEST_F(FdbEdpDownloadTest, ValuesThatAreNotSixOctetsNeverBecomeMacs) {
  auto tally = std::make_shared<CDiscoRefusedValues>();
  agent.DAGetRequester()->DSRSetRefusedValues(tally);
  std::vector<std::string> lines = {"1.3.6.1.2.1.17.4.2.0|2|300", kPort1001,
                                    "1.3.6.1.2.1.2.2.1.6.1002|4x|0004961fa1"};
  const char* macs[] = {"001018000001", "0010180000", "00101800000203", ""};
  for (int i = 0; i < 4; ++i) {
    std::vector<std::string> row = ExtremeRow(i + 1, "2|3");
    row[0] = row[0].substr(0, row[0].rfind('|') + 1) + macs[i];
    lines.insert(lines.end(), row.begin(), row.end());
  }
  HarnessDevice& d = harness.AddDevice("sw", "127.0.0.37", Snmprec(lines));
  ASSERT_TRUE(harness.Discover(d));
  std::vector<std::string> locals = LocalTable(*d.proc);
  ASSERT_EQ(locals.size(), 2u);
  EXPECT_NE(locals[0].find("m_LocalNbrPhysAddr='00:04:96:1F:A1:01'"), std::string::npos)
      << locals[0];
  EXPECT_EQ(locals[1].find("m_LocalNbrPhysAddr"), std::string::npos) << locals[1];
  std::vector<std::string> remotes = RemoteTable(*d.proc);
  ASSERT_EQ(remotes.size(), 1u);
  EXPECT_NE(remotes[0].find("00:10:18:00:00:01"), std::string::npos) << remotes[0];
  EXPECT_EQ(tally->Take("127.0.0.37:161 sw"),
            (std::map<std::string, long>{{"ifPhysAddress", 1}, {"extremeFdbMacFdbMacAddress", 3}}));
}
