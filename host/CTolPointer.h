// A list element that carries an untyped pointer it does not own, and, for tree nodes, the key
// under which the tree files it.
#pragma once

#include <string>

#include "host/CTolListable.h"

class CTolPointer : public CTolListable {
 public:
  explicit CTolPointer(void* data = nullptr) : m_Data(data) {}
  CTolPointer(void* data, const std::string& key) : m_Data(data), m_Key(key) {}

  void* RPData() const { return m_Data; }
  void RPSetData(void* data) { m_Data = data; }
  // The key text under which a tree holds this node; empty for a plain pointer element.
  const char* RPKey() const { return m_Key.c_str(); }
  const std::string& RPKeyText() const { return m_Key; }

  // Copies the pointer (not what it points to).
  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  void* m_Data;
  std::string m_Key;
};
