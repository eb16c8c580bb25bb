// One SNMP result row.
#include "host/CTolSnmpVarOp.h"

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

namespace {

// The one copy of `name` for the process. Object names are the few the agents ask for; they are
// kept until the process ends. The thread's last name is found without taking the lock.
const char* InternName(const char* name) {
  thread_local const char* last = nullptr;
  if (last != nullptr && std::strcmp(last, name) == 0) return last;
  static std::mutex mutex;
  static std::unordered_set<std::string>* names = new std::unordered_set<std::string>();
  std::lock_guard<std::mutex> lock(mutex);
  last = names->insert(name).first->c_str();
  return last;
}

}  // namespace

CTolSnmpVarOp::CTolSnmpVarOp(const char* object, CTolASN1Address* index, CTolAtom* value)
    : m_Object(InternName(object != nullptr ? object : "")), m_Index(index), m_Value(value) {}

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
