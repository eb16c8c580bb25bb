// Answers holding values that cannot be decoded: such a value costs its own row (named as a value
// problem of the device), not the whole answer; messages that are wrong outside their values are
// still refused, and a device answering such values is not given up.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "host/CDiscoFailFastBackend.h"
#include "host/TolTypes.h"
#include "host/netsnmp/NetSnmpLenientParse.h"
#include "host/netsnmp/NetSnmpSession.h"
#include "netsnmp/FakeSnmpAgent.h"
#include "netsnmp/NetSnmpTestSupport.h"
#include "support/BerEncoding.h"

namespace {

using Oid_t = std::vector<unsigned long>;

const Oid_t kAddresses = {1, 3, 6, 1, 2, 1, 4, 20, 1, 1};  // ipAdEntAddr
const std::string kAddressesText = "1.3.6.1.2.1.4.20.1.1";

Oid_t Row(const Oid_t& column, unsigned long last) {
  Oid_t oid = column;
  for (unsigned long arc : {10ul, 0ul, 0ul, last}) oid.push_back(arc);
  return oid;
}

FakeVarBind Address(const Oid_t& column, unsigned long last) {
  return {Row(column, last), 0x40, std::string("\x0A\x00\x00", 3) + static_cast<char>(last)};
}

CDiscoSnmpCredentials Quick(CDiscoSnmpCredentials::Version version, int maxRepetitions = 25) {
  CDiscoSnmpCredentials c = Community("public", version);
  c.timeoutMs = 200;
  c.retries = 0;
  c.maxRepetitions = maxRepetitions;
  return c;
}

std::string Binding(const Oid_t& oid, const std::string& valueElement) {
  return BerTlv(0x30, BerTlv(0x06, BerOidContent(oid)) + valueElement);
}

std::string Message(long version, long requestId, const std::string& bindings,
                    unsigned char pduTag = 0xA2) {
  return BerTlv(0x30, BerInteger(version) + BerTlv(0x04, "public") +
                          BerTlv(pduTag, BerInteger(requestId) + BerInteger(0) + BerInteger(0) +
                                             BerTlv(0x30, bindings)));
}

TEST(NetSnmpUnreadableValue, ABadAddressCostsOnlyItsRowInBulkAndNextWalks) {
  std::vector<FakeVarBind> rows;
  for (unsigned long i = 1; i <= 10; ++i) rows.push_back(Address(kAddresses, i));
  rows[5].content += '\x01';  // 10.0.0.6: five octets
  for (auto version : {CDiscoSnmpCredentials::kV1, CDiscoSnmpCredentials::kV2c}) {
    SCOPED_TRACE(version == CDiscoSnmpCredentials::kV1 ? "v1, GETNEXT" : "v2c, GETBULK");
    FakeSnmpAgent agent(FakeTable(rows));
    CDiscoNetSnmpBackend backend;
    backend.SetDefaultCredentials(Quick(version, 4));  // the bad row second of an answer
    const CDiscoSnmpTarget target = TargetOf("127.0.0.1", agent.Port());
    std::vector<TolSnmpRow> found;
    std::string reason;
    ASSERT_EQ(TOL_OK, backend.Walk(target, kAddresses, &found, &reason)) << reason;
    ASSERT_EQ(9u, found.size());
    for (size_t i = 0; i < found.size(); ++i) {
      const unsigned long last = i < 5 ? i + 1 : i + 2;
      EXPECT_EQ(Row(kAddresses, last), found[i].oid);
      EXPECT_EQ(TolSnmpValue::kIpAddress, found[i].value.kind);
      EXPECT_EQ(std::string("\x0A\x00\x00", 3) + static_cast<char>(last), found[i].value.bytes);
    }
    EXPECT_EQ(std::vector<std::string>{kAddressesText + ".10.0.0.6: IpAddress of 5 octets"},
              backend.ValueProblems(target.DeviceKey()));
    // Every request answered once: nothing timed out.
    const CDiscoSnmpCounters counters = backend.Counters(target.DeviceKey());
    EXPECT_EQ(version == CDiscoSnmpCredentials::kV1 ? 11 : 3, counters.requests);
    EXPECT_EQ(counters.requests, counters.responses);
  }
}

TEST(NetSnmpUnreadableValue, EachKindOfBadValueIsNamedAndTheOthersKept) {
  std::vector<FakeVarBind> rows;
  for (unsigned long i = 1; i <= 8; ++i) rows.push_back(Address(kAddresses, i));
  rows[1].content.clear();                                        // IpAddress of 0 octets
  rows[2] = {rows[2].oid, 0x46, std::string(10, '\x01')};         // Counter64 too long
  rows[3] = {rows[3].oid, 0x44, "\x9F\x78\x04\x01\x02"};          // Opaque float of 1 octet
  rows[4] = {rows[4].oid, 0x02, std::string(9, '\x01')};          // INTEGER of 9 octets
  rows[5] = {rows[5].oid, 0, std::string("\x04\x08", 2) + "ab"};  // length beyond its binding
  rows[6] = {rows[6].oid, 0x06, "\x2B\x86"};                      // OID cut in a sub-identifier
  FakeSnmpAgent agent(FakeTable(rows));
  CDiscoNetSnmpBackend backend;
  backend.SetDefaultCredentials(Quick(CDiscoSnmpCredentials::kV2c));
  const CDiscoSnmpTarget target = TargetOf("127.0.0.1", agent.Port());
  std::vector<TolSnmpRow> found;
  std::string reason;
  ASSERT_EQ(TOL_OK, backend.Walk(target, kAddresses, &found, &reason)) << reason;
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ(Row(kAddresses, 1), found[0].oid);
  EXPECT_EQ(Row(kAddresses, 8), found[1].oid);
  const std::string row = kAddressesText + ".10.0.0.";
  const std::vector<std::string> expected = {
      row + "2: IpAddress of 0 octets",
      row + "3: Counter64 of 10 octets",
      row + "4: undecodable Opaque of 5 octets",
      row + "5: INTEGER of 9 octets",
      row + "6: OCTET STRING: length 8 beyond the 2 octets left",
      row + "7: undecodable OBJECT IDENTIFIER of 2 octets",
  };
  EXPECT_EQ(expected, backend.ValueProblems(target.DeviceKey()));

  // A GET of a bad value: absent, with the reason; the problem is not named twice.
  TolSnmpValue value;
  EXPECT_EQ(TOL_ERR_FAILED, backend.Get(target, Row(kAddresses, 2), &value, &reason));
  EXPECT_NE(std::string::npos, reason.find("IpAddress of 0 octets")) << reason;
  EXPECT_EQ(TOL_OK, backend.Get(target, Row(kAddresses, 8), &value, &reason)) << reason;
  EXPECT_EQ(expected, backend.ValueProblems(target.DeviceKey()));
}

TEST(NetSnmpUnreadableValue, MessagesWrongOutsideTheirValuesAreStillRefused) {
  const Oid_t good = Row(kAddresses, 1);
  const std::string bad = Binding(good, BerTlv(0x40, "abcde"));
  struct Case {
    const char* what;
    std::function<std::string(long)> datagram;
    int code;
  } const cases[] = {
      // The control: the hand-made message itself is read, its one value absent.
      {"an intact message", [&](long id) { return Message(1, id, bad); }, TOL_ERR_FAILED},
      {"garbage", [](long) { return std::string("\x30\x03\x02\x01", 4); }, TOL_ERR_TIMEOUT},
      {"another request ID", [&](long id) { return Message(1, id + 1, bad); }, TOL_ERR_TIMEOUT},
      {"an SNMPv1 message", [&](long id) { return Message(0, id, bad); }, TOL_ERR_TIMEOUT},
      {"a GET PDU", [&](long id) { return Message(1, id, bad, 0xA0); }, TOL_ERR_TIMEOUT},
      {"a binding longer than the list",
       [&](long id) { return Message(1, id, "\x30\x7F" + bad.substr(2)); }, TOL_ERR_TIMEOUT},
      {"a binding without an identifier",
       [&](long id) { return Message(1, id, BerTlv(0x30, BerTlv(0x40, "abcde"))); },
       TOL_ERR_TIMEOUT},
      {"a message cut short", [&](long id) { return Message(1, id, bad).substr(0, 20); },
       TOL_ERR_TIMEOUT},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FakeSnmpAgent agent([&k](const FakeRequest&, long requestId) { return k.datagram(requestId); });
    CDiscoNetSnmpBackend backend;
    backend.SetDefaultCredentials(Quick(CDiscoSnmpCredentials::kV2c));
    const CDiscoSnmpTarget target = TargetOf("127.0.0.1", agent.Port());
    TolSnmpValue value;
    std::string reason;
    EXPECT_EQ(k.code, backend.Get(target, good, &value, &reason)) << reason;
    EXPECT_EQ(k.code == TOL_ERR_TIMEOUT ? 0u : 1u,
              backend.ValueProblems(target.DeviceKey()).size());
    EXPECT_EQ(k.code == TOL_ERR_TIMEOUT ? 0 : 1, backend.Counters(target.DeviceKey()).responses);
  }
}

// Every cut and every changed octet of a message with a bad value is either refused or read
// into a consistent PDU, never read past its end (the sanitizer build checks that part).
TEST(NetSnmpUnreadableValue, CutAndCorruptedMessagesAreReadWithinBounds) {
  const std::string message =
      Message(1, 77,
              Binding(Row(kAddresses, 1), BerTlv(0x40, "abcd")) +
                  Binding(Row(kAddresses, 2), BerTlv(0x40, "abcde")) +
                  Binding(Row(kAddresses, 3), BerTlv(0x04, std::string(200, 'x'))));
  auto read = [](std::string octets, netsnmp_pdu* pdu,
                 std::vector<tolnetsnmp::UnreadableValue>* unreadable) {
    std::string why;
    // A copy of exactly its size, so that the sanitizer sees any read beyond it.
    std::unique_ptr<u_char[]> exact(new u_char[octets.size()]);
    std::copy(octets.begin(), octets.end(), exact.get());
    return tolnetsnmp::ParseResponseLeniently(exact.get(), octets.size(), SNMP_VERSION_2c, pdu,
                                              unreadable, &why);
  };
  auto count = [](const netsnmp_pdu* pdu) {
    size_t n = 0;
    for (const netsnmp_variable_list* v = pdu->variables; v; v = v->next_variable) ++n;
    return n;
  };
  {
    tolnetsnmp::PduPtr pdu(snmp_pdu_create(SNMP_MSG_GET));
    std::vector<tolnetsnmp::UnreadableValue> unreadable;
    ASSERT_TRUE(read(message, pdu.get(), &unreadable));
    EXPECT_EQ(77, pdu->reqid);
    EXPECT_EQ(SNMP_MSG_RESPONSE, pdu->command);
    EXPECT_EQ("public", std::string(reinterpret_cast<char*>(pdu->community), pdu->community_len));
    ASSERT_EQ(3u, count(pdu.get()));
    EXPECT_EQ(SNMP_NOSUCHINSTANCE, pdu->variables->next_variable->type);
    EXPECT_EQ(200u, pdu->variables->next_variable->next_variable->val_len);
    ASSERT_EQ(1u, unreadable.size());
    EXPECT_EQ(1u, unreadable[0].index);
  }
  for (size_t cut = 0; cut < message.size(); ++cut) {
    tolnetsnmp::PduPtr pdu(snmp_pdu_create(SNMP_MSG_GET));
    std::vector<tolnetsnmp::UnreadableValue> unreadable;
    EXPECT_FALSE(read(message.substr(0, cut), pdu.get(), &unreadable)) << "cut at " << cut;
    EXPECT_TRUE(unreadable.empty());
  }
  size_t accepted = 0;
  for (size_t at = 0; at < message.size(); ++at) {
    for (unsigned char octet : {0x00, 0x7F, 0x80, 0x84, 0xFF}) {
      std::string changed = message;
      changed[at] = static_cast<char>(octet);
      tolnetsnmp::PduPtr pdu(snmp_pdu_create(SNMP_MSG_GET));
      std::vector<tolnetsnmp::UnreadableValue> unreadable;
      if (!read(changed, pdu.get(), &unreadable)) continue;
      ++accepted;
      ASSERT_FALSE(unreadable.empty()) << "octet " << at;
      for (const auto& u : unreadable) EXPECT_LT(u.index, count(pdu.get())) << "octet " << at;
    }
  }
  EXPECT_GT(accepted, 0u);  // changed values still leave readable messages
}

// Three columns with one bad value each: before, each walk timed out and the third made the
// device given up; now each costs its row only.
TEST(NetSnmpUnreadableValue, BadValuesDoNotMakeTheDeviceGivenUp) {
  std::vector<FakeVarBind> rows;
  std::vector<Oid_t> columns;
  for (unsigned long c = 1; c <= 3; ++c) {
    columns.push_back({1, 3, 6, 1, 2, 1, 4, 20, 1, c});
    for (unsigned long i = 1; i <= 4; ++i) rows.push_back(Address(columns.back(), i));
    rows.back().content = "ab";
  }
  FakeSnmpAgent agent(FakeTable(rows));
  auto network = std::make_shared<CDiscoNetSnmpBackend>();
  network->SetDefaultCredentials(Quick(CDiscoSnmpCredentials::kV2c, 2));
  CDiscoFailFastBackend failFast(network);
  const CDiscoSnmpTarget target = TargetOf("127.0.0.1", agent.Port());
  for (const Oid_t& column : columns) {
    std::vector<TolSnmpRow> found;
    std::string reason;
    EXPECT_EQ(TOL_OK, failFast.Walk(target, column, &found, &reason)) << reason;
    EXPECT_EQ(3u, found.size());
  }
  EXPECT_FALSE(failFast.GivenUp(target.Key(), target.name));
  EXPECT_EQ(3u, network->ValueProblems(target.DeviceKey()).size());
}

}  // namespace
