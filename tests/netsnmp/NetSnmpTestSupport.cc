#include "netsnmp/NetSnmpTestSupport.h"

#include <algorithm>

#include "host/CDiscoSnmprecBackend.h"
#include "host/TolOidTable.h"

CDiscoSnmpCredentials Community(const std::string& community,
                                CDiscoSnmpCredentials::Version version) {
  CDiscoSnmpCredentials c;
  c.version = version;
  c.community = community;
  c.timeoutMs = 2000;
  c.retries = 1;
  return c;
}

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

void ExpectSameRows(const std::vector<TolSnmpRow>& expected,
                    const std::vector<TolSnmpRow>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {  // the first bad row says enough
    ASSERT_EQ(DottedText(expected[i].oid) + " = " + ValueText(expected[i].value),
              DottedText(actual[i].oid) + " = " + ValueText(actual[i].value))
        << "row " << i;
  }
}
