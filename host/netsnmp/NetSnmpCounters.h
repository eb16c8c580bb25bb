// What the backend's sessions sent to and received from each device, counted where the PDUs
// leave and arrive: request PDUs (every send, retries and SNMPv3 engine discovery included),
// RESPONSE PDUs and the variable bindings they carried.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace tolnetsnmp {

// The counters of one device. Sessions add to them without a lock.
struct TargetCounters {
  std::atomic<long> requests{0};
  std::atomic<long> responses{0};
  std::atomic<long> varbinds{0};
};

class CounterTable {
 public:
  // The counters of `targetKey` ("address:port"), made at zero on first use. The pointer stays
  // valid as long as the table. Thread-safe.
  TargetCounters* For(const std::string& targetKey);
  // A snapshot of `targetKey`'s counters; zeros for a device never contacted. Thread-safe.
  CDiscoSnmpCounters Read(const std::string& targetKey) const;
  // Request PDUs sent to every device together. Thread-safe.
  long TotalRequests() const;

 private:
  mutable std::mutex m_Mutex;
  std::map<std::string, TargetCounters> m_ByTarget;  // nodes never move nor go away
};

}  // namespace tolnetsnmp
