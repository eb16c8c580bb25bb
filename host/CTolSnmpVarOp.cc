// One SNMP result row.
#include "host/CTolSnmpVarOp.h"

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>

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
    : m_Object(InternName(object != nullptr ? object : "")),
      m_HasIndex(index != nullptr),
      m_HasValue(value != nullptr) {
  if (index != nullptr) m_Index = std::move(*index);
  if (value != nullptr) m_Value = std::move(*value);
  delete index;
  delete value;
}

CTolSnmpVarOp::CTolSnmpVarOp(const char* object, CTolASN1Address&& index, CTolAtom&& value,
                             bool hasValue)
    : m_Object(InternName(object != nullptr ? object : "")),
      m_HasIndex(true),
      m_HasValue(hasValue),
      m_Index(std::move(index)),
      m_Value(hasValue ? std::move(value) : CTolAtom()) {}

CTolSnmpVarOp::CTolSnmpVarOp(const CTolSnmpVarOp& other)
    : CTolListable(other),
      m_Object(other.m_Object),
      m_HasIndex(other.m_HasIndex),
      m_HasValue(other.m_HasValue),
      m_Index(other.m_Index),
      m_Value(other.m_Value) {}

CTolSnmpVarOp::~CTolSnmpVarOp() = default;

CTolListable* CTolSnmpVarOp::RLTargetDeepCopy(const CTolListable* source) {
  const CTolSnmpVarOp* row = dynamic_cast<const CTolSnmpVarOp*>(source);
  if (row == nullptr) {
    return nullptr;
  }
  return new CTolSnmpVarOp(*row);
}
