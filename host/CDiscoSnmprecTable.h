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

class CDiscoSnmprecTable {
 public:
  // Parses .snmprec text (format: CDiscoSnmprecBackend.h): '\n'-separated lines, an optional '\r'
  // before the '\n', blank lines and '#' comments ignored. Returns the table, or null with `*error`
  // (may be null) naming the first bad line ("line N: reason"; "recording too large" past 4 GiB
  // of records). A repeated OID keeps its last line. Input already in OID order (as the recorder
  // writes it) is not sorted again.
  static std::shared_ptr<const CDiscoSnmprecTable> Parse(std::string_view text, std::string* error);
  // The same from the file at `path`, read in blocks: the whole text is never held in memory.
  // Null with "cannot read PATH" when the file cannot be opened or read.
  static std::shared_ptr<const CDiscoSnmprecTable> ParseFile(const std::string& path,
                                                             std::string* error);

  // Number of recorded instances (distinct OIDs).
  size_t Size() const { return m_Offsets.size(); }

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

  CDiscoSnmprecTable(Blocks blocks, std::vector<uint32_t> offsets)
      : m_Blocks(std::move(blocks)), m_Offsets(std::move(offsets)) {}

  // First index whose key is not below `key` (Size() when none).
  size_t LowerBound(std::string_view key) const;
  std::string_view KeyAt(size_t index) const;
  void Decode(size_t index, std::vector<unsigned long>* oid, TolSnmpValue* value) const;

  // The records in line order; block i holds offsets from i MiB on (a record longer than a block
  // has a block of its own).
  Blocks m_Blocks;
  std::vector<uint32_t> m_Offsets;  // record offsets, in key order, one per OID
};
