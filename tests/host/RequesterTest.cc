// CDiscoStdRequester over the replay backend: value conversion, rows of gets and walks, failure
// reports; the ARP table behind DSRGetARP.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/CDiscoArpService.h"
#include "host/CDiscoPinger.h"
#include "host/CDiscoRefusedValues.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolAtomVector.h"
#include "host/CTolDoubleList.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolVarBind.h"
#include "host/TolTypes.h"
#include "support/AgentHarness.h"
#include "support/FaultInjectionBackend.h"

namespace {

// One row per conversion: the object asked for, its instance, the recorded line, the atom made.
struct ValueCase {
  const char* object;
  const char* instance;
  const char* line;
  ETolDataType type;
  const char* text;
};

const ValueCase kValues[] = {
    {"sysDescr", "0", "1.3.6.1.2.1.1.1.0|4|Extreme XOS", eTolString, "Extreme XOS"},
    {"sysObjectID", "0", "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.1916.2.155", eTolString,
     "1.3.6.1.4.1.1916.2.155"},
    {"sysName", "0", "1.3.6.1.2.1.1.5.0|4|", eTolString, ""},
    {"dot1dTpAgingTime", "0", "1.3.6.1.2.1.17.4.2.0|2|300", eTolInteger, "300"},
    {"ifType", "5", "1.3.6.1.2.1.2.2.1.3.5|2|6", eTolInteger, "6"},
    {"ifDescr", "7", "1.3.6.1.2.1.2.2.1.2.7|4x|0102ff", eTolString, "0x0102FF"},
    {"ifDescr", "8", "1.3.6.1.2.1.2.2.1.2.8|4x|706f727400", eTolString, "port"},
    {"ifPhysAddress", "1001", "1.3.6.1.2.1.2.2.1.6.1001|4x|00049612a301", eTolString,
     "00:04:96:12:A3:01"},
    {"ipNetToMediaPhysAddress", "1001.10.0.0.5",
     "1.3.6.1.2.1.4.22.1.2.1001.10.0.0.5|4x|001a2b3c4d5e", eTolString, "00:1A:2B:3C:4D:5E"},
    {"extremeFdbMacFdbMacAddress", "1000004.1",
     "1.3.6.1.4.1.1916.1.16.1.1.3.1000004.1|4x|001A2B3C4D5E", eTolString, "00:1A:2B:3C:4D:5E"},
    {"dot1dTpFdbAddress", "0.26.43.60.77.94",
     "1.3.6.1.2.1.17.4.3.1.1.0.26.43.60.77.94|4x|001a2b3c4d5e", eTolString, "00:1A:2B:3C:4D:5E"},
    {"1.3.6.1.2.1.4.20.1.1", "10.0.0.1", "1.3.6.1.2.1.4.20.1.1.10.0.0.1|64|10.0.0.1", eTolString,
     "10.0.0.1"},
    {".1.3.6.1.2.1.2.2.1.10", "3", "1.3.6.1.2.1.2.2.1.10.3|65|4294967295", eTolInteger,
     "4294967295"},
    {"1.3.6.1.2.1.31.1.1.1.6", "3", "1.3.6.1.2.1.31.1.1.1.6.3|70|9000000000", eTolInteger,
     "9000000000"},
    {"1.3.6.1.2.1.1.3", "0", "1.3.6.1.2.1.1.3.0|67|123456", eTolInteger, "123456"},
};

class RequesterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string text;
    for (const ValueCase& c : kValues) text += std::string(c.line) + "\n";
    text += "1.3.6.1.2.1.1.4.0|5|\n";  // sysContact: NULL
    std::string error;
    ASSERT_TRUE(backend->AddDevice("127.0.0.10", text, &error)) << error;
    requester.DSRSetSnmpBackend(backend);
    sw1.RRAddValue(new CTolVarBind("m_Name", "sw1"));
    sw1.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.10"));
    silent.RRAddValue(new CTolVarBind("m_Name", "dead-sw"));
    silent.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.99"));
  }
  std::shared_ptr<CDiscoSnmprecBackend> backend = std::make_shared<CDiscoSnmprecBackend>();
  CDiscoStdRequester requester;
  CTolRecord sw1, silent;
  CTolScopedErrorLog errors;
};

