// The VLAN download of phase 1 over recorded devices: the VLAN store, the description tree, the
// VLAN-to-tag map and the trunk-port set it leaves in the mediation data, what it reports and
// what it traces.
#include <gtest/gtest.h>

#include <functional>

#include "host/CTolHashStore.h"
#include "host/CTolTreeList.h"
#include "host/TolDebug.h"
#include "support/AgentHarness.h"
#include "support/TraceCapture.h"
#include "vlan/VlanTestSupport.h"

namespace {

struct Outcome : VlanState {
  std::vector<std::string> reports;
  long requests = 0;
  std::string trace;  // stdout at `traceLevel`
};

// Runs phase 1 of the mediation layer for one device, reads what the VLAN download stored, hands
// the mediation data to `inspect` (when given), then releases it twice (the second release must
// find nothing).
Outcome Download(VlanTestAgent& agent, const std::string& snmprec, int traceLevel = 0,
                 const std::function<void(CDiscoMediationData&)>& inspect = nullptr) {
  CTolScopedErrorLog log;
  AgentHarness harness(agent);
  HarnessDevice& device = harness.AddDevice("sw1", "127.0.0.1", snmprec);
  Outcome out;
  {
    TraceCapture trace(traceLevel);
    harness.Mediate(device, 1);
    out.trace = trace.Text();
  }
  static_cast<VlanState&>(out) = ReadVlanState(*device.med);
  out.reports = VlanReports(log);
  out.requests = harness.backend->RequestCount();
  if (inspect) inspect(*device.med);
  agent.CleanUpMemory(device.med.get());
  agent.CleanUpMemory(device.med.get());
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
  EXPECT_EQ(device.med->DMDGetSnmpGetNext("ifStackStatus") != nullptr, out.stackStored)
      << "the release must leave the ifStackStatus walk to the mediation data";
  return out;
}

struct DownloadCase {
  const char* name;
  std::vector<std::string> recording;
  const char* store;
  const char* descr;
  const char* tags;
  const char* trunks;  // "-" also means the ifStackStatus walk is not kept
  std::vector<std::string> reports;
};

// Each case runs once with the Extreme names and once with the invented MIB's numeric names.
// clang-format off
const DownloadCase kCases[] = {
    {"VLAN interface over an encapsulation interface over two ports",
     {"GID.100|2|10", "DESCR.100|4|Engineering", "STACK.0.100|2|100", "STACK.100.200|2|200",
      "TAG.200|2|110", "IFSTACK.0.100|2|1", "IFSTACK.100.200|2|1", "IFSTACK.200.12|2|1",
      "IFSTACK.200.13|2|1", "IFSTACK.12.0|2|1", "IFSTACK.13.0|2|1"},
     "12:10/1 13:10/1 100:10/0 200:10/1", "10='Engineering'", "10->110", "12 13", {}},
    {"port below two encapsulation interfaces; port below a VLAN and its encapsulation; a "
     "reversed VLAN stack pair",
     {"GID.100|2|10", "DESCR.100|4|Engineering", "GID.101|2|20", "DESCR.101|4|Sales",
      "STACK.100.200|2|200", "STACK.201.101|2|101", "TAG.200|2|110", "TAG.201|2|120",
      "IFSTACK.200.12|2|1", "IFSTACK.201.12|2|1", "IFSTACK.100.13|2|1", "IFSTACK.200.13|2|1"},
     "12:10/1,20/1 13:10/0 100:10/0 101:20/0 200:10/1 201:20/1", "10='Engineering' 20='Sales'",
     "10->110 20->120", "12 13", {}},
    {"an interface stacked on two VLAN interfaces keeps the first",
     {"GID.100|2|10", "GID.101|2|20", "STACK.100.200|2|200", "STACK.101.200|2|200", "TAG.200|2|110",
      "IFSTACK.200.12|2|1"},
     "12:10/1 100:10/0 101:20/0 200:10/1", "-", "10->110", "12", {}},
    {"encapsulation interface known only from ifStackTable, below two VLANs",
     {"GID.100|2|10", "GID.101|2|20", "TAG.300|2|130", "IFSTACK.100.300|2|1", "IFSTACK.101.300|2|1",
      "IFSTACK.300.12|2|1"},
     "100:10/0 101:20/0 300:10/0,20/0", "-", "10->130", "12",
     {"-220439:Found an encapsulation interface corresponding to multiple VLANs -- ifIndex is 300"}},
    {"missing description; description without a VLAN; no encapsulation rows",
     {"GID.100|2|10", "DESCR.100|4|Engineering", "GID.101|2|20", "DESCR.102|4|Orphan",
      "IFSTACK.101.14|2|1"},
     "14:20/0 100:10/0 101:20/0", "10='Engineering'", "", "",
     {"-220402:Could not convert encapsulation interface list to tree"}},
    {"missing global-identifier value",
     {"GID.100|2|10", "GID.101|5|", "DESCR.100|4|Engineering", "DESCR.101|4|Orphan",
      "STACK.101.201|2|201", "TAG.201|2|120", "IFSTACK.100.14|2|1", "IFSTACK.201.15|2|1"},
     "14:10/0 100:10/0", "10='Engineering'", "", "15", {}},
    {"two encapsulation interfaces for one VLAN: the first tag wins",
     {"GID.100|2|10", "DESCR.100|4|Engineering", "STACK.100.200|2|200", "STACK.100.201|2|201",
      "TAG.200|2|110", "TAG.201|2|111", "IFSTACK.200.12|2|1", "IFSTACK.201.13|2|1"},
     "12:10/1 13:10/1 100:10/0 200:10/1 201:10/1", "10='Engineering'", "10->110", "12 13",
     {"-220439:Could not add VLAN to encapsulation tag mapping"}},
    {"encapsulation rows without a usable tag still make trunk ports; no descriptions",
     {"GID.100|2|10", "STACK.100.200|2|200", "TAG.200|4|tag-110", "TAG.300|2|130",
      "IFSTACK.200.12|2|1", "IFSTACK.300.13|2|1"},
     "12:10/1 100:10/0 200:10/1", "-", "", "12 13", {}},
    {"no ifStackStatus rows: tags but no trunk-port set",
     {"GID.100|2|10", "DESCR.100|4|Engineering", "STACK.100.200|2|200", "TAG.200|2|110"},
     "100:10/0 200:10/1", "10='Engineering'", "10->110", "-", {}},
    {"device without any VLAN table",
     {"IFTYPE.12|2|6", "IFDESCR.12|4|Port 12", "IFSTACK.0.12|2|1", "IFSTACK.12.0|2|1"},
     "-", "-", "-", "-", {}},
};
// clang-format on

// The agent is a subclass of the abstract VLAN agent for the MIB under test: the invented MIB,
// known only by numeric OIDs, must give the same structures as EXTREME-VLAN-MIB.
TEST(VlanDownload, StoresWhatTheRecordingHolds) {
  for (const VlanMib* mib : {&kExtremeMib, &kInventedMib}) {
    for (const DownloadCase& c : kCases) {
      SCOPED_TRACE(std::string(mib->label) + ": " + c.name);
      VlanTestAgent agent(*mib);
      Outcome out = Download(agent, VlanRecording(*mib, c.recording));
      EXPECT_EQ(out.store, c.store);
      EXPECT_EQ(out.descr, c.descr);
      EXPECT_EQ(out.tags, c.tags);
      EXPECT_EQ(out.trunks, c.trunks);
      EXPECT_EQ(out.stackStored, std::string(c.trunks) != "-");
      EXPECT_EQ(out.reports, c.reports);
    }
  }
  // The names reach the device only through the constructor: an agent of one MIB finds nothing
  // in a recording of the other.
  VlanTestAgent invented(kInventedMib), extreme(kExtremeMib);
  EXPECT_EQ(Download(invented, VlanRecording(kExtremeMib, kCases[0].recording)).store, "-");
  EXPECT_EQ(Download(extreme, VlanRecording(kInventedMib, kCases[0].recording)).store, "-");
  // With nothing to read, the level-1 trace says so.
  const std::string trace =
      Download(extreme, VlanRecording(kExtremeMib, {"IFSTACK.0.12|2|1"}), 1).trace;
  EXPECT_TRACES(trace, "::DSADownloadVlanInfo(), no Vlan Info found.\n",
                "::DSADownloadVlanInfo(), no Vlan descr found.\n");
}

// Stack pairs whose lower layer is not of the configured ifType, and encapsulation interfaces whose
// ifDescr holds the filter text, are left out; without those options neither table is walked.
TEST(VlanDownload, LowerLayerIfTypeAndIfDescrFilter) {
  // clang-format off
  const std::string recording = VlanRecording(kInventedMib, {
      "GID.100|2|10", "GID.101|2|20", "GID.102|2|30", "GID.103|2|40", "GID.104|2|50",
      "STACK.100.200|2|200", "STACK.101.201|2|201", "STACK.102.202|2|202", "STACK.103.203|2|203",
      "STACK.104.204|2|204", "STACK.104.205|2|205", "STACK.104.206|2|206", "IFTYPE.12|2|6",
      "IFTYPE.200|2|53", "IFTYPE.201|2|53", "IFTYPE.202|2|53", "IFTYPE.203|2|53", "IFTYPE.204|2|6",
      "IFTYPE.206|4|53", "IFDESCR.200|4|802.1Q Encapsulation Tag 0110",
      "IFDESCR.201|4|Internal 802.1Q Encapsulation Tag 0120", "IFDESCR.203|2|7", "TAG.200|2|110",
      "TAG.201|2|120", "TAG.202|2|130", "TAG.203|2|140", "TAG.204|2|150", "IFSTACK.0.100|2|1",
      "IFSTACK.100.200|2|1", "IFSTACK.200.12|2|1", "IFSTACK.201.13|2|1", "IFSTACK.202.14|2|1",
      "IFSTACK.203.15|2|1"});
  // clang-format on
  // 204 (ifType 6), 205 (no ifType row) and 206 (ifType not an integer) are not VLAN 50's
  // encapsulation interfaces; 201's ifDescr matches the filter; 202 (no ifDescr row) and 203
  // (ifDescr not a string) pass it.
  VlanTestAgent filtering(kInventedMib, 53, "Internal");
  Outcome out = Download(filtering, recording, 4);
  const std::string filteredStore =
      "12:10/1 13:20/1 14:30/1 15:40/1 100:10/0 101:20/0 102:30/0 103:40/0 104:50/0 200:10/1 "
      "201:20/1 202:30/1 203:40/1";
  EXPECT_EQ(out.store, filteredStore);
  EXPECT_EQ(out.tags, "10->110 30->130 40->140");
  EXPECT_EQ(out.trunks, "12 13 14 15");
  EXPECT_EQ(out.requests, 7);  // four VLAN columns, ifStackStatus, ifType and ifDescr
  EXPECT_TRACES(out.trace, "Ignoring stack pair 104:204 as lower has wrong ifType\n",
                "::GetLogicalIfIndexVlan(), Adding Logical Infor 200, Vlan Id 10 to cache.\n",
                "::GetPhysicalIfIndexVlan(), Added Vlan 10 to if 12.\n",
                "::GetPhysicalIfIndexVlan(), ignoring interface stack entry, zero value.\n",
                "::GetPhysicalIfIndexVlan(), ignoring logical/encap interface 200.\n",
                "Rejecting encapsulation interface 201 as its ifDescr matches filter 'Internal'\n",
                "Port with ifIndex 12 is a trunk port\n");

  VlanTestAgent plain(kInventedMib);
  out = Download(plain, recording);
  EXPECT_EQ(out.store, filteredStore + " 204:50/1 205:50/1 206:50/1");
  EXPECT_EQ(out.tags, "10->110 20->120 30->130 40->140 50->150");
  EXPECT_EQ(out.requests, 5);
}

// Structures the mediation data refuses are reported and freed (the sanitizer build checks the
// freeing); what was there before stays. Missing inputs end the download quietly.
TEST(VlanDownload, RefusedStoresAndMissingInputs) {
  VlanTestAgent agent(kExtremeMib);
  CTolScopedErrorLog log;
  AgentHarness harness(agent);
  HarnessDevice& device =
      harness.AddDevice("sw1", "127.0.0.1", VlanRecording(kExtremeMib, kCases[0].recording));
  CTolTreeList* earlierStore = new CTolTreeList(false);
  ASSERT_EQ(device.med->DMDAddDataPtr("m_vlanStore", earlierStore), 1);
  ASSERT_EQ(device.med->DMDAddDataPtr("m_VlanDescr", new CTolTreeList(false)), 1);
  harness.Mediate(device, 1);
  EXPECT_EQ(device.med->DMDGetDataPtr("m_vlanStore"), earlierStore);
  EXPECT_EQ(VlanReports(log), (std::vector<std::string>{"-220565:Failed to add VLAN store",
                                                        "-220565:Failed to add VLAN descr"}));
  EXPECT_EQ(ReadVlanState(*device.med).tags, "");  // the trunk step read the earlier, empty store
  agent.CleanUpMemory(device.med.get());

  // Without mediation data nothing can hold the structures: reported, freed, no trunk step.
  log.Clear();
  agent.DSADownloadVlanInfo(device.record.get(), nullptr);
  EXPECT_EQ(VlanReports(log), (std::vector<std::string>{"-220552:Failed to add VLAN store",
                                                        "-220552:Failed to add VLAN descr"}));

  // Without a device record every walk gives nothing: nothing is stored, nothing is reported.
  log.Clear();
  agent.DSADownloadVlanInfo(nullptr, device.med.get());
  EXPECT_TRUE(device.med->DMDDataEntries().empty());
  EXPECT_EQ(VlanReports(log), std::vector<std::string>{});
}

// Acceptance: a recording of a chassis switch (ifIndex = slot*1000+port) with three VLANs — one
// default (VLAN 1 "Default"), one tagged over an encapsulation interface on two ports (VLAN 10
// "Engineering", tag 10, ports 1001 and 2001 below the encapsulation interface), one untagged on
// other ports (VLAN 20 "Sales" on 1002, 1003) — gives, for every port, the VLAN list, flags,
// descriptions, tags and trunk membership that an engineer reading the recording by hand would
// write down.
struct InterfaceExpectation {
  int ifIndex;
  const char* vlans;  // the store entry, "vlan/encapsulated,...", "" when the store has none
  bool trunk;
  const char* fields;  // what the MAC-interface pass appends
};

// Read by hand from tests/data/vlan_chassis_three_vlans.snmprec.
const InterfaceExpectation kChassis[] = {
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

TEST(VlanDownload, ChassisRecordingGivesEveryPortAsReadByHand) {
  std::string store, trunks;
  for (const InterfaceExpectation& e : kChassis) {
    if (*e.vlans) store += (store.empty() ? "" : " ") + std::to_string(e.ifIndex) + ":" + e.vlans;
    if (e.trunk) trunks += (trunks.empty() ? "" : " ") + std::to_string(e.ifIndex);
  }
  VlanTestAgent agent(kExtremeMib);
  // What the MAC-interface pass appends to each port, read before the structures are released.
  auto annotate = [&](CDiscoMediationData& med) {
    for (const InterfaceExpectation& e : kChassis) {
      CTolVBList fields;
      EXPECT_EQ(agent.AddVLanInfo(
                    e.ifIndex, fields, static_cast<CTolTreeList*>(med.DMDGetDataPtr("m_vlanStore")),
                    static_cast<CTolTreeList*>(med.DMDGetDataPtr("m_VlanDescr")),
                    static_cast<CTolTreeList*>(med.DMDGetDataPtr("m_VlanToVlanTag")),
                    static_cast<CTolHashStore*>(med.DMDGetDataPtr("m_TrunkIfIndexes"))),
                1);
      EXPECT_EQ(ShowFields(fields), e.fields) << "ifIndex " << e.ifIndex;
    }
  };
  Outcome out = Download(agent, ReadTestData("vlan_chassis_three_vlans.snmprec"), 0, annotate);
  EXPECT_EQ(out.reports, std::vector<std::string>{});
  EXPECT_EQ(out.store, store);
  EXPECT_EQ(out.descr, "1='Default' 10='Engineering' 20='Sales'");
  EXPECT_EQ(out.tags, "10->10");
  EXPECT_EQ(out.trunks, trunks);
}

}  // namespace
