// A decoded answer of the bus: a list of entries, each a CTolPointer whose data is a CTolAtom of
// bytes holding one encoded record (CTolRecord::ROMEncode). The bag owns its nodes, not the
// atoms: whoever takes the bag deletes each atom (and then the bag).
#pragma once

#include <string>
#include <vector>

#include "host/CTolDoubleList.h"

class CTolRecord;

class CTolBag {
 public:
  CTolBag() = default;
  CTolBag(const CTolBag&) = delete;
  CTolBag& operator=(const CTolBag&) = delete;
  virtual ~CTolBag() = default;

  // The list of entries (borrowed).
  CTolDoubleList* RBIterator() { return &m_Entries; }
  int RBSize() const { return m_Entries.RDLLength(); }

  // Appends an entry holding a new atom of `bytes`.
  void RBAddBytes(const std::string& bytes);

  // Bag wire format: for each entry, a 4-byte big-endian length and the bytes.
  static std::string RBEncode(const std::vector<std::string>& entries);
  // Decodes a payload into a new bag (caller owns); null when malformed.
  static CTolBag* RBDecode(const std::string& payload);

 private:
  CTolDoubleList m_Entries;
};
