// Acceptance: a recording of a chassis switch (ifIndex = slot*1000+port) with three VLANs — one
// default (VLAN 1 "Default"), one tagged over an encapsulation interface on two ports (VLAN 10
// "Engineering", tag 10, ports 1001 and 2001 below the encapsulation interface), one untagged on
// other ports (VLAN 20 "Sales" on 1002, 1003) — gives, for every port, the VLAN list, flags,
// descriptions, tags and trunk membership that an engineer reading the recording by hand would
// write down.
#include <gtest/gtest.h>

#include "host/CTolHashStore.h"
#include "host/CTolTreeList.h"
#include "support/AgentHarness.h"
#include "vlan/VlanTestSupport.h"

namespace {

struct InterfaceExpectation {
  int ifIndex;
  const char* vlans;  // the store entry, "vlan/encapsulated,...", "" when the store has none
  bool trunk;
  const char* fields;  // what the MAC-interface pass appends
};

// Read by hand from tests/data/vlan_chassis_three_vlans.snmprec.
const InterfaceExpectation kExpected[] = {
    // Port 1:1: untagged in Default, tagged 10 in Engineering below encapsulation 1000004.
    {1001, "1/0,10/1", true,
     "m_LocalNbrVlanData=[{m_LocalNbrVlan=1 m_Encapsulated=0 m_LocalNbrVlanDescr='Default'} "
     "{m_LocalNbrVlan=10 m_Encapsulated=1 m_LocalNbrVlanDescr='Engineering'}] "
     "m_TrunkedVlans=[10] m_TrunkedVlanTags=[10]"},
    {1002, "20/0", false, "m_LocalNbrVlan=20 m_LocalNbrVlanDescr='Sales'"},
    {1003, "20/0", false, "m_LocalNbrVlan=20 m_LocalNbrVlanDescr='Sales'"},
    {1004, "1/0", false, "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'"},
    // Port 2:1: only tagged 10.
    {2001, "10/1", true,
     "m_TrunkedVlans=[10] m_TrunkedVlanTags=[10] m_LocalNbrVlan=10 "
     "m_LocalNbrVlanDescr='Engineering'"},
    {2002, "1/0", false, "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'"},
    // Port 2:3 belongs to no VLAN: treated as a member of VLAN 1.
    {2003, "", false, "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'"},
    // The VLAN interfaces and the encapsulation interface.
    {1000001, "1/0", false, "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'"},
    {1000002, "10/0", false, "m_LocalNbrVlan=10 m_LocalNbrVlanDescr='Engineering'"},
    {1000003, "20/0", false, "m_LocalNbrVlan=20 m_LocalNbrVlanDescr='Sales'"},
    {1000004, "10/1", false, "m_LocalNbrVlan=10 m_LocalNbrVlanDescr='Engineering'"},
};

TEST(VlanChassisAcceptance, EveryPortAsReadByHand) {
  VlanTestAgent agent(kExtremeMib);
  AgentHarness harness(agent);
  HarnessDevice& device = harness.AddDevice("core-bd8810", "127.0.0.1",
                                            ReadTestData("vlan_chassis_three_vlans.snmprec"));
  CTolScopedErrorLog log;
  harness.Mediate(device, 1);
  EXPECT_EQ(VlanReports(log), std::vector<std::string>{});

  std::string store, trunks;
  for (const InterfaceExpectation& e : kExpected) {
    if (*e.vlans) store += (store.empty() ? "" : " ") + std::to_string(e.ifIndex) + ":" + e.vlans;
    if (e.trunk) trunks += (trunks.empty() ? "" : " ") + std::to_string(e.ifIndex);
  }
  VlanState state = ReadVlanState(*device.med);
  EXPECT_EQ(state.store, store);
  EXPECT_EQ(state.descr, "1='Default' 10='Engineering' 20='Sales'");
  EXPECT_EQ(state.tags, "10->10");
  EXPECT_EQ(state.trunks, trunks);

  CDiscoMediationData& med = *device.med;
  for (const InterfaceExpectation& e : kExpected) {
    CTolVBList fields;
    EXPECT_EQ(agent.AddVLanInfo(e.ifIndex, fields,
                                static_cast<CTolTreeList*>(med.DMDGetDataPtr("m_vlanStore")),
                                static_cast<CTolTreeList*>(med.DMDGetDataPtr("m_VlanDescr")),
                                static_cast<CTolTreeList*>(med.DMDGetDataPtr("m_VlanToVlanTag")),
                                static_cast<CTolHashStore*>(med.DMDGetDataPtr("m_TrunkIfIndexes"))),
              1);
    EXPECT_EQ(ShowFields(fields), e.fields) << "ifIndex " << e.ifIndex;
  }
  agent.CleanUpMemory(&med);
  agent.CleanUpMemory(&med);
  EXPECT_TRUE(med.DMDDataEntries().empty());
}

}  // namespace
