// Object identifiers and instance indexes.
#include "host/CTolASN1Address.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Sub-identifiers are unsigned 32-bit numbers in SNMP.
constexpr unsigned long kMaxSubId = 4294967295UL;

}  // namespace

CTolASN1Address::CTolASN1Address(const std::vector<unsigned long>& subIds) {
  for (std::size_t i = 0; i < subIds.size(); ++i) {
    if (i > 0) {
      m_Text += '.';
    }
    m_Text += std::to_string(subIds[i]);
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
  return new CTolASN1Address(subIds);
}

long CTolASN1Address::RAAAddressAt(int i) const {
  if (i < 0 || m_Text.empty()) {
    return -1;
  }
  const char* p = m_Text.c_str();
  for (; i > 0; --i) {
    p = std::strchr(p, '.');
    if (p == nullptr) {
      return -1;
    }
    ++p;
  }
  return static_cast<long>(std::strtoul(p, nullptr, 10));
}

int CTolASN1Address::RAALength() const {
  if (m_Text.empty()) {
    return 0;
  }
  return 1 + static_cast<int>(std::count(m_Text.begin(), m_Text.end(), '.'));
}

std::vector<unsigned long> CTolASN1Address::RAASubIds() const {
  std::vector<unsigned long> subIds;
  for (const char* p = m_Text.c_str(); *p != '\0';) {
    char* end = nullptr;
    subIds.push_back(std::strtoul(p, &end, 10));
    p = *end == '.' ? end + 1 : end;
  }
  return subIds;
}
