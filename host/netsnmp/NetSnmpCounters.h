// What the backend's sessions sent to and received from each device, counted where the PDUs
// leave and arrive: request PDUs (every send, retries and SNMPv3 engine discovery included),
// RESPONSE PDUs and the variable bindings they carried; and the values of those responses that
// could not be decoded.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace tolnetsnmp {

// The counters of one device. Sessions add to them without a lock.
struct TargetCounters {
  // Value problems kept per device; further distinct ones are only counted.
  static constexpr size_t kProblemsKept = 100;

  std::atomic<long> requests{0};
  std::atomic<long> responses{0};
  std::atomic<long> varbinds{0};

  // Records a value of a response that could not be decoded ("OID: reason"). A text already
  // kept (the value read again) is not kept twice. Thread-safe.
  void AddValueProblem(const std::string& text);
  // The problems in the order they came, at most kProblemsKept, then "N more values left out"
  // when more came (counted as they came, a value read twice counting twice). Thread-safe.
  std::vector<std::string> ValueProblems() const;

 private:
  mutable std::mutex m_ProblemsMutex;
  std::vector<std::string> m_Problems;  // the first kProblemsKept distinct ones
  long m_More = 0;                      // those that came after
};

class CounterTable {
 public:
  // The counters of the device `deviceKey` (CDiscoSnmpTarget::DeviceKey()), made at zero on
  // first use. The pointer stays valid as long as the table. Thread-safe.
  TargetCounters* For(const std::string& deviceKey);
  // A snapshot of `deviceKey`'s counters; zeros for a device never contacted. Thread-safe.
  CDiscoSnmpCounters Read(const std::string& deviceKey) const;
  // The value problems of `deviceKey` (TargetCounters::ValueProblems); empty for a device never
  // contacted. Thread-safe.
  std::vector<std::string> ValueProblems(const std::string& deviceKey) const;
  // Request PDUs sent to every device together. Thread-safe.
  long TotalRequests() const;

 private:
  mutable std::mutex m_Mutex;
  std::map<std::string, TargetCounters> m_ByTarget;  // nodes never move nor go away
};

}  // namespace tolnetsnmp
