// The engine's own interface list: every interface kept whatever the maker's numbering, labels
// that follow the agent's slot:port where they fit and never collide, virtual ones marked, and
// addresses on an ifIndex ifTable lacks kept without a phantom interface.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "engine/collect/InterfaceCollector.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolVarBind.h"

namespace {

using disco::EngineInterface;

EngineInterface Interface(long ifIndex, long type, const std::string& name,
                          const std::string& descr = "") {
  EngineInterface i;
  i.ifIndex = ifIndex;
  i.ifType = type;
  i.name = name;
  i.descr = descr;
  i.isVirtual = disco::IsVirtualIfType(type);
  return i;
}

std::map<long, std::string> Labels(const std::vector<EngineInterface>& interfaces) {
  std::map<long, std::string> out;
  std::set<std::string> seen;
  for (const EngineInterface& i : interfaces) {
    out[i.ifIndex] = i.label;
    EXPECT_TRUE(seen.insert(i.label).second) << "label " << i.label << " given twice";
  }
  return out;
}

TEST(InterfaceLabelsTest, SlotPortWhereItFitsNamesWhereNumbersCollideOrTheAgentDeclined) {
  // 1 and 1001 are both 1:1 under slot * 1000 + port; the agent handed over 1 only (as 1:1).
  std::vector<EngineInterface> taken = {
      Interface(1, 6, "1/1"),         Interface(2, 6, "1/2"),        Interface(1001, 6, "2/1"),
      Interface(1003, 6, "2/3"),      Interface(1005, 136, "Vlan5"), Interface(2001, 6, ""),
      Interface(1000010, 135, "dup"), Interface(1000011, 53, "dup"), Interface(1000012, 53, "", ""),
  };
  disco::LabelInterfaces({{1, "1:1"}, {2, "1:2"}, {1005, "1:5"}, {1000010, "if 1000010"}}, &taken);
  std::map<long, std::string> labels = Labels(taken);
  EXPECT_EQ(labels[1], "1/1");  // colliding with 1001: named, though the agent says 1:1
  EXPECT_EQ(labels[1001], "2/1");
  EXPECT_EQ(labels[2], "1:2");  // no collision: the agent's view stays
  EXPECT_EQ(labels[1003], "1:3");
  EXPECT_EQ(labels[2001], "2:1");
  EXPECT_EQ(labels[1005], "Vlan5");  // no slot:port for a VLAN interface, whatever the agent
                                     // says
  EXPECT_EQ(labels[1000010], "if 1000010");
  EXPECT_EQ(labels[1000011], "dup");
  EXPECT_EQ(labels[1000012], "if 1000012");
  EXPECT_TRUE(taken[4].isVirtual);
  EXPECT_FALSE(taken[0].isVirtual);

  // A device the agent declined: no slot:port at all; a duplicate name gets its ifIndex.
  std::vector<EngineInterface> declined = {Interface(1, 6, "Gi0/0/0"), Interface(2, 6, "", "eth1"),
                                           Interface(3, 6, "Gi0/0/0"), Interface(4, 24, "Lo0"),
                                           Interface(10101, 6, "1/1/1")};
  disco::LabelInterfaces({}, &declined);
  labels = Labels(declined);
  EXPECT_EQ(labels[1], "Gi0/0/0");
  EXPECT_EQ(labels[2], "eth1");
  EXPECT_EQ(labels[3], "Gi0/0/0 (if 3)");
  EXPECT_EQ(labels[10101], "1/1/1");
  for (long type : {24L, 53L, 131L, 135L, 136L}) EXPECT_TRUE(disco::IsVirtualIfType(type)) << type;
  for (long type : {6L, 117L, 161L}) EXPECT_FALSE(disco::IsVirtualIfType(type)) << type;
}

TEST(InterfaceLabelsTest, EveryRowAndAddressIsKeptAndOddRowsAreNamedProblems) {
  const char kDevice[] =
      "1.3.6.1.2.1.2.2.1.2.1|4|Port 1\n"
      "1.3.6.1.2.1.2.2.1.2.1001|4|Port 1001\n"
      "1.3.6.1.2.1.2.2.1.3.1|2|6\n"
      "1.3.6.1.2.1.2.2.1.3.1001|2|6\n"
      "1.3.6.1.2.1.2.2.1.3.1.7|2|6\n"  // an index that is no ifIndex
      "1.3.6.1.2.1.2.2.1.6.1|4x|000496000001\n"
      "1.3.6.1.2.1.2.2.1.8.1001|2|2\n"  // only in ifOperStatus: still an interface
      "1.3.6.1.2.1.2.2.1.8.3000000000|2|1\n"
      "1.3.6.1.2.1.4.20.1.2.10.0.0.1|2|1001\n"
      "1.3.6.1.2.1.4.20.1.2.10.0.0.9|2|77\n"
      "1.3.6.1.2.1.4.20.1.3.10.0.0.1|64|255.255.255.0\n"
      "1.3.6.1.2.1.31.1.1.1.1.1|4|ge1\n";
  auto backend = std::make_shared<CDiscoSnmprecBackend>();
  std::string error;
  ASSERT_TRUE(backend->AddDevice("127.0.0.9", kDevice, &error)) << error;
  CDiscoStdRequester requester;
  requester.DSRSetSnmpBackend(backend);
  CTolRecord device;
  device.RRAddValue(new CTolVarBind("m_Name", "odd"));
  device.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.9"));
  CTolScopedErrorLog errors;
  disco::DeviceCollections c;
  disco::CollectInterfaces(requester, device, {{1, "1:1"}}, &c);

  ASSERT_TRUE(c.interfacesRead);
  ASSERT_EQ(c.interfaces.size(), 3u);
  EXPECT_EQ(c.interfaces[0].label, "ge1");
  EXPECT_EQ(c.interfaces[0].mac, "00:04:96:00:00:01");
  EXPECT_EQ(c.interfaces[1].label, "Port 1001");  // no ifName: ifDescr
  EXPECT_EQ(c.interfaces[1].operStatus, 2);
  EXPECT_EQ(c.interfaces[2].ifIndex, 3000000000L);
  ASSERT_EQ(c.addresses.size(), 2u);
  EXPECT_EQ(c.addresses[0].ip, "10.0.0.1");
  EXPECT_EQ(c.addresses[0].mask, "255.255.255.0");
  EXPECT_EQ(c.addresses[0].label, "Port 1001");
  EXPECT_EQ(c.addresses[1].ifIndex, 77);
  EXPECT_EQ(c.addresses[1].label, "");
  std::string problems;
  for (const std::string& p : c.problems) problems += p + "\n";
  EXPECT_NE(problems.find("ifTable: 1 value(s) with an index that is no ifIndex"),
            std::string::npos)
      << problems;
  EXPECT_NE(problems.find("ipAddrTable: 1 address on an ifIndex that ifTable does not list"),
            std::string::npos)
      << problems;
  EXPECT_TRUE(errors.Records().empty());
}

}  // namespace