TEST_F(RequesterTest, ValuesBecomeAtoms) {
  for (const ValueCase& c : kValues) {
    SCOPED_TRACE(c.line);
    std::unique_ptr<CTolSnmpVarOp> row(requester.DSRSnmpGet(&sw1, c.object, c.instance, nullptr));
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->RSVOObject(), c.object);
    EXPECT_STREQ(row->RSVOASN1()->RAAAsString(), c.instance);
    ASSERT_NE(row->RSVOValue(), nullptr);
    EXPECT_EQ(row->RSVOValue()->RAType(), c.type);
    EXPECT_EQ(row->RSVOValue()->RAText(), c.text);
  }
  std::unique_ptr<CTolSnmpVarOp> nullRow(requester.DSRSnmpGet(&sw1, "1.3.6.1.2.1.1.4", "0", 0));
  ASSERT_NE(nullRow, nullptr);
  EXPECT_EQ(nullRow->RSVOValue(), nullptr);
  // A scalar asked for without an instance is read at .0.
  std::unique_ptr<CTolSnmpVarOp> aging(requester.DSRSnmpGet(&sw1, "dot1dTpAgingTime", nullptr, 0));
  ASSERT_NE(aging, nullptr);
  EXPECT_EQ(aging->RSVOValue()->RAInt(), 300);
  // Absent data is not an error: no row for a get, an empty list for a walk.
  EXPECT_EQ(requester.DSRSnmpGet(&sw1, "ifType", "99", nullptr), nullptr);
  std::unique_ptr<CTolDoubleList> empty(requester.DSRSnmpGetNext(&sw1, "ifStackStatus", 0, 0));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->RDLLength(), 0);
  EXPECT_TRUE(errors.Records().empty());
}

// Only six octets (or a MAC written as text) make a MAC: other lengths reach the agent as rows
// without a value, and every refused value or MAC index is counted for its device and column.
TEST_F(RequesterTest, MacColumnsHandOverOnlySixOctetValuesAndCountTheRest) {
  std::string error;
  ASSERT_TRUE(backend->AddDevice(
      "127.0.0.11",
      Snmprec({"1.3.6.1.2.1.2.2.1.6.1|4x|00049612a301", "1.3.6.1.2.1.2.2.1.6.2|4x|00049612a3",
               "1.3.6.1.2.1.2.2.1.6.3|4x|00049612a30102", "1.3.6.1.2.1.2.2.1.6.4|4x|",
               "1.3.6.1.2.1.2.2.1.6.5|4|0:4:96:12:a3:2", "1.3.6.1.2.1.2.2.1.6.6|5|",
               "1.3.6.1.2.1.17.4.3.1.2.0.4.150.18.163.1|2|1",
               "1.3.6.1.2.1.17.4.3.1.2.0.4.150.18.163|2|2",
               "1.3.6.1.2.1.17.4.3.1.2.1.0.4.150.18.163.1|2|3",
               "1.3.6.1.2.1.17.4.3.1.2.0.4.150.18.300.1|2|4"}),
      &error))
      << error;
  auto tally = std::make_shared<CDiscoRefusedValues>();
  requester.DSRSetRefusedValues(tally);
  CTolRecord sw2;
  sw2.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.11"));

  std::unique_ptr<CTolDoubleList> macs(requester.DSRSnmpGetNext(&sw2, "ifPhysAddress", 0, 0));
  ASSERT_NE(macs, nullptr);
  std::vector<std::string> values;
  for (CTolListable* e = macs->RDLHead(); e; e = macs->RDLGetNext(e)) {
    const CTolAtom* v = static_cast<CTolSnmpVarOp*>(e)->RSVOValue();
    values.push_back(v ? v->RAText() : "<none>");
  }
  // An empty ifPhysAddress (no address) stays empty text; a MAC written as text is a MAC.
  EXPECT_EQ(values, (std::vector<std::string>{"00:04:96:12:A3:01", "<none>", "<none>", "",
                                              "00:04:96:12:A3:02", "<none>"}));
  std::unique_ptr<CTolSnmpVarOp> got(requester.DSRSnmpGet(&sw2, "ifPhysAddress", "3", nullptr));
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->RSVOValue(), nullptr);
  std::unique_ptr<CTolDoubleList> ports(requester.DSRSnmpGetNext(&sw2, "dot1dTpFdbPort", 0, 0));
  ASSERT_NE(ports, nullptr);
  ASSERT_EQ(ports->RDLLength(), 4);  // rows stay; only their index gives no MAC text
  // A walk's rows carry the index after the column; which indexes make MAC text is pinned by the
  // index-to-MAC conversion test.
  auto* first = static_cast<CTolSnmpVarOp*>(ports->RDLHead());
  EXPECT_STREQ(first->RSVOASN1()->RAAAsString(), "0.4.150.18.163");  // in OID order
  EXPECT_STREQ(first->RSVOObject(), "dot1dTpFdbPort");
  EXPECT_EQ(first->RSVOValue()->RAInt(), 2);

  EXPECT_EQ(tally->Take("127.0.0.11:161 127.0.0.11"),
            (std::map<std::string, long>{{"ifPhysAddress", 3}, {"dot1dTpFdbPort index", 3}}));
  EXPECT_TRUE(tally->Take("127.0.0.11:161 127.0.0.11").empty());
}

