#include "host/CDiscoSnmprecTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned char kLongSubId = 0xF0;  // sub-identifiers from here take 0xF0 + n, n bytes
constexpr size_t kReadBlock = size_t{1} << 20;
// The record of a line never takes more than the line's length plus this: a sub-identifier or an
// integer of d digits takes at most d bytes, a hex value half its digits, and the key's length,
// the value's kind and the value's length at most 21 bytes together.
constexpr size_t kRecordSlack = 32;
// Records are written into blocks of this size; an offset is block number * block size + position.
constexpr int kBlockBits = 20;
constexpr size_t kBlockBytes = size_t{1} << kBlockBits;
constexpr size_t kMaxBlocks = (size_t{1} << 32) >> kBlockBits;  // offsets are 32 bits

// Writes `v` so that encoded sequences compare bytewise as the numbers do (see the header).
// Returns the end; at most 9 bytes.
unsigned char* PutSubId(unsigned long long v, unsigned char* w) {
  if (v < kLongSubId) {
    *w++ = static_cast<unsigned char>(v);
    return w;
  }
  int n = 1;
  while (n < 8 && (v >> (8 * n)) != 0) ++n;
  *w++ = static_cast<unsigned char>(kLongSubId + n);
  for (int i = n - 1; i >= 0; --i) *w++ = static_cast<unsigned char>(v >> (8 * i));
  return w;
}

std::string EncodeKey(const std::vector<unsigned long>& oid) {
  std::string key(oid.size() * 9, '\0');
  unsigned char* begin = reinterpret_cast<unsigned char*>(&key[0]);
  unsigned char* w = begin;
  for (unsigned long s : oid) w = PutSubId(s, w);
  key.resize(static_cast<size_t>(w - begin));
  return key;
}

// Lengths and integers are LEB128: seven bits a byte, low bits first, high bit "more follows".
// At most 10 bytes.
unsigned char* PutLength(unsigned long long v, unsigned char* w) {
  while (v >= 0x80) {
    *w++ = static_cast<unsigned char>(v | 0x80);
    v >>= 7;
  }
  *w++ = static_cast<unsigned char>(v);
  return w;
}

unsigned long long ReadLength(const unsigned char** p) {
  unsigned long long v = 0;
  int shift = 0;
  unsigned char c;
  do {
    c = *(*p)++;
    v |= static_cast<unsigned long long>(c & 0x7F) << shift;
    shift += 7;
  } while (c & 0x80);
  return v;
}

// Signed integers go zig-zag first, so that small negative numbers stay short.
unsigned char* PutSigned(long long v, unsigned char* w) {
  const unsigned long long u = static_cast<unsigned long long>(v);
  return PutLength((u << 1) ^ (v < 0 ? ~0ull : 0ull), w);
}

long long ReadSigned(const unsigned char** p) {
  const unsigned long long z = ReadLength(p);
  return static_cast<long long>((z >> 1) ^ (~(z & 1) + 1));
}

void DecodeOid(const unsigned char* p, size_t size, std::vector<unsigned long>* oid) {
  // A key has at least one byte per sub-identifier: short keys decode on the stack first, so
  // that the vector is allocated once, at its size.
  unsigned long stack[128];
  const bool onStack = size <= 128;
  if (!onStack) oid->clear();
  size_t count = 0;
  for (const unsigned char* end = p + size; p < end;) {
    const unsigned char b = *p++;
    unsigned long v = b;
    if (b >= kLongSubId) {
      v = 0;
      for (int n = b - kLongSubId; n > 0; --n) v = v << 8 | *p++;
    }
    if (onStack) {
      stack[count++] = v;
    } else {
      oid->push_back(v);
    }
  }
  if (onStack) oid->assign(stack, stack + count);
}

// Reads the decimal digits at the start of [b, e) into `*v`. Returns the first byte after them
// (b when there are none), or null when the number exceeds `max`.
const char* ReadDigits(const char* b, const char* e, unsigned long long max,
                       unsigned long long* v) {
  const unsigned long long maxTenth = max / 10;
  const unsigned maxLast = static_cast<unsigned>(max % 10);
  unsigned long long n = 0;
  for (; b != e; ++b) {
    const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(*b)) - '0';
    if (d > 9) break;
    if (n > maxTenth || (n == maxTenth && d > maxLast)) return nullptr;
    n = n * 10 + d;
  }
  *v = n;
  return b;
}

