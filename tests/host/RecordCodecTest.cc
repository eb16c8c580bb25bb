// CTolRecord::ROMEncode / ROMDecode: round trips and malformed input (fuzz/FuzzRecordCodec.cc
// takes arbitrary bytes).
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "host/CTolAtomVector.h"
#include "host/CTolRecord.h"
#include "host/TolTypes.h"

namespace {

std::string Encode(const CTolRecord& record) {
  std::string out;
  record.ROMEncode(&out);
  return out;
}

// Decodes from a heap buffer of exactly the input's size, so that any read past it is caught.
int Decode(const std::string& bytes, CTolRecord* record) {
  static const unsigned char kNone = 0;
  std::vector<unsigned char> exact(bytes.begin(), bytes.end());
  return record->ROMDecode(exact.empty() ? &kNone : exact.data(), static_cast<int>(exact.size()));
}

// Every kind of value, extreme integers, an empty name, an integer name, an absent value, an
// object holding a vector that holds an object.
CTolRecord* SampleRecord() {
  auto* record = new CTolRecord();
  record->RRAddValue(new CTolVarBind("m_IpAddress", "10.1.2.3"));
  for (long long extreme : {LLONG_MIN, LLONG_MAX}) {
    CTolAtom* big = CTolAtom::RAMakeInt64(extreme);
    record->RRAddValue(new CTolVarBind(extreme < 0 ? "m_Min" : "m_Max", &big));
  }
  record->RRAddValue(new CTolVarBind("", ""));
  const unsigned char octets[] = {0, 0x1a, 0, 0xff};
  CTolAtom bytes(octets, sizeof octets), nullValue;
  record->RRAddValue(new CTolVarBind(CTolAtom(17), &bytes));
  record->RRAddValue(new CTolVarBind("m_Absent", static_cast<const CTolAtom*>(nullptr)));
  record->RRAddValue(new CTolVarBind("m_Null", &nullValue));
  auto* vector = new CTolAtomVector(0);
  vector->RAVAddToEnd(new CTolAtom(new CTolVBList(record->RRValues())));
  vector->RAVAddToEnd(new CTolAtom("tag"));
  CTolAtom* object = new CTolAtom(new CTolVBList());
  CTolAtom* vectorAtom = new CTolAtom(vector);
  object->RAObject()->RVBLAddToListEnd(new CTolVarBind("m_Vec", &vectorAtom));
  record->RRAddValue(new CTolVarBind("m_Obj", &object));
  return record;
}

// A valid encoding of one field whose value is `levels` objects nested in each other.
std::string Nested(int levels) {
  std::string bytes = Encode(CTolRecord()).substr(0, 2) + std::string("\x01\x00", 2);
  for (int i = 0; i < levels; ++i) bytes += std::string("\x04\x01\x00", 3);
  return bytes + std::string(1, '\0');
}

}  // namespace

TEST(RecordCodecTest, RoundTripKeepsEveryTypeNameAndOrder) {
  std::unique_ptr<CTolRecord> original(SampleRecord());
  CTolRecord decoded;
  decoded.RRAddValue(new CTolVarBind("m_Stale", 1));  // replaced by the decode
  ASSERT_EQ(TOL_OK, Decode(Encode(*original), &decoded));
  EXPECT_TRUE(decoded.RRValues() == original->RRValues()) << decoded.RRPrintStr(true);
  EXPECT_EQ(LLONG_MIN, decoded.RRValueOf("m_Min")->RAInt64());
  EXPECT_EQ(nullptr, decoded.RRValueOf("m_Absent"));
  EXPECT_EQ(eTolNull, decoded.RRValueOf("m_Null")->RAType());
  ASSERT_EQ(TOL_OK, Decode(Encode(CTolRecord()), &decoded));  // an empty record round-trips too
  EXPECT_EQ(0, decoded.RRValues().RVBLLength());
}

TEST(RecordCodecTest, MalformedInputIsRefusedAndLeavesTheRecordEmpty) {
  CTolRecord one;
  one.RRAddValue(new CTolVarBind("m_A", "xy"));
  const std::string good = Encode(one);  // magic, version, 1 field: string "m_A", string "xy"
  struct Row {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"empty", ""},
      {"header only", good.substr(0, 2)},
      {"bad magic", std::string(1, '\0') + good.substr(1)},
      {"bad version", good.substr(0, 1) + "\x09" + good.substr(2)},
      {"trailing byte", good + "x"},
      {"unknown tag", good.substr(0, 3) + "\x07" + good.substr(4)},
      {"length past the end",
       good.substr(0, good.size() - 3) + "\x09" + good.substr(good.size() - 2)},
      {"NUL in a text", good.substr(0, good.size() - 2) + std::string("x\0", 2)},
      {"field count past the end", good.substr(0, 2) + "\x7f" + good.substr(3)},
      {"overlong varint", good.substr(0, 2) + std::string("\x81\x00", 2) + good.substr(3)},
      {"varint over 64 bits", good.substr(0, 2) + "\x01\x01" + std::string(9, '\xff') + "\x02\xff"},
      {"varint of 11 bytes", good.substr(0, 2) + "\x01\x01" + std::string(10, '\xff') + "\x01\xff"},
      {"absent marker as a name", good.substr(0, 2) + std::string("\x01\xff\x00", 3)},
      {"nesting too deep", Nested(100)},
  };
  for (const Row& row : rows) {
    CTolRecord record;
    record.RRAddValue(new CTolVarBind("m_Before", 1));
    EXPECT_EQ(TOL_ERR_PROTOCOL, Decode(row.bytes, &record)) << row.what;
    EXPECT_EQ(0, record.RRValues().RVBLLength()) << row.what;
  }
  // Every proper prefix of a valid encoding is truncated.
  const std::string sample = Encode(*std::unique_ptr<CTolRecord>(SampleRecord()));
  for (std::size_t n = 0; n < sample.size(); ++n) {
    CTolRecord record;
    EXPECT_EQ(TOL_ERR_PROTOCOL, Decode(sample.substr(0, n), &record)) << "prefix " << n;
  }
  CTolRecord record;
  EXPECT_EQ(TOL_ERR_NULL, record.ROMDecode(nullptr, 4));
  EXPECT_EQ(TOL_ERR_PROTOCOL,
            record.ROMDecode(reinterpret_cast<const unsigned char*>(good.data()), -1));
  // The bases of the table really are valid.
  EXPECT_EQ(TOL_OK, Decode(good, &record));
  EXPECT_EQ(TOL_OK, Decode(Nested(10), &record));
}