TEST_F(RequesterTest, FailuresAreReportedWithDeviceObjectAndReason) {
  EXPECT_EQ(requester.DSRSnmpGet(&silent, "sysName", "0", nullptr), nullptr);
  EXPECT_EQ(requester.DSRSnmpGetNext(&silent, "ifDescr", nullptr, nullptr), nullptr);
  CTolRecord noAddress;
  noAddress.RRAddValue(new CTolVarBind("m_Name", "nameless"));
  EXPECT_EQ(requester.DSRSnmpGet(&noAddress, "sysName", "0", nullptr), nullptr);
  EXPECT_EQ(requester.DSRSnmpGetNext(&sw1, "noSuchObject", nullptr, nullptr), nullptr);
  // Every request failing with a protocol error, as from a device answering garbage.
  auto garbage = std::make_shared<FaultInjectionBackend>(backend);
  garbage->Add({FaultKind::kFail, "", {}, 1, 0});
  requester.DSRSetSnmpBackend(garbage);
  EXPECT_EQ(requester.DSRSnmpGetNext(&sw1, "ifDescr", nullptr, nullptr), nullptr);
  requester.DSRSetSnmpBackend(nullptr);
  EXPECT_EQ(requester.DSRSnmpGet(&sw1, "sysName", "0", nullptr), nullptr);

  auto records = errors.Records();
  ASSERT_EQ(records.size(), 6u);
  const struct {
    int code;
    std::vector<const char*> parts;
  } kExpected[] = {
      {TOL_ERR_TIMEOUT, {"dead-sw", "sysName.0", "127.0.0.99:161"}},
      {TOL_ERR_TIMEOUT, {"dead-sw", "ifDescr", "127.0.0.99:161"}},
      {TOL_ERR_MISSING_PART, {"nameless", "sysName.0", "m_IpAddress"}},
      {TOL_ERR_FAILED, {"sw1", "noSuchObject", "unknown object"}},
      {TOL_ERR_PROTOCOL, {"sw1", "ifDescr", "injected protocol error"}},
      {TOL_ERR_FAILED, {"sw1", "sysName.0", "no SNMP backend"}},
  };
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(records[i].text);
    EXPECT_EQ(records[i].code, kExpected[i].code);
    EXPECT_EQ(records[i].source, "CDiscoStdRequester");
    for (const char* part : kExpected[i].parts) {
      EXPECT_NE(records[i].text.find(part), std::string::npos) << part;
    }
  }
}

TEST_F(RequesterTest, PingAllPassesAddressTexts) {
  CTolAtomVector addresses;
  for (CTolAtom* a : {new CTolAtom("127.0.0.1"), new CTolAtom(), new CTolAtom("127.0.0.2")}) {
    addresses.RAVAddToEnd(a);
  }
  EXPECT_EQ(requester.DSRPingAll(&addresses), TOL_ERR_FAILED);  // no pinger yet
  auto pinger = std::make_shared<FakePinger>();
  requester.DSRSetPinger(pinger);
  EXPECT_EQ(requester.DSRPingAll(&addresses), 1);
  ASSERT_EQ(pinger->Sweeps().size(), 1u);
  EXPECT_EQ(pinger->Sweeps()[0], (std::vector<std::string>{"127.0.0.1", "127.0.0.2"}));
}

std::string HostIp(CTolAtomVector* answer) {
  std::unique_ptr<CTolAtomVector> owned(answer);
  if (!answer || answer->RAVSize() != 1 || answer->RAVGetValue(0)->RAType() != eTolObject) {
    return "<none>";
  }
  CTolVarBind* ip = answer->RAVGetValue(0)->RAObject()->RVBLFind("m_HostIp");
  return ip ? ip->RVBValue()->RAText() : "<no m_HostIp>";
}

TEST(ArpTable, AnswersByMacPerAddressSpace) {
  CDiscoStdRequester requester;
  EXPECT_EQ(requester.DSRGetARP(nullptr, "00:04:96:12:A3:01", nullptr, nullptr, nullptr), nullptr);
  auto arp = std::make_shared<CDiscoArpTable>();
  arp->Add("00:04:96:12:a3:01", "10.0.0.1");
  arp->Add("00:04:96:12:A3:01", "10.0.0.2");  // first address stays
  arp->Add("00:04:96:12:A3:01", "172.16.0.1", "lab");
  requester.DSRSetArpService(arp);
  EXPECT_EQ(arp->Size(), 2);
  EXPECT_EQ(HostIp(requester.DSRGetARP(nullptr, "00:04:96:12:a3:01", 0, 0, nullptr)), "10.0.0.1");
  EXPECT_EQ(HostIp(requester.DSRGetARP(nullptr, "00:04:96:12:A3:01", 0, 0, "lab")), "172.16.0.1");
  EXPECT_EQ(HostIp(requester.DSRGetARP(nullptr, "00:04:96:12:A3:02", 0, 0, nullptr)), "<none>");
  EXPECT_EQ(HostIp(requester.DSRGetARP(nullptr, "00:04:96:12:A3:01", 0, 0, "other")), "<none>");
  EXPECT_EQ(HostIp(requester.DSRGetARP("10.0.0.1", nullptr, 0, 0, nullptr)), "10.0.0.1");
}

}  // namespace