// The whole of [b, e) is a decimal number of at most `max`: digits only, at least one.
bool ParseUnsigned(const char* b, const char* e, unsigned long long max, unsigned long long* v) {
  const char* end = ReadDigits(b, e, max, v);
  return end != nullptr && end != b && end == e;
}

// An INTEGER: an optional sign, then digits only; from -2^31 to 2^32-1: devices that number
// things past 2^31 (access nodes' ifIndex) send them as unsigned 32-bit values.
bool ParseInteger(const char* b, const char* e, long long* v) {
  const bool negative = b != e && *b == '-';
  if (b != e && (*b == '-' || *b == '+')) ++b;
  unsigned long long magnitude = 0;
  if (!ParseUnsigned(b, e, negative ? 2147483648ull : 4294967295ull, &magnitude)) return false;
  *v = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  return true;
}

// Parses dotted decimal sub-identifiers (a leading dot allowed, each below 2^32) and writes
// [length][key] at `w`, which has room for (e - b) + 11 bytes. Returns the end, or null.
unsigned char* PutOid(const char* b, const char* e, unsigned char* w) {
  if (b != e && *b == '.') ++b;
  if (b == e) return nullptr;
  unsigned char* key = w + 1;
  unsigned char* p = key;
  for (;;) {
    unsigned long long v = 0;
    const char* next = ReadDigits(b, e, 0xFFFFFFFFull, &v);
    if (next == nullptr || next == b) return nullptr;
    p = PutSubId(v, p);
    if (next == e) break;
    if (*next != '.' || next + 1 == e) return nullptr;
    b = next + 1;
  }
  const size_t length = static_cast<size_t>(p - key);
  if (length < 0x80) {
    *w = static_cast<unsigned char>(length);
    return p;
  }
  unsigned char prefix[10];  // rare: an OID of 128 bytes or more needs a longer length
  const size_t prefixLength = static_cast<size_t>(PutLength(length, prefix) - prefix);
  std::memmove(key + prefixLength - 1, key, length);
  std::memcpy(w, prefix, prefixLength);
  return p + prefixLength - 1;
}

int HexDigit(char c) {
  return (c >= '0' && c <= '9')   ? c - '0'
         : (c >= 'a' && c <= 'f') ? c - 'a' + 10
         : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                  : -1;
}

// Hex pairs, written as [length][octets]; `*count` is the number of octets. Null when bad.
unsigned char* PutHex(const char* b, const char* e, unsigned char* w, size_t* count) {
  const size_t digits = static_cast<size_t>(e - b);
  if (digits % 2 != 0) return nullptr;
  w = PutLength(digits / 2, w);
  for (; b != e; b += 2) {
    const int hi = HexDigit(b[0]), lo = HexDigit(b[1]);
    if (hi < 0 || lo < 0) return nullptr;
    *w++ = static_cast<unsigned char>(hi * 16 + lo);
  }
  *count = digits / 2;
  return w;
}

// The recorder's escaped text (type suffix 'e'): backslash escapes as in a Python string literal
// (\\ \' \" \a \b \f \n \r \t \v and \xHH), every other byte as it is. Written as
// [length][octets]; `*count` is the number of octets. Null when an escape is bad.
unsigned char* PutEscaped(const char* b, const char* e, unsigned char* w, size_t* count) {
  static const char kFrom[] = "\\'\"abfnrtv";
  static const char kTo[] = "\\'\"\a\b\f\n\r\t\v";
  std::string octets;
  octets.reserve(static_cast<size_t>(e - b));
  while (b != e) {
    const char c = *b++;
    if (c != '\\') {
      octets.push_back(c);
      continue;
    }
    if (b == e) return nullptr;
    const char k = *b++;
    if (k == 'x') {
      if (e - b < 2 || HexDigit(b[0]) < 0 || HexDigit(b[1]) < 0) return nullptr;
      octets.push_back(static_cast<char>(HexDigit(b[0]) * 16 + HexDigit(b[1])));
      b += 2;
      continue;
    }
    const char* at = std::strchr(kFrom, k);
    if (k == '\0' || at == nullptr) return nullptr;
    octets.push_back(kTo[at - kFrom]);
  }
  w = PutLength(octets.size(), w);
  std::memcpy(w, octets.data(), octets.size());
  *count = octets.size();
  return w + octets.size();
}

