#include "support/FaultInjectionBackend.h"

#include <algorithm>

#include "host/TolTypes.h"

namespace {

bool IsUnderOrEqual(const std::vector<unsigned long>& oid,
                    const std::vector<unsigned long>& prefix) {
  return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

// A value of another type carrying what it can of the original.
void ChangeType(TolSnmpValue* v) {
  switch (v->kind) {
    case TolSnmpValue::kInteger:
    case TolSnmpValue::kUnsigned:
    case TolSnmpValue::kCounter32:
    case TolSnmpValue::kCounter64:
    case TolSnmpValue::kTimeTicks:
      v->bytes = std::to_string(v->integer);
      v->kind = TolSnmpValue::kOctetString;
      break;
    case TolSnmpValue::kOctetString:
    case TolSnmpValue::kOpaque:
      v->integer = static_cast<long long>(v->bytes.size());
      v->bytes.clear();
      v->kind = TolSnmpValue::kInteger;
      break;
    case TolSnmpValue::kIpAddress:
      v->kind = TolSnmpValue::kObjectId;
      v->oid.clear();
      for (char octet : v->bytes) v->oid.push_back(static_cast<unsigned char>(octet));
      v->bytes.clear();
      break;
    case TolSnmpValue::kObjectId:
    case TolSnmpValue::kNull:
      v->oid.clear();
      v->kind = TolSnmpValue::kTimeTicks;
      v->integer = 42;
      break;
  }
}

}  // namespace

FaultInjectionBackend::FaultInjectionBackend(std::shared_ptr<CDiscoSnmpBackend> inner)
    : m_Inner(std::move(inner)) {}

void FaultInjectionBackend::Add(const Fault& fault) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Rules.push_back({fault, 0});
}

const Fault* FaultInjectionBackend::Choose(const CDiscoSnmpTarget& target,
                                           const std::vector<unsigned long>& oid) {
  std::string key = target.Key();
  std::lock_guard<std::mutex> lock(m_Mutex);
  ++m_Requests[key];
  const Fault* chosen = nullptr;
  for (Rule& rule : m_Rules) {
    const Fault& f = rule.fault;
    if (!f.target.empty() && f.target != key) continue;
    if (!IsUnderOrEqual(oid, f.prefix)) continue;
    long n = ++rule.matched;
    bool applies = n >= f.first && (f.count == 0 || n < f.first + f.count);
    if (applies && chosen == nullptr) chosen = &f;
  }
  if (chosen != nullptr) ++m_Injected[key];
  return chosen;
}

int FaultInjectionBackend::Get(const CDiscoSnmpTarget& target,
                               const std::vector<unsigned long>& oid, TolSnmpValue* value,
                               std::string* reason) {
  const Fault* fault = Choose(target, oid);
  if (fault == nullptr) return m_Inner->Get(target, oid, value, reason);
  switch (fault->kind) {
    case FaultKind::kFail:
      if (reason) *reason = "injected protocol error";
      return TOL_ERR_PROTOCOL;
    case FaultKind::kWrongType: {
      int rc = m_Inner->Get(target, oid, value, reason);
      if (rc == TOL_OK) ChangeType(value);
      return rc;
    }
    case FaultKind::kTimeout:
    case FaultKind::kTruncate:
      break;
  }
  if (reason) *reason = "injected time-out";
  return TOL_ERR_TIMEOUT;
}

int FaultInjectionBackend::Walk(const CDiscoSnmpTarget& target,
                                const std::vector<unsigned long>& column,
                                std::vector<TolSnmpRow>* rows, std::string* reason) {
  const Fault* fault = Choose(target, column);
  if (fault == nullptr) return m_Inner->Walk(target, column, rows, reason);
  switch (fault->kind) {
    case FaultKind::kTimeout:
      if (rows) rows->clear();
      if (reason) *reason = "injected time-out";
      return TOL_ERR_TIMEOUT;
    case FaultKind::kFail:
      if (rows) rows->clear();
      if (reason) *reason = "injected protocol error";
      return TOL_ERR_PROTOCOL;
    case FaultKind::kTruncate: {
      int rc = m_Inner->Walk(target, column, rows, reason);
      if (rc != TOL_OK) return rc;
      if (rows->size() > fault->keepRows) rows->resize(fault->keepRows);
      if (reason) *reason = "injected time-out in the middle of the walk";
      return TOL_ERR_TIMEOUT;
    }
    case FaultKind::kWrongType: {
      int rc = m_Inner->Walk(target, column, rows, reason);
      if (rc == TOL_OK) {
        for (TolSnmpRow& row : *rows) ChangeType(&row.value);
      }
      return rc;
    }
  }
  return TOL_ERR_FAILED;
}

long FaultInjectionBackend::Requests(const std::string& targetKey) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Requests.find(targetKey);
  return it == m_Requests.end() ? 0 : it->second;
}

long FaultInjectionBackend::Injected(const std::string& targetKey) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Injected.find(targetKey);
  return it == m_Injected.end() ? 0 : it->second;
}
