// One SNMP result row: the object it belongs to, its instance index and its value.
#pragma once

#include <utility>

#include "host/CTolASN1Address.h"
#include "host/CTolAtom.h"
#include "host/CTolListable.h"

class CTolSnmpVarOp : public CTolListable {
 public:
  // Takes ownership of `index` and `value`; either may be null. `object` is the object's name
  // (or its numeric identifier when it has no name).
  CTolSnmpVarOp(const char* object, CTolASN1Address* index, CTolAtom* value);
  // A row with an index, and a value unless `hasValue` is false; both are moved into the row.
  // One allocation per row where the other form makes three: a walk makes millions of rows.
  CTolSnmpVarOp(const char* object, CTolASN1Address&& index, CTolAtom&& value, bool hasValue);
  CTolSnmpVarOp(const CTolSnmpVarOp& other);
  CTolSnmpVarOp& operator=(const CTolSnmpVarOp&) = delete;
  ~CTolSnmpVarOp() override;

  const char* RSVOObject() const { return m_Object; }
  // The instance index (borrowed: it lives as long as the row), or null.
  CTolASN1Address* RSVOASN1() const { return m_HasIndex ? &m_Index : nullptr; }
  // The value (borrowed: it lives as long as the row), or null.
  CTolAtom* RSVOValue() const { return m_HasValue ? &m_Value : nullptr; }

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  // Interned: a walk makes one row per instance, all of the same object, so the name is kept
  // once for the process rather than once per row.
  const char* m_Object;
  bool m_HasIndex;
  bool m_HasValue;
  // Held in the row itself; handed out as borrowed pointers that callers may change through.
  mutable CTolASN1Address m_Index;
  mutable CTolAtom m_Value;
};
