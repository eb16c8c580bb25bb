// The VLANs of a standard bridge's ports and of its forwarding entries: PortList bitmaps, the
// bridge port mapping with its fallback, rows kept without a port, the older Extreme table's VLAN
// in its index, and the lookups that join them to the agent's records.
#include <gtest/gtest.h>

#include "engine/collect/CollectTestSupport.h"
#include "engine/collect/PortVlanCollector.h"
#include "engine/collect/VlanFdbCollector.h"
#include "engine/collect/VlanLookup.h"

namespace {

TEST(VlanTablesTest, PortVlansComeFromPvidsAndMemberListsOfEitherVlanTable) {
  // Bridge ports 1 and 2 map to 1001 and 1002; 3 has no entry. VLAN 10 is untagged on 1 and 3
  // and tagged on 2; VLAN 20 untagged on 2; bridge port 4's PVID is no VLAN id.
  Device current(
      "1.3.6.1.2.1.17.1.4.1.2.1|2|1001\n"
      "1.3.6.1.2.1.17.1.4.1.2.2|2|1002\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.4.0.10|4x|e0\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.4.0.20|4x|40\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.5.0.10|4x|a0\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.5.0.20|4x|40\n"
      "1.3.6.1.2.1.17.7.1.4.3.1.1.10|4|users\n"
      "1.3.6.1.2.1.17.7.1.4.3.1.1.20|4|voice\n"
      "1.3.6.1.2.1.17.7.1.4.5.1.1.1|66|10\n"
      "1.3.6.1.2.1.17.7.1.4.5.1.1.2|66|20\n"
      "1.3.6.1.2.1.17.7.1.4.5.1.1.3|66|10\n"
      "1.3.6.1.2.1.17.7.1.4.5.1.1.4|66|5000\n");
  ASSERT_TRUE(current.ok);
  disco::BridgePorts mapping(current.requester, current.record);
  disco::DeviceCollections c;
  disco::CollectPortVlans(current.requester, current.record, mapping, current.interfaces, &c);
  EXPECT_EQ(Texts(c.portVlans), (std::vector<std::string>{"1 1001 1:1 10 10:users | ",
                                                          "2 1002 1:2 20 20:voice | 10:users ",
                                                          "3 0  10 10:users | "}));
  EXPECT_TRUE(
      Mentions(c.problems, "1 bridge port on no interface of the device (first: bridge port 3)"));
  EXPECT_TRUE(Mentions(c.problems, "1 VLAN id outside 1..4094 left out (first: 5000)"));

  // No current table: the static one's members; no mapping at all: bridge port 3 is ifIndex 3.
  Device configured(
      "1.3.6.1.2.1.17.7.1.4.3.1.1.30|4|lab\n"
      "1.3.6.1.2.1.17.7.1.4.3.1.2.30|4x|2001\n"
      "1.3.6.1.2.1.17.7.1.4.3.1.4.30|4x|0001\n");
  ASSERT_TRUE(configured.ok);
  disco::BridgePorts none(configured.requester, configured.record);
  EXPECT_TRUE(none.ByPortNumber());
  disco::DeviceCollections s;
  disco::CollectPortVlans(configured.requester, configured.record, none, configured.interfaces, &s);
  // Bridge port 16 is the second octet's low bit.
  EXPECT_EQ(Texts(s.portVlans),
            (std::vector<std::string>{"3 3 1:3 0 | 30:lab ", "16 16  0 30:lab | "}));

  // A switch without Q-BRIDGE VLAN tables gives no port VLANs.
  disco::DeviceCollections empty;
  Device plain("1.3.6.1.2.1.17.1.4.1.2.1|2|1001\n");
  disco::CollectPortVlans(plain.requester, plain.record, disco::BridgePorts(), plain.interfaces,
                          &empty);
  EXPECT_TRUE(empty.portVlans.empty());
}

TEST(VlanTablesTest, ForwardingRowsMapByBridgePortElseByNumberElseKeepANullPort) {
  const char kRows[] =
      "1.3.6.1.2.1.17.7.1.2.2.1.2.1.0.27.33.0.16.1|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.1.0.27.33.0.16.2|2|9\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.1.0.27.33.0.16.3|2|0\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.1.0.27.33.0.16.1|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.1.0.27.33.0.16.2|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.1.0.27.33.0.16.3|2|5\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.3.0.1|66|1\n";
  // No dot1dBasePortIfIndex at all: bridge port 3 is ifIndex 3; port 9 is no interface.
  Device byNumber(kRows);
  ASSERT_TRUE(byNumber.ok);
  disco::DeviceCollections n;
  EXPECT_TRUE(
      disco::CollectVlanFdb(byNumber.requester, byNumber.record, byNumber.interfaces, nullptr, &n));
  EXPECT_EQ(Texts(n.vlanFdb),
            (std::vector<std::string>{"00:1B:21:00:10:01 1  3 1:3 ", "00:1B:21:00:10:02 1  9  ",
                                      "00:1B:21:00:10:03 1  0  "}));
  EXPECT_EQ(n.fdbWithoutPort, 1);  // the mgmt row without port is the switch itself

  // A mapping that leaves bridge port 3 out: the row stays, without port, and is counted.
  std::string mapped = std::string("1.3.6.1.2.1.17.1.4.1.2.9|2|1001\n") + kRows;
  Device partial(mapped.c_str());
  ASSERT_TRUE(partial.ok);
  disco::DeviceCollections p;
  disco::CollectVlanFdb(partial.requester, partial.record, partial.interfaces, nullptr, &p);
  EXPECT_EQ(Texts(p.vlanFdb),
            (std::vector<std::string>{"00:1B:21:00:10:01 1  0  ", "00:1B:21:00:10:02 1  1001 1:1 ",
                                      "00:1B:21:00:10:03 1  0  "}));
  EXPECT_EQ(p.fdbWithoutPort, 1);

  // Without any of the tables the device has nothing to report.
  Device none("1.3.6.1.2.1.17.1.4.1.2.1|2|1001\n");
  disco::DeviceCollections e;
  EXPECT_FALSE(disco::CollectVlanFdb(none.requester, none.record, none.interfaces, nullptr, &e));
}

// The older Extreme table's VLAN comes from its index (whole-program: FdbModeTest on edge-1);
// here a malformed row, and the lookup that joins the entries to the agent's records: the
// entry on the asked interface first, else the device's first entry of the MAC with a VLAN.
TEST(VlanTablesTest, OlderExtremeTableRowsAndTheLookupByMacAndInterface) {
  Device legacy(
      "1.3.6.1.4.1.1916.1.2.1.2.1.10.1000002|2|10\n"
      "1.3.6.1.4.1.1916.1.16.1.1.3.1000002.1|4x|001b21001001\n"
      "1.3.6.1.4.1.1916.1.16.1.1.3.1000002.2|4x|001b2100\n"
      "1.3.6.1.4.1.1916.1.16.1.1.4.1000002.1|2|1002\n"
      "1.3.6.1.4.1.1916.1.16.1.1.5.1000002.1|2|3\n");
  ASSERT_TRUE(legacy.ok);
  disco::DeviceCollections c;
  disco::CollectVlanFdb(legacy.requester, legacy.record, legacy.interfaces, nullptr, &c);
  EXPECT_EQ(c.fdbSource, "extremeFdbMacFdbTable");
  ASSERT_EQ(c.vlanFdb.size(), 1u);
  EXPECT_TRUE(Mentions(c.problems, "extremeFdbMacFdbTable: 1 rows with a malformed index"));

  c.vlanFdb.push_back(c.vlanFdb[0]);
  c.vlanFdb.back().vlanId = 20;
  c.vlanFdb.back().local.ifIndex = 1001;
  disco::VlanLookup lookup(c);
  disco::VlanRef v;
  EXPECT_TRUE(lookup.VlanOf("00:1b:21:00:10:01", 1001, &v) && v.id == 20);
  EXPECT_TRUE(lookup.VlanOf("00:1B:21:00:10:01", 4242, &v) && v.id == 10);
  EXPECT_FALSE(lookup.VlanOf("00:1B:21:00:10:03", 1001, &v));
}

}  // namespace
