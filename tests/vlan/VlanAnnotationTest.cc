// The VLAN fields that AddVLanInfo appends to a local neighbour, from hand-built VLAN structures,
// and their independence from those structures once CleanUpMemory has freed them. The shapes the
// chassis recording already pins down (one described VLAN, one tagged VLAN on a trunk port, an
// interface missing from the store) are left to its test in VlanDownloadTest.cc.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <map>

#include "host/CTolHashStore.h"
#include "host/CTolTreeList.h"
#include "host/DiscoAgentUtils.h"
#include "vlan/VlanTestSupport.h"

namespace {

// A tree keyed by integer, as the VLAN download lays out its structures; takes the data.
CTolTreeList* Tree(std::initializer_list<std::pair<int, void*>> nodes) {
  CTolTreeList* tree = new CTolTreeList(false);
  for (const auto& [key, data] : nodes) tree->RTLAdd(key, data);
  return tree;
}

// Which structures the caller passes: the MAC-interface pass gives all four, the IP-interface
// pass no trunk structures.
enum Pass { kMacPass, kIpPass, kMacPassNoVlan1Descr, kDescrOnly, kNothing };

struct AnnotationCase {
  const char* name;
  int ifIndex;
  Pass pass;
  const char* fields;  // appended after the record's "m_IfIndex"
};

// clang-format off
const AnnotationCase kCases[] = {
    {"one VLAN without a description takes VLAN 1's", 11, kMacPass,
     "m_LocalNbrVlan=30 m_LocalNbrVlanDescr='Default'"},
    {"one VLAN without a description, VLAN 1 without one", 11, kMacPassNoVlan1Descr,
     "m_LocalNbrVlan=30 m_LocalNbrVlanDescr='Default Vlan'"},
    {"trunk port, one tagged VLAN, IP pass", 12, kIpPass,
     "m_LocalNbrVlan=10 m_LocalNbrVlanDescr='Engineering'"},
    {"trunk port, one VLAN without a tag", 13, kMacPass,
     "m_LocalNbrVlan=40 m_LocalNbrVlanDescr='Default'"},
    {"trunk port, three VLANs of which two tagged", 14, kMacPass,
     "m_LocalNbrVlanData=[{m_LocalNbrVlan=10 m_Encapsulated=1 m_LocalNbrVlanDescr='Engineering'} "
     "{m_LocalNbrVlan=20 m_Encapsulated=1 m_LocalNbrVlanDescr='Sales'} "
     "{m_LocalNbrVlan=40 m_Encapsulated=0}] m_TrunkedVlans=[10 20] m_TrunkedVlanTags=[110 120]"},
    {"trunk port, three VLANs, IP pass", 14, kIpPass,
     "m_LocalNbrVlanData=[{m_LocalNbrVlan=10 m_Encapsulated=1 m_LocalNbrVlanDescr='Engineering'} "
     "{m_LocalNbrVlan=20 m_Encapsulated=1 m_LocalNbrVlanDescr='Sales'} "
     "{m_LocalNbrVlan=40 m_Encapsulated=0}]"},
    {"trunk port, two VLANs without tags: empty trunk vectors", 15, kMacPass,
     "m_LocalNbrVlanData=[{m_LocalNbrVlan=40 m_Encapsulated=0} "
     "{m_LocalNbrVlan=50 m_Encapsulated=1}] m_TrunkedVlans=[] m_TrunkedVlanTags=[]"},
    {"two VLANs on a port that is no trunk", 16, kMacPass,
     "m_LocalNbrVlanData=[{m_LocalNbrVlan=10 m_Encapsulated=0 m_LocalNbrVlanDescr='Engineering'} "
     "{m_LocalNbrVlan=20 m_Encapsulated=1 m_LocalNbrVlanDescr='Sales'}]"},
    {"interface with an empty VLAN list", 17, kMacPass,
     "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'"},
    {"no store", 14, kDescrOnly, "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'"},
    {"no structure at all", 14, kNothing, "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default Vlan'"},
};
// clang-format on

TEST(VlanAnnotation, FieldsOfEachShape) {
  VlanTestAgent agent(kExtremeMib);
  // The store: ifIndex -> (VLAN id, encapsulated flag) pairs.
  // clang-format off
  const std::map<int, std::vector<std::pair<int, int>>> memberships = {
      {11, {{30, 0}}}, {12, {{10, 1}}}, {13, {{40, 1}}}, {14, {{10, 1}, {20, 1}, {40, 0}}},
      {15, {{40, 0}, {50, 1}}}, {16, {{10, 0}, {20, 1}}}, {17, {}}};
  // clang-format on
  CTolTreeList* store = Tree({});
  for (const auto& [ifIndex, vlans] : memberships) {
    CTolAtom* value = new CTolAtom(new CTolVBList());
    for (const auto& [vlan, flag] : vlans)
      value->RAObject()->RVBLAddToListEnd(new CTolVarBind(CTolAtom(vlan), flag));
    store->RTLAdd(ifIndex, new CTolVarBind(CTolAtom(ifIndex), &value));
  }
  CTolTreeList* descr =
      Tree({{1, strdup("Default")}, {10, strdup("Engineering")}, {20, strdup("Sales")}});
  CTolTreeList* descrNoVlan1 = Tree({{10, strdup("Engineering")}, {20, strdup("Sales")}});
  CTolTreeList* tags = Tree({{10, new CTolAtom(110)}, {20, new CTolAtom(120)}});
  CTolHashStore* trunks = new CTolHashStore(4, false, true, 500);
  for (int ifIndex : {12, 13, 14, 15}) trunks->RHSAddObjectAt(ifIndex, nullptr);
  CDiscoMediationData med;
  ASSERT_EQ(med.DMDAddDataPtr("m_vlanStore", store), 1);
  ASSERT_EQ(med.DMDAddDataPtr("m_VlanDescr", descr), 1);
  ASSERT_EQ(med.DMDAddDataPtr("m_VlanToVlanTag", tags), 1);
  ASSERT_EQ(med.DMDAddDataPtr("m_TrunkIfIndexes", trunks), 1);

  std::vector<CTolVBList> records(std::size(kCases));
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const AnnotationCase& c = kCases[i];
    records[i].RVBLAddToListEnd(new CTolVarBind("m_IfIndex", c.ifIndex));
    bool mac = c.pass == kMacPass || c.pass == kMacPassNoVlan1Descr;
    bool withStore = c.pass != kDescrOnly && c.pass != kNothing;
    CTolTreeList* d = c.pass == kNothing               ? nullptr
                      : c.pass == kMacPassNoVlan1Descr ? descrNoVlan1
                                                       : descr;
    EXPECT_EQ(agent.AddVLanInfo(c.ifIndex, records[i], withStore ? store : nullptr, d,
                                mac ? tags : nullptr, mac ? trunks : nullptr),
              1)
        << c.name;
  }

  // The records hold their own copies: they read the same once the structures are gone.
  agent.CleanUpMemory(&med);
  EXPECT_TRUE(med.DMDDataEntries().empty());
  DAUFDeleteTreeListAndContents(descrNoVlan1, eContentText);
  for (size_t i = 0; i < std::size(kCases); ++i) {
    EXPECT_EQ(ShowFields(records[i]),
              "m_IfIndex=" + std::to_string(kCases[i].ifIndex) + " " + kCases[i].fields)
        << kCases[i].name;
  }
}

}  // namespace
