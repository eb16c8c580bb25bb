#include "engine/run/RoutingSnmpBackend.h"

#include "host/TolTypes.h"

namespace disco {

RoutingSnmpBackend::RoutingSnmpBackend(std::shared_ptr<CDiscoSnmpBackend> replay,
                                       std::shared_ptr<CDiscoSnmpBackend> network)
    : m_Replay(std::move(replay)), m_Network(std::move(network)) {}

CDiscoSnmpBackend* RoutingSnmpBackend::Route(const CDiscoSnmpTarget& target,
                                             std::string* reason) const {
  CDiscoSnmpBackend* backend =
      m_Replayed.count(target.Key()) > 0 ? m_Replay.get() : m_Network.get();
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
