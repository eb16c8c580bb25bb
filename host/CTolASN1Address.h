// An object identifier or instance index: a sequence of sub-identifiers.
#pragma once

#include <string>
#include <vector>

class CTolASN1Address {
 public:
  CTolASN1Address() = default;
  explicit CTolASN1Address(std::vector<unsigned long> subIds);
  // Parses dotted text ("1.3.6.1", a leading dot allowed). Returns null for malformed text.
  static CTolASN1Address* RAAFromString(const char* dotted);

  // The i-th sub-identifier, or -1 when `i` is out of range.
  long RAAAddressAt(int i) const;
  int RAALength() const { return static_cast<int>(m_SubIds.size()); }
  // Dotted text ("1.2.3"; "" for an empty address). Borrowed from the address.
  const char* RAAAsString() const { return m_Text.c_str(); }
  const std::vector<unsigned long>& RAASubIds() const { return m_SubIds; }

  bool operator==(const CTolASN1Address& other) const { return m_SubIds == other.m_SubIds; }
  bool operator<(const CTolASN1Address& other) const { return m_SubIds < other.m_SubIds; }

 private:
  std::vector<unsigned long> m_SubIds;
  std::string m_Text;
};
