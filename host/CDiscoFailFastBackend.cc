#include "host/CDiscoFailFastBackend.h"

#include <algorithm>

#include "host/TolTrace.h"
#include "host/TolTypes.h"

CDiscoFailFastBackend::CDiscoFailFastBackend(std::shared_ptr<CDiscoSnmpBackend> inner, int limit)
    : m_Inner(std::move(inner)), m_Limit(std::max(1, limit)) {}

bool CDiscoFailFastBackend::GivenUp(const std::string& targetKey, const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Devices.find(targetKey + " " + name);
  return it != m_Devices.end() && it->second.givenUp;
}

bool CDiscoFailFastBackend::Refuse(const CDiscoSnmpTarget& target, std::string* reason) const {
  if (!GivenUp(target.Key(), target.name)) return false;
  if (reason != nullptr) {
    *reason = target.Key() + " stopped answering: request not sent";
  }
  return true;
}

void CDiscoFailFastBackend::Count(const CDiscoSnmpTarget& target, int rc, std::string* reason) {
  const std::string key = target.Key();
  bool gaveUp = false;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    DeviceState& state = m_Devices[target.DeviceKey()];
    if (rc != TOL_ERR_TIMEOUT) {
      state.consecutiveTimeouts = 0;  // the device answered (or the request never left)
      return;
    }
    if (!state.givenUp && ++state.consecutiveTimeouts >= m_Limit) {
      state.givenUp = true;
      gaveUp = true;
    }
  }
  if (!gaveUp) return;
  std::string why = std::to_string(m_Limit) + " consecutive time-out" + (m_Limit == 1 ? "" : "s") +
                    ": no more requests are sent to it";
  TOL_TRACE(1, "::CDiscoFailFastBackend::Count() " << key << ": " << why << "\n");
  if (reason != nullptr) *reason += (reason->empty() ? "" : "; ") + why;
}

int CDiscoFailFastBackend::Get(const CDiscoSnmpTarget& target,
                               const std::vector<unsigned long>& oid, TolSnmpValue* value,
                               std::string* reason) {
  if (Refuse(target, reason)) return TOL_ERR_ABANDONED;
  int rc = m_Inner->Get(target, oid, value, reason);
  Count(target, rc, reason);
  return rc;
}

int CDiscoFailFastBackend::Walk(const CDiscoSnmpTarget& target,
                                const std::vector<unsigned long>& column,
                                std::vector<TolSnmpRow>* rows, std::string* reason) {
  if (Refuse(target, reason)) {
    if (rows != nullptr) rows->clear();
    return TOL_ERR_ABANDONED;
  }
  int rc = m_Inner->Walk(target, column, rows, reason);
  Count(target, rc, reason);
  return rc;
}
