// .snmprec recordings: parsing (good rows, errors) and the replay backend's Get and Walk.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/CDiscoSnmprecBackend.h"
#include "host/CDiscoSnmprecTable.h"
#include "host/TolTypes.h"
#include "support/SnmpValues.h"
#include "support/TempDir.h"

namespace {

// The shared table of every value type, as the replay backend parses it.
TEST(SnmprecParse, EveryValueTypeGivesItsKindAndValue) {
  std::vector<TolSnmpRow> rows;
  std::string error;
  ASSERT_TRUE(TolParseSnmprec(SnmpValueRecording(), &rows, &error)) << error;
  ASSERT_EQ(rows.size(), kSnmpValueRows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(ValueText(rows[i].value), ValueText(kSnmpValueRows[i].expected))
        << kSnmpValueRows[i].line;
  }
}

TEST(SnmprecParse, BadLinesNameTheLine) {
  const struct {
    const char* line;
    const char* reason;
  } kErrors[] = {
      {"1.3.6.1", "expected OID|type|value"},
      {"1.3.6.1|2", "expected OID|type|value"},
      {"1.3..6|2|1", "bad OID"},
      {"1.3.6.|2|1", "bad OID"},
      {"|2|1", "bad OID"},
      {"1.3.6.x|2|1", "bad OID"},
      {"1.3.6.1|two|1", "bad type"},
      {"1.3.6.1||1", "bad type"},
      {"1.3.6.1|4y|00", "bad type"},
      {"1.3.6.1|7|1", "unsupported type 7"},
      {"1.3.6.1|2x|00", "hex value not allowed"},
      {"1.3.6.1|6x|2b06", "hex value not allowed"},
      {"1.3.6.1|2e|1", "escaped value not allowed"},
      {"1.3.6.1|4e|a\\qb", "bad escaped value"},
      {"1.3.6.1|4e|a\\x4", "bad escaped value"},
      {"1.3.6.1|64e|\\x0a\\x00", "bad IpAddress"},
      {"1.3.6.1|4x|0g", "bad hex"},
      {"1.3.6.1|4x|001", "bad hex"},
      {"1.3.6.1|2|4294967296", "bad INTEGER"},
      {"1.3.6.1|2|-2147483649", "bad INTEGER"},
      {"1.3.6.1|2|12abc", "bad INTEGER"},
      {"1.3.6.1|2|", "bad INTEGER"},
      {"1.3.6.1|65|-1", "bad unsigned"},
      {"1.3.6.1|66|4294967296", "bad unsigned"},
      {"1.3.6.1|66|", "bad unsigned"},
      {"1.3.6.1|64|", "bad IpAddress"},
      {"1.3.6.1|64|10.0.0.256", "bad IpAddress"},
      {"1.3.6.1|64|10.0.0", "bad IpAddress"},
      {"1.3.6.1|64x|0a0000", "bad IpAddress"},
      {"1.3.6.1|6|1.3.x", "bad OBJECT IDENTIFIER"},
      {"1.3.6.1|70|18446744073709551616", "bad Counter64"},
  };
  for (const auto& e : kErrors) {
    // Two good lines, a comment and a blank line come first: the bad line is line 5, and a good
    // one follows it.
    std::string text =
        "1.3.6.1.1|2|1\n# note\n\n1.3.6.1.2|4|x\n" + std::string(e.line) + "\n1.3.6.1.3|2|3\n";
    std::string error;
    EXPECT_FALSE(TolParseSnmprec(text, nullptr, &error)) << e.line;
    EXPECT_EQ(error.rfind("line 5: ", 0), 0u) << error;
    EXPECT_NE(error.find(e.reason), std::string::npos) << error;
    // The backend leaves the line out and goes on: the rest is answered, the line is named.
    CDiscoSnmprecBackend backend;
    ASSERT_TRUE(backend.AddDevice("127.0.0.1", text, &error)) << error;
    std::vector<TolSnmpRow> rows;
    ASSERT_EQ(backend.Walk(TargetOf("127.0.0.1"), {1, 3, 6, 1}, &rows, nullptr), 1);
    EXPECT_EQ(rows.size(), 3u) << e.line;
    const std::vector<std::string> problems = backend.Problems("127.0.0.1");
    ASSERT_EQ(problems.size(), 1u) << e.line;
    EXPECT_EQ(problems[0].rfind("line 5: ", 0), 0u) << problems[0];
    EXPECT_NE(problems[0].find(e.reason), std::string::npos) << problems[0];
  }
}

// The forms the recorder writes besides plain text, and every width a device sends. (Hex
// IpAddress and the top Counter64 are rows of the shared value table above.)
TEST(SnmprecParse, EncodedFormsAndFullWidths) {
  std::vector<TolSnmpRow> rows;
  std::string error;
  ASSERT_TRUE(
      TolParseSnmprec("1.1|4e|a\\x00\\tb\\\\c\\'\\n\n"
                      "1.2|64e|\\x0a\\x01\\x02\\x03\n"
                      "1.4|2|4294967295\n"
                      "1.5|2| -7 \n"
                      "1.6|129|\n"
                      "1.8|6|1.3.6.1.4294967295\n"
                      "1.9|67|4294967295\n"
                      "1.10|68e|\\x9f\n",
                      &rows, &error))
      << error;
  ASSERT_EQ(rows.size(), 7u);  // noSuchInstance records no instance
  EXPECT_EQ(rows[0].value.bytes, std::string("a\0\tb\\c'\n", 8));
  EXPECT_EQ(rows[1].value.bytes, "\x0a\x01\x02\x03");
  EXPECT_EQ(rows[2].value.integer, 4294967295LL);
  EXPECT_EQ(rows[3].value.integer, -7);
  EXPECT_EQ(rows[4].value.oid, (std::vector<unsigned long>{1, 3, 6, 1, 4294967295ul}));
  EXPECT_EQ(rows[5].value.integer, 4294967295LL);
  EXPECT_EQ(rows[6].value.kind, TolSnmpValue::kOpaque);
  EXPECT_EQ(rows[6].value.bytes, "\x9f");
}

TEST(SnmprecParse, ToleratesCrLfCommentsAndSortsLastLineWinning) {
  std::vector<TolSnmpRow> rows;
  std::string error;
  ASSERT_TRUE(
      TolParseSnmprec("# sw1\r\n1.3.6.1.2.10|4|ten\r\n   \r\n.1.3.6.1.2.2|4|two\r\n"
                      "1.3.6.1.2.10|4|TEN\r\n",
                      &rows, &error))
      << error;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].oid, (std::vector<unsigned long>{1, 3, 6, 1, 2, 2}));  // numeric order
  EXPECT_EQ(rows[1].value.bytes, "TEN");
}

