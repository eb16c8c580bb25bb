// The per-device stores and the agent's device registry: who owns what.
#include <gtest/gtest.h>

#include <memory>

#include "host/CDiscoAgent.h"
#include "host/CDiscoMediationData.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolDoubleList.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolVarBind.h"

namespace {

CTolSnmpVarOp* Row(int value) { return new CTolSnmpVarOp("x", nullptr, new CTolAtom(value)); }

// Ownership is checked by the sanitizer build: every object below is freed exactly once.
TEST(MediationData, OneEntryPerKeyAndTheCallerKeepsWhatIsRefused) {
  CTolRecord* tree = new CTolRecord();
  CTolSnmpVarOp* get = Row(300);
  CTolDoubleList* walk = new CTolDoubleList();
  walk->RDLAddToEnd(Row(1));
  {
    CDiscoMediationData med;
    EXPECT_TRUE(med.DMDIsEmpty());
    EXPECT_EQ(med.DMDAddDataPtr("m_LocalNbr", tree), 1);
    EXPECT_EQ(med.DMDAddSnmp("dot1dTpAgingTime", get), 1);
    EXPECT_EQ(med.DMDAddSnmp("ifStackStatus", walk), 1);

    // A taken key refuses every kind of entry; the refused object stays the caller's.
    CTolSnmpVarOp* refusedGet = Row(1);
    CTolDoubleList* refusedWalk = new CTolDoubleList();
    CTolRecord refusedData;
    EXPECT_EQ(med.DMDAddSnmp("m_LocalNbr", refusedGet), TOL_ERR_KEY_TAKEN);
    EXPECT_EQ(med.DMDAddSnmp("dot1dTpAgingTime", refusedWalk), TOL_ERR_KEY_TAKEN);
    EXPECT_EQ(med.DMDAddDataPtr("ifStackStatus", &refusedData), TOL_ERR_KEY_TAKEN);
    EXPECT_EQ(med.DMDAddDataPtr(nullptr, &refusedData), TOL_ERR_NULL);
    delete refusedGet;
    delete refusedWalk;

    // Each kind is found only through its own accessor.
    EXPECT_EQ(med.DMDGetDataPtr("m_LocalNbr"), tree);
    EXPECT_EQ(med.DMDGetSnmpGet("dot1dTpAgingTime"), get);
    EXPECT_EQ(med.DMDGetSnmpGetNext("ifStackStatus"), walk);
    EXPECT_EQ(med.DMDGetDataPtr("dot1dTpAgingTime"), nullptr);
    EXPECT_EQ(med.DMDGetSnmpGet("ifStackStatus"), nullptr);
    EXPECT_EQ(med.DMDRemoveDataPtr("dot1dTpAgingTime"), nullptr);  // not a pointer entry
    EXPECT_EQ(med.DMDDataEntries().size(), 1u);
    EXPECT_EQ(med.DMDRemoveDataPtr("m_LocalNbr"), tree);
    EXPECT_EQ(med.DMDAddDataPtr("m_LocalNbr", tree), 1);  // the key is free again
  }  // frees the get result and the walk, not the tree
  delete tree;
}

CTolVBList* Fields(const char* descr, int ifIndex) {
  CTolVBList* l = new CTolVBList();
  l->RVBLAddToListEnd(new CTolVarBind("m_IfDescr", descr));
  l->RVBLAddToListEnd(new CTolVarBind("m_IfIndex", ifIndex));
  return l;
}

TEST(ProcessedData, KeepsRemoteNeighboursWithTheirLocalNeighbour) {
  CDiscoProcessedData proc;
  EXPECT_EQ(proc.DPDAddLocalNbr(Fields("port 1", 1)), 1);
  EXPECT_EQ(proc.DPDAddLocalNbr(Fields("port 2", 2)), 1);
  EXPECT_EQ(proc.DPDAddLocalNbr(nullptr), TOL_ERR_NULL);
  {
    CTolRecord local(Fields("port 2", 2));
    EXPECT_EQ(proc.DPDAddRemoteNbr(&local, Fields("remote a", 10)), 1);
    EXPECT_EQ(proc.DPDAddRemoteNbr(&local, Fields("remote b", 11)), 1);
    // The same record, changed since: recognised by its new fields.
    local.RRAddValue(new CTolVarBind("m_Extra", 1));
    EXPECT_EQ(proc.DPDAddRemoteNbr(&local, Fields("remote c", 12)), 1);
  }  // the local record is gone; what was kept of it stays
  CTolRecord later(Fields("port 3", 3));
  EXPECT_EQ(proc.DPDAddRemoteNbr(&later, Fields("remote d", 13)), 1);
  EXPECT_EQ(proc.DPDAddRemoteNbr(nullptr, Fields("dropped", 0)), TOL_ERR_NULL);  // still taken
  EXPECT_EQ(proc.DPDAddRemoteNbr(&later, nullptr), TOL_ERR_NULL);

  ASSERT_EQ(proc.DPDRemoteCount(), 4u);
  EXPECT_EQ(proc.DPDRemoteLocalIndex(0), 1);
  EXPECT_EQ(proc.DPDRemoteLocalIndex(1), 1);
  EXPECT_EQ(proc.DPDRemoteLocalIndex(2), -1);
  EXPECT_EQ(proc.DPDRemoteLocalFields(2).RVBLLength(), 3);
  EXPECT_EQ(proc.DPDRemoteLocalIndex(3), -1);
  // A local neighbour handed over after its remote neighbours still gets them.
  EXPECT_EQ(proc.DPDAddLocalNbr(Fields("port 3", 3)), 1);
  EXPECT_EQ(proc.DPDRemoteLocalIndex(3), 2);
  EXPECT_EQ(proc.DPDRemoteLocalFields(3).RVBLFind("m_IfDescr")->RVBValue()->RAText(), "port 3");

  // Remote neighbours read back as they were handed over.
  CTolRecord remote;
  ASSERT_EQ(proc.DPDRemoteFields(1, &remote), 1);
  std::unique_ptr<CTolVBList> expected(Fields("remote b", 11));
  EXPECT_TRUE(remote.RRValues() == *expected);
  EXPECT_NE(proc.DPDRemoteFields(4, &remote), 1);
  EXPECT_NE(proc.DPDRemoteFields(0, nullptr), 1);
}

// Naming is checked through the plug-in (PluginEntryTest); here only what the registry refuses.
TEST(AgentBase, DeviceRegistryKnowsOnlyBoundDevices) {
  CDiscoAgent agent;
  CTolRecord a;
  CDiscoMediationData med;
  CDiscoProcessedData proc;
  EXPECT_EQ(agent.DABindDevice(nullptr, &med, &proc), TOL_ERR_NULL);
  EXPECT_EQ(agent.DASetNeRecordPhase(&a, 1), TOL_ERR_FAILED);
  EXPECT_EQ(agent.DABindDevice(&a, &med, &proc), 1);
  EXPECT_EQ(agent.DASetNeRecordPhase(&a, 3), 1);
  agent.DAUnbindDevice(&a);
  EXPECT_EQ(agent.DAGetMediationData(&a), nullptr);
  EXPECT_EQ(agent.DAGetNeRecordPhase(&a), 0);
}

}  // namespace
