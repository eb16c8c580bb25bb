// A list element that carries an untyped pointer it does not own, and, for tree nodes, the key
// under which the tree files it.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/CTolListable.h"

class CTolPointer : public CTolListable {
 public:
  explicit CTolPointer(void* data = nullptr);
  CTolPointer(void* data, std::string_view key);
  CTolPointer(const CTolPointer& other);
  CTolPointer& operator=(const CTolPointer&) = delete;
  ~CTolPointer() override;

  void* RPData() const { return m_Data; }
  void RPSetData(void* data) { m_Data = data; }
  // The key text under which a tree holds this node; empty for a plain pointer element.
  const char* RPKey() const { return m_KeySize <= kInline ? m_Key : HeapKey(); }
  std::string_view RPKeyText() const { return std::string_view(RPKey(), m_KeySize); }

  // Copies the pointer (not what it points to).
  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  void SetKey(std::string_view key);
  char* HeapKey() const;

  // Keys up to kInline characters (a MAC address in text, an index of a few sub-identifiers)
  // are held in the node, which then fills 64 bytes: a big tree's keys cost no allocation of
  // their own. A longer key is on the heap, its address kept in the first bytes of m_Key.
  static constexpr std::uint32_t kInline = 19;
  void* m_Data;
  std::uint32_t m_KeySize = 0;
  char m_Key[kInline + 1];
  static_assert(kInline + 1 >= sizeof(char*), "a heap key's address fits in m_Key");
};