TEST(SnmprecBackend, GetWalkAndDeviceKeys) {
  CDiscoSnmprecBackend backend;
  std::string error, reason;
  ASSERT_TRUE(backend.AddDevice("127.0.0.1",
                                "1.3.6.1.2.1.2.2.1.2|4|the column itself\n"
                                "1.3.6.1.2.1.2.2.1.2.1|4|one\n1.3.6.1.2.1.2.2.1.2.1001|4|1001\n"
                                "1.3.6.1.2.1.2.2.1.20.1|2|0\n",
                                &error));
  ASSERT_TRUE(backend.AddDevice("127.0.0.2", "1.3.6.1.2.1.1.5.0|4|on-162\n", &error, 162));
  std::vector<TolSnmpRow> rows;
  ASSERT_EQ(backend.Walk(TargetOf("127.0.0.1", 1161), {1, 3, 6, 1, 2, 1, 2, 2, 1, 2}, &rows, 0), 1);
  ASSERT_EQ(rows.size(), 2u);  // strictly under the column, not column .20
  EXPECT_EQ(rows[0].value.bytes, "one");
  EXPECT_EQ(rows[1].value.bytes, "1001");
  TolSnmpValue v;
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.1"), {1, 3, 6, 1, 2, 1, 2, 2, 1, 2, 1}, &v, &reason), 1);
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.1"), {1, 3, 6, 1, 2, 1, 2, 2, 1}, &v, &reason),
            TOL_ERR_FAILED);
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.2", 162), {1, 3, 6, 1, 2, 1, 1, 5, 0}, &v, &reason), 1);
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.2", 161), {1, 3, 6, 1, 2, 1, 1, 5, 0}, &v, &reason),
            TOL_ERR_TIMEOUT);
  EXPECT_NE(reason.find("127.0.0.2:161"), std::string::npos) << reason;
  EXPECT_EQ(backend.Walk(TargetOf("127.0.0.9"), {1, 3}, &rows, &reason), TOL_ERR_TIMEOUT);
  EXPECT_EQ(backend.RequestCount(), 6);
  // A device that cannot be keyed registers nothing.
  EXPECT_FALSE(backend.AddDevice("127.0.0.3", "1.3.6.1.1|2|1\n", &error, 70000));
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.3"), {1, 3, 6, 1, 1}, &v, nullptr), TOL_ERR_TIMEOUT);
  EXPECT_FALSE(backend.AddDeviceFile("127.0.0.3", "/nonexistent/sw.snmprec", &error));
}

