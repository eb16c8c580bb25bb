// The processing layer on hand-made stores: what reaches the processed data, the "rif" markers, and
// that every store is freed exactly when the processed data can be had.
#include <gtest/gtest.h>

#include <cstring>

#include "agent/CDiscoFdbEntry.h"
#include "agent/ExtremeAgentTestSupport.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolTreeList.h"
#include "support/AgentHarness.h"

namespace {

// A local neighbour on card 1, port `port`, with `descr` as its ifDescr (none when null).
CTolRecord* LocalNbr(int port, const char* descr) {
  CTolVBList* fields = new CTolVBList();
  fields->RVBLAddToListEnd(new CTolVarBind("m_LocalNbrPort", port));
  fields->RVBLAddToListEnd(new CTolVarBind("m_LocalNbrCard", 1));
  if (descr) fields->RVBLAddToListEnd(new CTolVarBind("m_IfDescr", descr));
  fields->RVBLAddToListEnd(new CTolVarBind("m_IfIndex", port));
  return new CTolRecord(fields);
}

class ExtremeProcessingTest : public ::testing::Test {
 protected:
  ExtremeProcessingTest() : harness(agent), device(harness.AddSilentDevice("sw", "127.0.0.40")) {}
  // Files local neighbours 1.1 .. 1.n with the given descriptions under "m_LocalNbr".
  std::vector<CTolRecord*> StoreLocalNbrs(const std::vector<const char*>& descriptions) {
    CTolTreeList* tree = new CTolTreeList(false);
    std::vector<CTolRecord*> records;
    for (const char* descr : descriptions) {
      records.push_back(LocalNbr(static_cast<int>(records.size()) + 1, descr));
      tree->RTLAdd(("1." + std::to_string(records.size())).c_str(), records.back());
    }
    device.med->DMDAddDataPtr("m_LocalNbr", tree);
    return records;
  }
  // Stores "m_SwitchFdbTable" with one entry pairing `local` with a remote neighbour of MAC `mac`.
  void StoreFdbEntry(CTolRecord* local, const char* mac) {
    CTolRecord* remote = new CTolRecord();
    remote->RRAddValue(new CTolVarBind("m_RemoteNbrPhysAddr", mac));
    CDiscoFdbEntry* entry = new CDiscoFdbEntry();
    entry->DFERemoteNeighbour(remote);
    entry->DFEKey(strdup(mac));
    entry->DFELocalNeighbour(local);
    CTolTreeList* fdb = new CTolTreeList(false);
    fdb->RTLAdd(entry->DFEKey(), entry);
    device.med->DMDAddDataPtr("m_SwitchFdbTable", fdb);
  }
  TestExtremeAgent agent;
  AgentHarness harness;
  HarnessDevice& device;
};

TEST_F(ExtremeProcessingTest, RifInterfacesGetANoConnectionNeighbourAfterTheirFdbNeighbours) {
  std::vector<CTolRecord*> local = StoreLocalNbrs({"rif", "rif12", "Rif12", "ri", nullptr});
  StoreFdbEntry(local[1], "00:10:18:00:00:01");  // rif12 also has an FDB neighbour
  TraceCapture trace(4);
  agent.DSAProcessFdbTable(device.record.get(), device.med.get());
  EXPECT_EQ(LocalTable(*device.proc).size(), 5u);
  EXPECT_EQ(RemoteTable(*device.proc),
            (std::vector<std::string>{"2 <- m_RemoteNbrPhysAddr='00:10:18:00:00:01'",
                                      "1 <- m_NoConnectionAtThisLayer=1",
                                      "2 <- m_NoConnectionAtThisLayer=1"}));
  EXPECT_TRUE(
      trace.Has("::DESACopyNeighboursFromMedDataToProcData(), NULL ptr for EDP remote "
                "nbr info in Med Data.\n"));
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
}

// Entries whose local neighbours are gone (no "m_LocalNbr") are not handed over, but freed.
TEST_F(ExtremeProcessingTest, WithoutLocalNeighboursNothingIsHandedOverAndAllIsFreed) {
  CTolRecord* orphanLocal = LocalNbr(1, "Port 1:1");
  StoreFdbEntry(orphanLocal, "00:10:18:00:00:01");
  CTolTreeList* states = new CTolTreeList(false);
  states->RTLAdd(1001, new CTolVarBind(CTolAtom(1001), 5));
  device.med->DMDAddDataPtr("m_extremeStpPortStates", states);

  agent.DSAProcessFdbTable(device.record.get(), device.med.get());
  EXPECT_TRUE(device.proc->DPDLocalNbrs().empty());
  EXPECT_EQ(device.proc->DPDRemoteCount(), 0u);
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
  delete orphanLocal;
}

// Without a bound device or mediation data nothing is processed and the stores stay; processed
// later, local neighbours without any remote table still reach the engine.
TEST_F(ExtremeProcessingTest, WithoutProcessedDataTheStoresStayForALaterRun) {
  StoreLocalNbrs({"Port 1:1", "Port 1:2"});
  CTolRecord unbound;
  CTolScopedErrorLog errors;
  agent.DSAProcessFdbTable(&unbound, device.med.get());
  agent.DSAProcessFdbTable(device.record.get(), nullptr);
  EXPECT_EQ(errors.Records().size(), 2u);
  EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED));
  EXPECT_NE(device.med->DMDGetDataPtr("m_LocalNbr"), nullptr);

  TraceCapture trace(4);
  agent.DSAProcessFdbTable(device.record.get(), device.med.get());
  EXPECT_EQ(LocalTable(*device.proc),
            (std::vector<std::string>{
                "m_LocalNbrPort=1 m_LocalNbrCard=1 m_IfDescr='Port 1:1' m_IfIndex=1",
                "m_LocalNbrPort=2 m_LocalNbrCard=1 m_IfDescr='Port 1:2' m_IfIndex=2"}));
  EXPECT_EQ(device.proc->DPDRemoteCount(), 0u);
  EXPECT_TRUE(
      trace.Has("::DESACopyNeighboursFromMedDataToProcData(), NULL ptr for remote nbr "
                "info in Med Data.\n"));
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
  agent.DESACleanUpMemory(device.med.get());  // again: nothing left to free
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
}

}  // namespace
