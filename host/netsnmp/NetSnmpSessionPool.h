// Idle sessions kept for reuse, so that a device's requests do not open a socket (and, for
// SNMPv3, discover the engine) each time. A session is lent to one thread at a time.
#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "host/netsnmp/NetSnmpCounters.h"
#include "host/netsnmp/NetSnmpSession.h"

namespace tolnetsnmp {

// True when `a` and `b` would open the same session.
bool SameCredentials(const CDiscoSnmpCredentials& a, const CDiscoSnmpCredentials& b);

class SessionPool {
 public:
  // `counters` (borrowed; must outlive the pool) receives what every session sends and
  // receives, by device. At most `maxIdle` idle sessions are kept; the least recently used are
  // closed first.
  explicit SessionPool(CounterTable* counters, size_t maxIdle = 64);
  ~SessionPool();
  SessionPool(const SessionPool&) = delete;
  SessionPool& operator=(const SessionPool&) = delete;

  // An idle session to `target` opened with `credentials`, else a newly opened one (see
  // Session::Open for the failure codes). Owned by the caller until given back with Release.
  std::unique_ptr<Session> Acquire(const CDiscoSnmpTarget& target,
                                   const CDiscoSnmpCredentials& credentials, int* code,
                                   std::string* reason);
  // Takes `session` back for reuse.
  void Release(std::unique_ptr<Session> session);

 private:
  CounterTable* m_Counters;
  size_t m_MaxIdle;
  std::mutex m_Mutex;
  std::list<std::unique_ptr<Session>> m_Idle;  // REQUIRES: m_Mutex held; most recent first
};

}  // namespace tolnetsnmp