std::vector<unsigned long> Sub(std::vector<unsigned long> oid, std::vector<unsigned long> tail) {
  oid.insert(oid.end(), tail.begin(), tail.end());
  return oid;
}

// Sub-identifiers from 240 on and OIDs of 128 bytes or more take the long forms of the backend's
// compact encoding: numeric order, walk boundaries and values must not depend on the form.
TEST(SnmprecBackend, LongSubIdentifiersKeepNumericOrderAndSubtreeBoundaries) {
  const std::vector<unsigned long> base = {1, 3, 6, 1, 4, 1, 9};
  std::vector<unsigned long> longOid = Sub(base, {4294967295});
  std::string longText = "1.3.6.1.4.1.9.4294967295";
  for (unsigned long i = 0; i < 40; ++i) {
    longOid.push_back(4000000000ul + i);
    longText += "." + std::to_string(4000000000ul + i);
  }
  CDiscoSnmprecBackend backend;
  std::string error;
  ASSERT_TRUE(backend.AddDevice("127.0.0.1",
                                "1.3.6.1.4.1.9.2400.1|2|7\n1.3.6.1.4.1.9.65536|2|8\n"
                                "1.3.6.1.4.1.9.240.1|2|3\n1.3.6.1.4.1.9.239|2|2\n" +
                                    longText + "|6|" + longText +
                                    "\n1.3.6.1.4.1.9.4294967295|2|9\n1.3.6.1.4.1.9.256|2|5\n"
                                    "1.3.6.1.4.1.9.255|2|4\n1.3.6.1.4.1.9.240.2|2|6\n",
                                &error))
      << error;
  std::vector<TolSnmpRow> rows;
  ASSERT_EQ(backend.Walk(TargetOf("127.0.0.1"), base, &rows, nullptr), 1);
  const std::vector<std::vector<unsigned long>> order = {
      Sub(base, {239}),   Sub(base, {240, 1}),     Sub(base, {240, 2}),
      Sub(base, {255}),   Sub(base, {256}),        Sub(base, {2400, 1}),
      Sub(base, {65536}), Sub(base, {4294967295}), longOid};
  ASSERT_EQ(rows.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(rows[i].oid, order[i]) << i;
  EXPECT_EQ(rows.back().value.oid, longOid);

  ASSERT_EQ(backend.Walk(TargetOf("127.0.0.1"), Sub(base, {240}), &rows, nullptr), 1);
  ASSERT_EQ(rows.size(), 2u);  // not 2400.1
  EXPECT_EQ(rows[1].value.integer, 6);
  ASSERT_EQ(backend.Walk(TargetOf("127.0.0.1"), Sub(base, {4294967295}), &rows, nullptr), 1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].oid, longOid);

  TolSnmpValue v;
  v.bytes = "stale";
  ASSERT_EQ(backend.Get(TargetOf("127.0.0.1"), Sub(base, {256}), &v, nullptr), 1);
  EXPECT_EQ(ValueText(v), ValueText({TolSnmpValue::kInteger, 5, "", {}}));  // replaced whole
  // 2^32 + 239 is no alias of 239, and an absent prefix of rows is no instance.
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.1"), Sub(base, {4294967296ul + 239}), &v, nullptr),
            TOL_ERR_FAILED);
  EXPECT_EQ(backend.Get(TargetOf("127.0.0.1"), Sub(base, {240}), &v, nullptr), TOL_ERR_FAILED);
}