// Moves [*b, *e) past blanks (spaces, tabs) at both ends.
void Trim(const char** b, const char** e) {
  while (*b != *e && (**b == ' ' || **b == '\t')) ++*b;
  while (*e != *b && ((*e)[-1] == ' ' || (*e)[-1] == '\t')) --*e;
}

// "a.b.c.d", each part decimal at most 255, written as [4][four octets]. Null when bad.
unsigned char* PutIpText(const char* b, const char* e, unsigned char* w) {
  unsigned char octets[4];
  int parts = 0;
  if (b == e || *b == '.') return nullptr;
  for (;;) {
    unsigned long long v = 0;
    const char* next = ReadDigits(b, e, 255, &v);
    if (next == nullptr || next == b || parts == 4) return nullptr;
    octets[parts++] = static_cast<unsigned char>(v);
    if (next == e) break;
    if (*next != '.' || next + 1 == e) return nullptr;
    b = next + 1;
  }
  if (parts != 4) return nullptr;
  *w++ = 4;
  std::memcpy(w, octets, 4);
  return w + 4;
}

const unsigned char* RecordAt(const std::vector<std::vector<unsigned char>>& blocks,
                              uint32_t offset) {
  return blocks[offset >> kBlockBits].data() + (offset & (kBlockBytes - 1));
}

std::string_view KeyOfRecord(const unsigned char* record) {
  const size_t length = static_cast<size_t>(ReadLength(&record));
  return {reinterpret_cast<const char*>(record), length};
}

