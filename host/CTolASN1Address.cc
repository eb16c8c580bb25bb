// Object identifiers and instance indexes.
#include "host/CTolASN1Address.h"

#include <utility>

namespace {

// Sub-identifiers are unsigned 32-bit numbers in SNMP.
constexpr unsigned long kMaxSubId = 4294967295UL;

}  // namespace

CTolASN1Address::CTolASN1Address(std::vector<unsigned long> subIds) : m_SubIds(std::move(subIds)) {
  for (std::size_t i = 0; i < m_SubIds.size(); ++i) {
    if (i > 0) {
      m_Text += '.';
    }
    m_Text += std::to_string(m_SubIds[i]);
  }
}

CTolASN1Address* CTolASN1Address::RAAFromString(const char* dotted) {
  if (dotted == nullptr) {
    return nullptr;
  }
  const char* p = dotted;
  if (*p == '.') {
    ++p;
    if (*p == '\0') {
      return nullptr;  // a lone dot names nothing
    }
  }
  std::vector<unsigned long> subIds;
  while (*p != '\0') {
    if (*p < '0' || *p > '9') {
      return nullptr;  // empty component, sign, space or other text
    }
    unsigned long value = 0;
    while (*p >= '0' && *p <= '9') {
      value = value * 10 + static_cast<unsigned long>(*p - '0');
      if (value > kMaxSubId) {
        return nullptr;
      }
      ++p;
    }
    subIds.push_back(value);
    if (*p == '.') {
      ++p;
      if (*p == '\0') {
        return nullptr;  // trailing dot
      }
    } else if (*p != '\0') {
      return nullptr;
    }
  }
  return new CTolASN1Address(std::move(subIds));
}

long CTolASN1Address::RAAAddressAt(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= m_SubIds.size()) {
    return -1;
  }
  return static_cast<long>(m_SubIds[static_cast<std::size_t>(i)]);
}
