// The instances of one .snmprec recording, parsed once into a compact, immutable, sorted form: the
// replay backend's store. A big switch's recording (millions of lines) costs a few tens of bytes
// per instance and is parsed in one pass without ever holding its whole text.
//
// Layout: records, each [key length][key][value kind][value], written one after the other into
// blocks of 1 MiB (no huge buffer is ever grown and copied), and an index of 32-bit record offsets
// in key order (so at most 4 GiB of records). A key is the instance's OID with each
// sub-identifier encoded order-preservingly (below 0xF0 one byte; otherwise 0xF0 + n followed by
// its n big-endian bytes, n minimal), so that comparing keys bytewise compares OIDs numerically,
// and a key that starts with the bytes of another key is under that OID. Immutable once built:
// safe to share between threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/TolSnmpValue.h"

// A line of a recording that the table left out, as if its instance had not been recorded.
struct CDiscoSnmprecSkip {
  size_t line = 0;     // 1-based
  std::string oid;     // the OID as written; "" when the line has none that can be read
  std::string reason;  // "bad IpAddress ''", "expected OID|type|value", ...
};

class CDiscoSnmprecTable {
 public:
  // Parses .snmprec text (format: CDiscoSnmprecBackend.h): '\n'-separated lines, an optional '\r'
  // before the '\n', blank lines and '#' comments ignored. A line that cannot be read (no
  // OID|type|value, a bad OID, an unknown type, a value that does not fit its type) is left out
  // and noted in Skipped(): one bad value costs that instance only. Lines of the types noSuchObject
  // (128), noSuchInstance (129) and endOfMibView (130) record an absent instance and are left out
  // silently. Returns the table, or null with `*error` (may be null) only when the text is past
  // what the table can hold ("recording too large": 4 GiB of records). A repeated OID keeps its
  // last line. Input already in OID order (as the recorder writes it) is not sorted again.
  static std::shared_ptr<const CDiscoSnmprecTable> Parse(std::string_view text, std::string* error);
  // The same from the file at `path`, read in blocks: the whole text is never held in memory.
  // Null with "cannot read PATH" when the file cannot be opened or read.
  static std::shared_ptr<const CDiscoSnmprecTable> ParseFile(const std::string& path,
                                                             std::string* error);

  // Number of recorded instances (distinct OIDs).
  size_t Size() const { return m_Offsets.size(); }
  // The lines left out, in line order: the first kSkipsKept of them; SkippedCount() says how
  // many there were in all.
  static constexpr size_t kSkipsKept = 100;
  const std::vector<CDiscoSnmprecSkip>& Skipped() const { return m_Skipped; }
  size_t SkippedCount() const { return m_SkippedCount; }

  // The instance at exactly `oid`: true with `*value` (may be null) replaced, or false.
  bool Get(const std::vector<unsigned long>& oid, TolSnmpValue* value) const;
  // Appends to `*rows` the instances strictly under `prefix` (not `prefix` itself), in OID order.
  // Only those rows are decoded: the cost is that of the subtree plus a binary search.
  void Walk(const std::vector<unsigned long>& prefix, std::vector<TolSnmpRow>* rows) const;
  // The `index`th instance in OID order (index < Size()), into `*row` (replaced).
  void Row(size_t index, TolSnmpRow* row) const;

 private:
  class Builder;

  using Blocks = std::vector<std::vector<unsigned char>>;

  CDiscoSnmprecTable(Blocks blocks, std::vector<uint32_t> offsets,
                     std::vector<CDiscoSnmprecSkip> skipped, size_t skippedCount)
      : m_Blocks(std::move(blocks)),
        m_Offsets(std::move(offsets)),
        m_Skipped(std::move(skipped)),
        m_SkippedCount(skippedCount) {}

  // First index whose key is not below `key` (Size() when none).
  size_t LowerBound(std::string_view key) const;
  std::string_view KeyAt(size_t index) const;
  void Decode(size_t index, std::vector<unsigned long>* oid, TolSnmpValue* value) const;

  // The records in line order; block i holds offsets from i MiB on (a record longer than a block
  // has a block of its own).
  Blocks m_Blocks;
  std::vector<uint32_t> m_Offsets;  // record offsets, in key order, one per OID
  std::vector<CDiscoSnmprecSkip> m_Skipped;
  size_t m_SkippedCount = 0;
};
