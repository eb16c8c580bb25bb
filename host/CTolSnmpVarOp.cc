// One SNMP result row.
#include "host/CTolSnmpVarOp.h"

CTolSnmpVarOp::CTolSnmpVarOp(const char* object, CTolASN1Address* index, CTolAtom* value)
    : m_Object(object != nullptr ? object : ""), m_Index(index), m_Value(value) {}

CTolSnmpVarOp::CTolSnmpVarOp(const CTolSnmpVarOp& other)
    : CTolListable(other),
      m_Object(other.m_Object),
      m_Index(other.m_Index != nullptr ? new CTolASN1Address(*other.m_Index) : nullptr),
      m_Value(other.m_Value != nullptr ? new CTolAtom(*other.m_Value) : nullptr) {}

CTolSnmpVarOp::~CTolSnmpVarOp() {
  delete m_Index;
  delete m_Value;
}

CTolListable* CTolSnmpVarOp::RLTargetDeepCopy(const CTolListable* source) {
  const CTolSnmpVarOp* row = dynamic_cast<const CTolSnmpVarOp*>(source);
  if (row == nullptr) {
    return nullptr;
  }
  return new CTolSnmpVarOp(*row);
}
