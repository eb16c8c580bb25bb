// An object identifier or instance index: a sequence of sub-identifiers.
#pragma once

#include <string>
#include <vector>

class CTolASN1Address {
 public:
  CTolASN1Address() = default;
  explicit CTolASN1Address(const std::vector<unsigned long>& subIds);
  // Parses dotted text ("1.3.6.1", a leading dot allowed). Returns null for malformed text.
  static CTolASN1Address* RAAFromString(const char* dotted);

  // The i-th sub-identifier, or -1 when `i` is out of range.
  long RAAAddressAt(int i) const;
  int RAALength() const;
  // Dotted text ("1.2.3"; "" for an empty address). Borrowed from the address.
  const char* RAAAsString() const { return m_Text.c_str(); }
  std::vector<unsigned long> RAASubIds() const;

  // Same sub-identifiers; numeric order of the sub-identifiers.
  bool operator==(const CTolASN1Address& other) const { return m_Text == other.m_Text; }
  bool operator<(const CTolASN1Address& other) const { return RAASubIds() < other.RAASubIds(); }

 private:
  // Only the canonical dotted text is kept (one text per address): a walk makes an address per
  // row, and the text is what agents key their tables by; sub-identifiers are read from it.
  std::string m_Text;
};
