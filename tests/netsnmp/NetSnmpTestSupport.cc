#include "netsnmp/NetSnmpTestSupport.h"

#include <algorithm>

#include "host/CDiscoSnmprecBackend.h"
#include "host/TolOidTable.h"

std::vector<unsigned long> Oid(const std::string& dotted) {
  std::vector<unsigned long> oid;
  EXPECT_TRUE(TolResolveOid(dotted.c_str(), &oid)) << dotted;
  return oid;
}

std::vector<TolSnmpRow> RecordedRows(const std::string& snmprec,
                                     const std::vector<unsigned long>& column) {
  std::vector<TolSnmpRow> all, under;
  std::string error;
  EXPECT_TRUE(TolParseSnmprec(snmprec, &all, &error)) << error;
  for (TolSnmpRow& row : all) {
    if (row.oid.size() > column.size() &&
        std::equal(column.begin(), column.end(), row.oid.begin())) {
      under.push_back(std::move(row));
    }
  }
  return under;
}

namespace {
std::string Dotted(const std::vector<unsigned long>& oid) {
  std::string s;
  for (unsigned long v : oid) s += (s.empty() ? "" : ".") + std::to_string(v);
  return s;
}
}  // namespace

void ExpectSameValue(const TolSnmpValue& expected, const TolSnmpValue& actual,
                     const std::string& where) {
  EXPECT_EQ(expected.kind, actual.kind) << where;
  EXPECT_EQ(expected.integer, actual.integer) << where;
  EXPECT_EQ(expected.bytes, actual.bytes) << where;
  EXPECT_EQ(expected.oid, actual.oid) << where;
}

void ExpectSameRows(const std::vector<TolSnmpRow>& expected,
                    const std::vector<TolSnmpRow>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(Dotted(expected[i].oid), Dotted(actual[i].oid)) << "row " << i;
    ExpectSameValue(expected[i].value, actual[i].value, Dotted(expected[i].oid));
    if (::testing::Test::HasFailure()) return;  // one bad row says enough
  }
}
