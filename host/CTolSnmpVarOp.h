// One SNMP result row: the object it belongs to, its instance index and its value.
#pragma once

#include "host/CTolASN1Address.h"
#include "host/CTolAtom.h"
#include "host/CTolListable.h"

class CTolSnmpVarOp : public CTolListable {
 public:
  // Takes ownership of `index` and `value`; either may be null. `object` is the object's name
  // (or its numeric identifier when it has no name).
  CTolSnmpVarOp(const char* object, CTolASN1Address* index, CTolAtom* value);
  CTolSnmpVarOp(const CTolSnmpVarOp& other);
  CTolSnmpVarOp& operator=(const CTolSnmpVarOp&) = delete;
  ~CTolSnmpVarOp() override;

  const char* RSVOObject() const { return m_Object; }
  // The instance index (borrowed), or null.
  CTolASN1Address* RSVOASN1() const { return m_Index; }
  // The value (borrowed), or null.
  CTolAtom* RSVOValue() const { return m_Value; }

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  // Interned: a walk makes one row per instance, all of the same object, so the name is kept
  // once for the process rather than once per row.
  const char* m_Object;
  CTolASN1Address* m_Index;
  CTolAtom* m_Value;
};
