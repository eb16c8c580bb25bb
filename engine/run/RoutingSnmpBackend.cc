#include "engine/run/RoutingSnmpBackend.h"

#include <mutex>

#include "host/TolTypes.h"

namespace disco {

RoutingSnmpBackend::RoutingSnmpBackend(std::shared_ptr<CDiscoSnmpBackend> replay,
                                       std::shared_ptr<CDiscoSnmpBackend> network)
    : m_Replay(std::move(replay)), m_Network(std::move(network)) {}

void RoutingSnmpBackend::ReplayEndpoint(const std::string& endpoint) {
  std::unique_lock<std::shared_mutex> lock(m_Mutex);
  m_Replayed.insert(endpoint);
}

CDiscoSnmpBackend* RoutingSnmpBackend::Route(const CDiscoSnmpTarget& target,
                                             std::string* reason) const {
  const std::string key = target.Key();
  bool replayed;
  {
    std::shared_lock<std::shared_mutex> lock(m_Mutex);
    replayed = m_Replayed.count(key) > 0;
  }
  CDiscoSnmpBackend* backend = replayed ? m_Replay.get() : m_Network.get();
  if (backend == nullptr && reason != nullptr) {
    *reason = "no SNMP backend for " + target.Key();
  }
  return backend;
}

int RoutingSnmpBackend::Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
                            TolSnmpValue* value, std::string* reason) {
  CDiscoSnmpBackend* backend = Route(target, reason);
  return backend ? backend->Get(target, oid, value, reason) : TOL_ERR_NULL;
}

int RoutingSnmpBackend::Walk(const CDiscoSnmpTarget& target,
                             const std::vector<unsigned long>& column,
                             std::vector<TolSnmpRow>* rows, std::string* reason) {
  CDiscoSnmpBackend* backend = Route(target, reason);
  return backend ? backend->Walk(target, column, rows, reason) : TOL_ERR_NULL;
}

}  // namespace disco