// A recording file bigger than the blocks it is read in: in order but for a repeated OID, CR LF
// line ends, no final newline, one line longer than a read block.
TEST(SnmprecBackend, RecordingFileReadInBlocks) {
  const int kRows = 60000, kRepeated = 30000, kLong = 40000;
  std::string text = "# recorded\r\n";
  for (int i = 1; i <= kRows; ++i) {
    text += "1.3.6.1.4.1.9.1." + std::to_string(i);
    text += i == kLong ? "|4|" + std::string(3 << 20, 'x') : "|2|" + std::to_string(i);
    text += i == kRows ? "" : "\r\n";
    if (i == kRepeated) text += "1.3.6.1.4.1.9.1." + std::to_string(i) + "|2|-1\r\n";
  }
  TempDir dir;
  const std::string path = dir.Write("sw.snmprec", text);
  CDiscoSnmprecBackend backend;
  std::string error;
  EXPECT_TRUE(backend.AddDeviceFile("127.0.0.1", path, &error)) << error;
  std::vector<TolSnmpRow> rows;
  EXPECT_EQ(backend.Walk(TargetOf("127.0.0.1"), {1, 3, 6, 1, 4, 1, 9, 1}, &rows, nullptr), 1);
  EXPECT_EQ(rows.size(), static_cast<size_t>(kRows));
  for (size_t i = 0; i < rows.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    ASSERT_EQ(rows[i].oid.back(), i + 1);
    if (n == kLong) {
      EXPECT_EQ(rows[i].value.bytes, std::string(3 << 20, 'x'));
    } else {
      ASSERT_EQ(rows[i].value.integer, n == kRepeated ? -1 : n) << n;
    }
  }
  // Lines are counted across blocks: the comment, the rows and the repeat come first. Past the
  // lines kept, the rest are counted.
  std::string tail = "\n1.3.6.1.4.1.9.2|2|x\n";
  for (size_t i = 0; i < CDiscoSnmprecTable::kSkipsKept + 2; ++i) tail += "1.3.6.1.4.1.9.3|66|\n";
  const std::string bad = dir.Write("bad.snmprec", text + tail);
  EXPECT_TRUE(backend.AddDeviceFile("127.0.0.2", bad, &error)) << error;
  const std::vector<std::string> problems = backend.Problems("127.0.0.2");
  ASSERT_EQ(problems.size(), CDiscoSnmprecTable::kSkipsKept + 1);
  EXPECT_EQ(problems[0],
            bad + ":" + std::to_string(kRows + 3) + ": 1.3.6.1.4.1.9.2: bad INTEGER 'x'");
  EXPECT_EQ(problems.back(), bad + ": 3 more lines left out");
}

// An unpinned recording is checked when added, read when asked, and read again after Release:
// a file broken in between fails the request with the reason, and a pinned one never rereads.
TEST(SnmprecBackend, UnpinnedRecordingsAreReadWhenAskedAndAgainAfterRelease) {
  TempDir dir;
  const std::string path = dir.Write("sw.snmprec", "1.3.6.1.2.1.1.5.0|4|first\n");
  const std::string pinnedPath = dir.Write("pinned.snmprec", "1.3.6.1.2.1.1.5.0|4|kept\n");
  CDiscoSnmprecBackend backend;
  std::string error;
  ASSERT_TRUE(backend.AddDeviceFile("127.0.0.1", path, &error, -1, false)) << error;
  ASSERT_TRUE(backend.AddDeviceFile("127.0.0.2", pinnedPath, &error, -1, true)) << error;
  auto sysName = [&](const char* address, std::string* reason) {
    TolSnmpValue value;
    int rc = backend.Get(TargetOf(address), {1, 3, 6, 1, 2, 1, 1, 5, 0}, &value, reason);
    return rc == 1 ? value.bytes : "rc " + std::to_string(rc);
  };
  std::string reason;
  EXPECT_EQ(sysName("127.0.0.1", &reason), "first");
  dir.Write("sw.snmprec", "1.3.6.1.2.1.1.5.0|4|second\n");
  EXPECT_EQ(sysName("127.0.0.1", &reason), "first");  // held until released
  backend.Release("127.0.0.1");
  EXPECT_EQ(sysName("127.0.0.1", &reason), "second");
  std::remove(path.c_str());
  std::remove(pinnedPath.c_str());
  backend.Release("127.0.0.1");
  backend.Release("127.0.0.2");
  EXPECT_EQ(sysName("127.0.0.1", &reason), "rc " + std::to_string(TOL_ERR_FAILED));
  EXPECT_EQ(reason.rfind("recording " + path + ": cannot read " + path, 0), 0u) << reason;
  EXPECT_EQ(sysName("127.0.0.2", &reason), "kept");
}

}  // namespace