bool StartsWith(std::string_view key, std::string_view prefix) {
  return key.size() >= prefix.size() && key.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

// Parses lines into records written to blocks, noting whether they come in increasing OID order;
// Finish() sorts only when they did not.
class CDiscoSnmprecTable::Builder {
 public:
  // `textBytes`: the size of the text to come (kBlockBytes when unknown), in practice an upper
  // bound of the records' size: a small recording takes one block of its own size.
  explicit Builder(size_t textBytes)
      : m_BlockBytes(std::min(kBlockBytes, textBytes) + kRecordSlack) {}

  // Parses the lines of [b, e) that end with '\n', and with `last` the rest as a final line.
  // Returns where the unparsed rest starts (e when `last`), or null with `*error` set at the
  // first bad line.
  const char* AddLines(const char* b, const char* e, bool last, std::string* error) {
    while (b != e) {
      const size_t size = static_cast<size_t>(e - b);
      const char* newline = static_cast<const char*>(std::memchr(b, '\n', size));
      if (newline == nullptr && !last) break;
      const char* end = newline != nullptr ? newline : e;
      if (!AddLine(b, end, error)) return nullptr;
      b = newline != nullptr ? newline + 1 : e;
    }
    return b;
  }

  std::shared_ptr<const CDiscoSnmprecTable> Finish() {
    if (!m_Sorted) SortKeepingLastLines();
    if (!m_Blocks.empty()) {
      m_Blocks.back().resize(m_Used);
      m_Blocks.back().shrink_to_fit();
    }
    m_Offsets.shrink_to_fit();
    return std::shared_ptr<const CDiscoSnmprecTable>(new CDiscoSnmprecTable(
        std::move(m_Blocks), std::move(m_Offsets), std::move(m_Skipped), m_SkippedCount));
  }

 private:
  bool AddLine(const char* b, const char* e, std::string* error) {
    ++m_Line;
    if (b != e && e[-1] == '\r') --e;
    const char* first = b;
    while (first != e && (*first == ' ' || *first == '\t')) ++first;
    if (first == e || *first == '#') return true;
    std::string reason;
    switch (AddRecord(b, e, &reason)) {
      case Outcome::kAdded:
      case Outcome::kAbsent:
        return true;
      case Outcome::kTooLarge:
        if (error) *error = "line " + std::to_string(m_Line) + ": " + reason;
        return false;
      case Outcome::kLeftOut:
        break;
    }
    if (m_Skipped.size() < kSkipsKept) {
      const char* bar = static_cast<const char*>(std::memchr(b, '|', static_cast<size_t>(e - b)));
      std::string oid = bar != nullptr ? std::string(b, bar) : "";
      if (reason.rfind("bad OID", 0) == 0) oid.clear();  // the reason quotes it
      m_Skipped.push_back({m_Line, std::move(oid), std::move(reason)});
    }
    ++m_SkippedCount;
    return true;
  }

  enum class Outcome {
    kAdded,
    kAbsent,    // an exception recorded in place of a value (noSuchInstance...): no instance
    kLeftOut,   // `*reason` says what is wrong with the line
    kTooLarge,  // past what the table can hold: the whole recording fails
  };

  // "OID|type|value" into a record. The checks and their order are those of the format's
  // reasons: the OID, the type, the encoding allowed for the type, the encoded text, then the
  // value.
  Outcome AddRecord(const char* b, const char* e, std::string* reason) {
    const size_t size = static_cast<size_t>(e - b);
    const char* bar1 = static_cast<const char*>(std::memchr(b, '|', size));
    const char* bar2 = bar1 == nullptr ? nullptr
                                       : static_cast<const char*>(std::memchr(
                                             bar1 + 1, '|', static_cast<size_t>(e - bar1 - 1)));
    if (bar2 == nullptr) {
      *reason = "expected OID|type|value";
      return Outcome::kLeftOut;
    }
    unsigned char* record = Room(size);
    if (record == nullptr) {
      *reason = "recording too large";
      return Outcome::kTooLarge;
    }
    unsigned char* w = PutOid(b, bar1, record);
    if (w == nullptr) {
      *reason = "bad OID '" + std::string(b, bar1) + "'";
      return Outcome::kLeftOut;
    }

    const char* type = bar1 + 1;
    const char last = type != bar2 ? bar2[-1] : '\0';
    const char encoding = last == 'x' || last == 'X' ? 'x' : last == 'e' ? 'e' : '\0';
    const char* tagEnd = encoding != '\0' ? bar2 - 1 : bar2;
    unsigned long long tag = 0;
    if (!ParseUnsigned(type, tagEnd, 255, &tag)) {
      *reason = "bad type '" + std::string(type, bar2) + "'";
      return Outcome::kLeftOut;
    }
    if (tag >= 128 && tag <= 130) return Outcome::kAbsent;
    if (encoding != '\0' && tag != 4 && tag != 64 && tag != 68) {
      *reason = std::string(encoding == 'x' ? "hex" : "escaped") + " value not allowed for type " +
                std::string(type, tagEnd);
      return Outcome::kLeftOut;
    }
    const char* value = bar2 + 1;
    const char* bad = PutValue(static_cast<unsigned>(tag), encoding, value, e, &w);
    if (bad != nullptr) {
      *reason = bad[0] == '\0' ? "unsupported type " + std::string(type, tagEnd)
                               : std::string(bad) + " '" + std::string(value, e) + "'";
      return Outcome::kLeftOut;
    }
    if (m_Sorted && !m_Offsets.empty() &&
        KeyOfRecord(RecordAt(m_Blocks, m_Offsets.back())) >= KeyOfRecord(record)) {
      m_Sorted = false;
    }
    m_Offsets.push_back(static_cast<uint32_t>(((m_Blocks.size() - 1) << kBlockBits) + m_Used));
    m_Used = static_cast<size_t>(w - m_Blocks.back().data());
    return Outcome::kAdded;
  }

  // Where the record of a line of `lineSize` bytes is written: after the last record when it
  // has room, else at the start of a new block. Null when the offsets would pass 32 bits.
  unsigned char* Room(size_t lineSize) {
    const size_t needed = lineSize + kRecordSlack;
    if (m_Blocks.empty() || m_Used >= kBlockBytes || m_Blocks.back().size() - m_Used < needed) {
      if (m_Blocks.size() == kMaxBlocks) return nullptr;
      if (!m_Blocks.empty()) m_Blocks.back().resize(m_Used);  // the unused end: under a line
      m_Blocks.emplace_back(std::max(needed, m_BlockBytes));
      m_BlockBytes = kBlockBytes;  // only the first block follows the size hint
      m_Used = 0;
    }
    return m_Blocks.back().data() + m_Used;
  }

  // Writes [kind][value] at `*w` and moves it past. `encoding` is 'x' (hex), 'e' (escaped text)
  // or '\0' (as it is). Returns null, or what is wrong with the value ("" for a type that is not
  // supported). Numbers, addresses and OIDs may have blanks around them, as the recorder's own
  // reader strips them.
  static const char* PutValue(unsigned tag, char encoding, const char* b, const char* e,
                              unsigned char** w) {
    unsigned long long u = 0;
    size_t octets = 0;
    unsigned char*& p = *w;
    if (tag != 4 && tag != 68 && encoding == '\0') Trim(&b, &e);
    switch (tag) {
      case 2: {
        long long s = 0;
        if (!ParseInteger(b, e, &s)) return "bad INTEGER";
        *p++ = TolSnmpValue::kInteger;
        p = PutSigned(s, p);
        return nullptr;
      }
      case 4:
      case 68:
        *p++ = tag == 4 ? TolSnmpValue::kOctetString : TolSnmpValue::kOpaque;
        if (encoding == 'x') {
          return (p = PutHex(b, e, p, &octets)) != nullptr ? nullptr : "bad hex value";
        }
        if (encoding == 'e') {
          return (p = PutEscaped(b, e, p, &octets)) != nullptr ? nullptr : "bad escaped value";
        }
        p = PutLength(static_cast<unsigned long long>(e - b), p);
        std::memcpy(p, b, static_cast<size_t>(e - b));
        p += e - b;
        return nullptr;
      case 5:
        *p++ = TolSnmpValue::kNull;
        return nullptr;
      case 6:
        *p++ = TolSnmpValue::kObjectId;
        return (p = PutOid(b, e, p)) != nullptr ? nullptr : "bad OBJECT IDENTIFIER";
      case 64:
        *p++ = TolSnmpValue::kIpAddress;
        if (encoding == '\0') {
          return (p = PutIpText(b, e, p)) != nullptr ? nullptr : "bad IpAddress";
        }
        p = encoding == 'x' ? PutHex(b, e, p, &octets) : PutEscaped(b, e, p, &octets);
        if (p == nullptr) return encoding == 'x' ? "bad hex value" : "bad escaped value";
        return octets == 4 ? nullptr : "bad IpAddress";
      case 65:
      case 66:
      case 67:
        if (!ParseUnsigned(b, e, 0xFFFFFFFFull, &u)) return "bad unsigned 32-bit value";
        *p++ = tag == 65   ? TolSnmpValue::kCounter32
               : tag == 66 ? TolSnmpValue::kUnsigned
                           : TolSnmpValue::kTimeTicks;
        p = PutSigned(static_cast<long long>(u), p);
        return nullptr;
      case 70:
        if (!ParseUnsigned(b, e, ~0ull, &u)) return "bad Counter64";
        *p++ = TolSnmpValue::kCounter64;
        // Values above 2^63-1 wrap, as in a signed atom.
        p = PutSigned(static_cast<long long>(u), p);
        return nullptr;
      default:
        return "";
    }
  }

  // Sorts the index by key; of the lines of a repeated OID, the last (highest offset) stays.
  void SortKeepingLastLines() {
    const Blocks& blocks = m_Blocks;
    std::sort(m_Offsets.begin(), m_Offsets.end(), [&blocks](uint32_t a, uint32_t b) {
      const int c = KeyOfRecord(RecordAt(blocks, a)).compare(KeyOfRecord(RecordAt(blocks, b)));
      return c < 0 || (c == 0 && a < b);
    });
    size_t kept = 0;
    for (size_t i = 0; i < m_Offsets.size(); ++i) {
      if (i + 1 < m_Offsets.size() && KeyOfRecord(RecordAt(blocks, m_Offsets[i])) ==
                                          KeyOfRecord(RecordAt(blocks, m_Offsets[i + 1]))) {
        continue;
      }
      m_Offsets[kept++] = m_Offsets[i];
    }
    m_Offsets.resize(kept);
  }

  size_t m_BlockBytes;  // of the next new block, unless a line needs more
  Blocks m_Blocks;
  size_t m_Used = 0;                // bytes of records in the last block
  std::vector<uint32_t> m_Offsets;  // in line order until sorted
  size_t m_Line = 0;
  bool m_Sorted = true;                      // every key so far above the one before
  std::vector<CDiscoSnmprecSkip> m_Skipped;  // the first kSkipsKept lines left out
  size_t m_SkippedCount = 0;
};

std::shared_ptr<const CDiscoSnmprecTable> CDiscoSnmprecTable::Parse(std::string_view text,
                                                                    std::string* error) {
  Builder builder(text.size());
  if (!builder.AddLines(text.data(), text.data() + text.size(), true, error)) return nullptr;
  return builder.Finish();
}

std::shared_ptr<const CDiscoSnmprecTable> CDiscoSnmprecTable::ParseFile(const std::string& path,
                                                                        std::string* error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  struct stat info;
  if (!file || fstat(fileno(file.get()), &info) != 0) {
    if (error) *error = "cannot read " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  Builder builder(S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) : kBlockBytes);
  std::vector<char> block(kReadBlock);
  size_t held = 0;  // an unfinished line carried over at the start of `block`
  for (;;) {
    if (held == block.size()) block.resize(block.size() * 2);  // a line longer than a block
    const size_t got = std::fread(block.data() + held, 1, block.size() - held, file.get());
    if (got == 0) break;
    const char* end = block.data() + held + got;
    const char* rest = builder.AddLines(block.data(), end, false, error);
    if (rest == nullptr) return nullptr;
    held = static_cast<size_t>(end - rest);
    std::memmove(block.data(), rest, held);
  }
  if (std::ferror(file.get())) {
    if (error) *error = "cannot read " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (!builder.AddLines(block.data(), block.data() + held, true, error)) return nullptr;
  return builder.Finish();
}

std::string_view CDiscoSnmprecTable::KeyAt(size_t index) const {
  return KeyOfRecord(RecordAt(m_Blocks, m_Offsets[index]));
}

size_t CDiscoSnmprecTable::LowerBound(std::string_view key) const {
  size_t lo = 0, hi = Size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (KeyAt(mid) < key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

bool CDiscoSnmprecTable::Get(const std::vector<unsigned long>& oid, TolSnmpValue* value) const {
  const std::string key = EncodeKey(oid);
  const size_t i = LowerBound(key);
  if (i == Size() || KeyAt(i) != key) return false;
  if (value) Decode(i, nullptr, value);
  return true;
}

void CDiscoSnmprecTable::Walk(const std::vector<unsigned long>& prefix,
                              std::vector<TolSnmpRow>* rows) const {
  const std::string key = EncodeKey(prefix);
  size_t lo = LowerBound(key);
  if (lo < Size() && KeyAt(lo) == key) ++lo;
  // The rows under the prefix are the run from `lo` whose keys start with it.
  size_t hi = Size();
  for (size_t from = lo; from < hi;) {
    const size_t mid = from + (hi - from) / 2;
    if (StartsWith(KeyAt(mid), key)) {
      from = mid + 1;
    } else {
      hi = mid;
    }
  }
  rows->reserve(rows->size() + (hi - lo));
  for (size_t i = lo; i < hi; ++i) {
    rows->emplace_back();
    Decode(i, &rows->back().oid, &rows->back().value);
  }
}

void CDiscoSnmprecTable::Row(size_t index, TolSnmpRow* row) const {
  Decode(index, &row->oid, &row->value);
}

void CDiscoSnmprecTable::Decode(size_t index, std::vector<unsigned long>* oid,
                                TolSnmpValue* value) const {
  const unsigned char* p = RecordAt(m_Blocks, m_Offsets[index]);
  const size_t keyLength = static_cast<size_t>(ReadLength(&p));
  if (oid) DecodeOid(p, keyLength, oid);
  p += keyLength;
  if (!value) return;
  value->integer = 0;
  value->bytes.clear();
  value->oid.clear();
  value->kind = static_cast<TolSnmpValue::Kind>(*p++);
  switch (value->kind) {
    case TolSnmpValue::kInteger:
    case TolSnmpValue::kUnsigned:
    case TolSnmpValue::kCounter32:
    case TolSnmpValue::kCounter64:
    case TolSnmpValue::kTimeTicks:
      value->integer = ReadSigned(&p);
      break;
    case TolSnmpValue::kOctetString:
    case TolSnmpValue::kIpAddress:
    case TolSnmpValue::kOpaque: {
      const size_t n = static_cast<size_t>(ReadLength(&p));
      value->bytes.assign(reinterpret_cast<const char*>(p), n);
      break;
    }
    case TolSnmpValue::kObjectId: {
      const size_t n = static_cast<size_t>(ReadLength(&p));
      DecodeOid(p, n, &value->oid);
      break;
    }
    case TolSnmpValue::kNull:
      break;
  }
}
