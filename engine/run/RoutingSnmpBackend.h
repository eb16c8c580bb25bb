// Sends each device's requests to the backend chosen for it: the replay of its recording for
// offline devices, net-snmp for the others.
#pragma once

#include <memory>
#include <set>
#include <shared_mutex>
#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"

namespace disco {

class RoutingSnmpBackend : public CDiscoSnmpBackend {
 public:
  // Both backends are shared; `network` may be null when every device is replayed.
  RoutingSnmpBackend(std::shared_ptr<CDiscoSnmpBackend> replay,
                     std::shared_ptr<CDiscoSnmpBackend> network);

  // Routes the device at `endpoint` ("address:port") to the replay backend. Thread-safe: a run
  // that takes devices while it runs adds them beside requests in flight.
  void ReplayEndpoint(const std::string& endpoint);

  int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
          TolSnmpValue* value, std::string* reason) override;
  int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
           std::vector<TolSnmpRow>* rows, std::string* reason) override;

 private:
  CDiscoSnmpBackend* Route(const CDiscoSnmpTarget& target, std::string* reason) const;

  std::shared_ptr<CDiscoSnmpBackend> m_Replay;
  std::shared_ptr<CDiscoSnmpBackend> m_Network;
  mutable std::shared_mutex m_Mutex;  // guards m_Replayed
  std::set<std::string> m_Replayed;
};

}  // namespace disco
