// The engine's LLDP and VLAN forwarding-database collectors: identifiers decoded by subtype, and
// bad device data turned into per-device problems with what could be read kept.
#include <gtest/gtest.h>

#include "engine/collect/CollectTestSupport.h"
#include "engine/collect/LldpCollector.h"
#include "engine/collect/LldpDecode.h"
#include "engine/collect/TableColumns.h"
#include "engine/collect/VlanFdbCollector.h"
#include "host/CTolErrorSink.h"

namespace {

using disco::LldpId;

struct IdCase {
  bool chassis;  // else a port ID
  long subtype;
  std::string octets;
  std::string name;
  std::string text;
  bool problem;
};

TEST(LldpDecodeTest, IdentifiersReadByTheirSubtype) {
  const std::string mac("\x00\x04\x96\x50\x00\x00", 6);
  const IdCase cases[] = {
      {true, 4, mac, "macAddress", "00:04:96:50:00:00", false},
      {true, 5, std::string("\x01\x0a\x00\x01\x15", 5), "networkAddress", "10.0.1.21", false},
      {true, 5, std::string("\x02", 1) + std::string(15, '\0') + "\x01", "networkAddress", "::1",
       false},
      {true, 7, "sw-7", "local", "sw-7", false},
      {false, 5, "1:48", "interfaceName", "1:48", false},
      {false, 7, std::string("24\0", 3), "local", "24", false},
      {false, 1, "\x01\xff", "interfaceAlias", "0x01FF", false},
      {false, 6, "ab", "agentCircuitId", "0x6162", false},
      // Bad data: kept as hex, with the reason.
      {true, 4, mac.substr(0, 4), "macAddress", "0x00049650", true},
      {false, 3, "", "macAddress", "0x", true},
      {true, 5, std::string("\x01\x0a\x00", 3), "networkAddress", "0x010A00", true},
      {true, 9, "xy", "unknown(9)", "0x7879", true},
      {false, 0, "", "unknown(0)", "0x", true},
  };
  for (const IdCase& c : cases) {
    LldpId id = c.chassis ? disco::DecodeChassisId(c.subtype, c.octets)
                          : disco::DecodePortId(c.subtype, c.octets);
    EXPECT_EQ(id.subtype, c.name) << c.subtype << " " << c.text;
    EXPECT_EQ(id.text, c.text) << c.name;
    EXPECT_EQ(!id.problem.empty(), c.problem) << c.name << " " << c.text << ": " << id.problem;
  }
  EXPECT_EQ(disco::DecodeCapabilities(std::string("\x28\x00", 2)),
            (std::vector<std::string>{"bridge", "router"}));
  EXPECT_EQ(disco::DecodeCapabilities(std::string("\x00\x40", 2)),
            (std::vector<std::string>{"bit9"}));
}

// A switch with broken LLDP and forwarding rows; ports 1:1 (ifIndex 1001) and 1:2 (1002) only.
const char kBadSwitch[] =
    // Local ports: 1 is ifIndex 1001 by its local ID; 9 names no interface and is no bridge port.
    "1.0.8802.1.1.2.1.3.7.1.2.1|2|7\n"
    "1.0.8802.1.1.2.1.3.7.1.2.9|2|7\n"
    "1.0.8802.1.1.2.1.3.7.1.3.1|4|1001\n"
    "1.0.8802.1.1.2.1.3.7.1.3.9|4|4242\n"
    // Neighbour 0.1.1: a chassis MAC of 4 octets, a port ID of an unknown subtype.
    "1.0.8802.1.1.2.1.4.1.1.4.0.1.1|2|4\n"
    "1.0.8802.1.1.2.1.4.1.1.4.0.9.2|2|5\n"
    "1.0.8802.1.1.2.1.4.1.1.5.0.1.1|4x|00049650\n"
    "1.0.8802.1.1.2.1.4.1.1.5.0.9.2|4x|010a000102\n"
    "1.0.8802.1.1.2.1.4.1.1.6.0.1.1|2|12\n"
    "1.0.8802.1.1.2.1.4.1.1.6.0.9.2|2|5\n"
    "1.0.8802.1.1.2.1.4.1.1.7.0.1.1|4x|0102\n"
    "1.0.8802.1.1.2.1.4.1.1.7.0.9.2|4|ge-0/0/1\n"
    "1.0.8802.1.1.2.1.4.1.1.9.0.9.2|4|far-switch\n"
    // A management address whose index lacks its length.
    "1.0.8802.1.1.2.1.4.2.1.3.0.9.2.1|2|2\n"
    // dot1dBasePortIfIndex: bridge port 1 only.
    "1.3.6.1.2.1.17.1.4.1.2.1|2|1001\n"
    // extremeFdbMacExosFdbTable: learned on 1:2; learned on ifIndex 77 (no interface); a row
    // without status; a self row (not counted); all in VLAN ifIndex 1000002 (users, tag 10).
    "1.3.6.1.4.1.1916.1.2.1.2.1.2.1000002|4|users\n"
    "1.3.6.1.4.1.1916.1.2.1.2.1.10.1000002|2|10\n"
    "1.3.6.1.4.1.1916.1.16.4.1.3.0.27.33.0.16.1.1000002|2|1002\n"
    "1.3.6.1.4.1.1916.1.16.4.1.3.0.27.33.0.16.2.1000002|2|77\n"
    "1.3.6.1.4.1.1916.1.16.4.1.3.0.27.33.0.16.3.1000002|2|1002\n"
    "1.3.6.1.4.1.1916.1.16.4.1.3.0.27.33.0.16.4.1000002|2|1002\n"
    "1.3.6.1.4.1.1916.1.16.4.1.4.0.27.33.0.16.1.1000002|2|3\n"
    "1.3.6.1.4.1.1916.1.16.4.1.4.0.27.33.0.16.2.1000002|2|3\n"
    "1.3.6.1.4.1.1916.1.16.4.1.4.0.27.33.0.16.4.1000002|2|4\n";

// Runs both collectors over `recording`, served with `interfaces`.
disco::DeviceCollections Collect(const char* recording, disco::DeviceInterfaces interfaces,
                                 const disco::MacToIp& ipOf) {
  Device device(recording, std::move(interfaces));
  disco::DeviceCollections c;
  disco::CollectLldp(device.requester, device.record, device.interfaces, &c);
  disco::CollectVlanFdb(device.requester, device.record, device.interfaces, ipOf, &c);
  return c;
}

TEST(CollectorsTest, BadRowsBecomeProblemsAndTheRestIsKept) {
  disco::DeviceInterfaces interfaces;
  interfaces.Add(1001, "1:1", "Port 1:1", "00:04:96:50:00:01");
  interfaces.Add(1002, "1:2", "Port 1:2", "00:04:96:50:00:02");
  CTolScopedErrorLog errors;
  disco::DeviceCollections c = Collect(kBadSwitch, interfaces, [](const std::string& mac) {
    return mac == "00:1B:21:00:10:01" ? "10.0.10.1" : "";
  });

  EXPECT_EQ(Texts(c.lldp),
            (std::vector<std::string>{"1:1 0x00049650 unknown(12):0x0102  ",
                                      " 10.0.1.2 interfaceName:ge-0/0/1 far-switch "}));
  EXPECT_TRUE(Mentions(c.problems, "row 0.1.1: chassis ID: macAddress identifier has 4 octets"));
  EXPECT_TRUE(Mentions(c.problems, "row 0.1.1: port ID: identifier subtype 12"));
  EXPECT_TRUE(Mentions(c.problems,
                       "row 0.9.2: local port 9 matches no interface of the device "
                       "(lldpLocPortTable gives local \"4242\", and dot1dBasePortIfIndex has"));
  EXPECT_TRUE(Mentions(c.problems, "lldpRemManAddrTable row 0.9.2.1: malformed index"));

  EXPECT_EQ(c.fdbSource, "extremeFdbMacExosFdbTable");
  EXPECT_EQ(Texts(c.vlanFdb),
            (std::vector<std::string>{"00:1B:21:00:10:01 10 users 1002 1:2 10.0.10.1",
                                      "00:1B:21:00:10:02 10 users 77  "}));
  EXPECT_TRUE(Mentions(c.problems,
                       "1 row on a port that is no interface of the device (first: "
                       "MAC 00:1B:21:00:10:02 VLAN 10 port ifIndex 77)"));
  EXPECT_TRUE(Mentions(c.problems, "1 row without status"));
  // Absent tables are no SNMP failure.
  EXPECT_TRUE(errors.Records().empty()) << errors.Records().front().text;
}

// Values no device may give: a management address sub-identifier above 255 (which would wrap to
// another address) and a VLAN id outside 1..4094. The row is refused with a problem; its
// neighbours keep what is sound.
TEST(CollectorsTest, OutOfRangeValuesAreRefusedNotWrapped) {
  const char kRecording[] =
      "1.0.8802.1.1.2.1.3.7.1.2.1|2|7\n"
      "1.0.8802.1.1.2.1.3.7.1.3.1|4|1001\n"
      "1.0.8802.1.1.2.1.4.1.1.4.0.1.1|2|4\n"
      "1.0.8802.1.1.2.1.4.1.1.4.0.1.2|2|4\n"
      "1.0.8802.1.1.2.1.4.1.1.5.0.1.1|4x|000496500001\n"
      "1.0.8802.1.1.2.1.4.1.1.5.0.1.2|4x|000496500002\n"
      "1.0.8802.1.1.2.1.4.2.1.3.0.1.1.1.4.10.0.1.258|2|2\n"
      "1.0.8802.1.1.2.1.4.2.1.3.0.1.2.1.4.10.0.1.2|2|2\n"
      "1.3.6.1.2.1.17.1.4.1.2.1|2|1001\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.1.0.27.33.0.16.1|2|1\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.2.0.27.33.0.16.2|2|1\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.1.0.27.33.0.16.1|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.2.0.27.33.0.16.2|2|3\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.3.0.10|66|1\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.3.0.4294967295|66|2\n";
  disco::DeviceInterfaces interfaces;
  interfaces.Add(1001, "1:1", "Port 1:1", "00:04:96:60:00:01");
  disco::DeviceCollections c = Collect(kRecording, interfaces, nullptr);

  // Neighbour 0.1.1's address is not 10.0.1.2; the second entry's VLAN is none.
  EXPECT_EQ(Texts(c.lldp), (std::vector<std::string>{"1:1 00:04:96:50:00:01 :  ",
                                                     "1:1 00:04:96:50:00:02 :  10.0.1.2"}));
  EXPECT_TRUE(Mentions(c.problems, "row 0.1.1.1.4.10.0.1.258: an address octet above 255"));
  EXPECT_EQ(Texts(c.vlanFdb), (std::vector<std::string>{"00:1B:21:00:10:01 10  1001 1:1 ",
                                                        "00:1B:21:00:10:02 0  1001 1:1 "}));
  EXPECT_TRUE(Mentions(c.problems, "VLAN id outside 1..4094, left out (first: VLAN id 4294967295)"))
      << c.problems.size();
}

// Access nodes number interfaces past 2^31 and send those numbers as unsigned or as negative
// 32-bit INTEGERs; both name the interface the row's index names. A value of the wrong type in a
// column costs that row's value only.
TEST(CollectorsTest, IfIndexesPast2To31AndWrongTypesAreReadAsMeant) {
  EXPECT_EQ(disco::IfIndexOf(-268435455), 4026531841);
  EXPECT_EQ(disco::IfIndexOf(-1), 4294967295);
  EXPECT_EQ(disco::IfIndexOf(4294967295), 4294967295);
  for (long long none : {0LL, 4294967296LL, -2147483649LL}) EXPECT_EQ(disco::IfIndexOf(none), 0);

  const char kRecording[] =
      "1.0.8802.1.1.2.1.3.7.1.2.2|2|7\n"
      "1.0.8802.1.1.2.1.3.7.1.3.2|4|4026531842\n"
      "1.0.8802.1.1.2.1.4.1.1.4.0.1.1|2|4\n"
      "1.0.8802.1.1.2.1.4.1.1.4.0.2.1|2|4\n"
      "1.0.8802.1.1.2.1.4.1.1.5.0.1.1|4x|000496500001\n"
      "1.0.8802.1.1.2.1.4.1.1.5.0.2.1|4x|000496500002\n"
      "1.3.6.1.2.1.17.1.4.1.2.1|2|4026531841\n"
      "1.3.6.1.2.1.17.1.4.1.2.2|2|-268435454\n"
      "1.3.6.1.2.1.17.1.4.1.2.3|4x|0102\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.1.0.27.33.0.16.1|2|1\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.1.0.27.33.0.16.2|2|2\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.2.0.0.27.33.0.16.3|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.1.0.27.33.0.16.1|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.1.0.27.33.0.16.2|2|3\n"
      "1.3.6.1.2.1.17.7.1.2.2.1.3.0.0.27.33.0.16.3|2|3\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.3.0.10|66|1\n"
      "1.3.6.1.2.1.17.7.1.4.2.1.3.0.20|64|0.0.0.2\n";
  disco::DeviceInterfaces interfaces;
  interfaces.Add(4026531841, "1/1/1", "1/1/1", "");
  interfaces.Add(4026531842, "1/1/2", "1/1/2", "");
  disco::DeviceCollections c = Collect(kRecording, interfaces, nullptr);

  // Bridge port 1 (its ifIndex sent unsigned), then the port the local port ID names.
  EXPECT_EQ(Texts(c.lldp), (std::vector<std::string>{"1/1/1 00:04:96:50:00:01 :  ",
                                                     "1/1/2 00:04:96:50:00:02 :  "}));
  // In index order: filtering database 0 first. Bridge port 3's ifIndex is no number and
  // filtering database 0 is no VLAN (the value that would name VLAN 20 is an IpAddress); bridge
  // port 2's ifIndex was sent as a negative INTEGER.
  EXPECT_EQ(Texts(c.vlanFdb),
            (std::vector<std::string>{"00:1B:21:00:10:03 0  0  ",
                                      "00:1B:21:00:10:01 10  4026531841 1/1/1 ",
                                      "00:1B:21:00:10:02 10  4026531842 1/1/2 "}));
}

}  // namespace
