// A list element carrying a borrowed pointer and, for tree nodes, its key.
#include "host/CTolPointer.h"

#include <cstring>

CTolPointer::CTolPointer(void* data) : m_Data(data) { m_Key[0] = '\0'; }

CTolPointer::CTolPointer(void* data, std::string_view key) : m_Data(data) { SetKey(key); }

CTolPointer::CTolPointer(const CTolPointer& other) : CTolListable(other), m_Data(other.m_Data) {
  SetKey(other.RPKeyText());
}

CTolPointer::~CTolPointer() {
  if (m_KeySize > kInline) delete[] HeapKey();
}

char* CTolPointer::HeapKey() const {
  char* heap = nullptr;
  std::memcpy(&heap, m_Key, sizeof heap);
  return heap;
}

void CTolPointer::SetKey(std::string_view key) {
  m_KeySize = static_cast<std::uint32_t>(key.size());
  char* to = m_Key;
  if (m_KeySize > kInline) {
    to = new char[key.size() + 1];
    std::memcpy(m_Key, &to, sizeof to);
  }
  if (!key.empty()) std::memcpy(to, key.data(), key.size());
  to[key.size()] = '\0';
}

CTolListable* CTolPointer::RLTargetDeepCopy(const CTolListable* source) {
  const CTolPointer* pointer = dynamic_cast<const CTolPointer*>(source);
  if (pointer == nullptr) {
    return nullptr;
  }
  // The copy points at the same data: a pointer element never owns what it points to.
  return new CTolPointer(*pointer);
}
