#include "host/netsnmp/NetSnmpSessionPool.h"

#include <tuple>
#include <vector>

namespace tolnetsnmp {

bool SameCredentials(const CDiscoSnmpCredentials& a, const CDiscoSnmpCredentials& b) {
  auto fields = [](const CDiscoSnmpCredentials& c) {
    return std::tie(c.version, c.community, c.user, c.level, c.authProtocol, c.authPassphrase,
                    c.privProtocol, c.privPassphrase, c.contextName, c.timeoutMs, c.retries,
                    c.maxRepetitions);
  };
  return fields(a) == fields(b);
}

SessionPool::SessionPool(CounterTable* counters, size_t maxIdle)
    : m_Counters(counters), m_MaxIdle(maxIdle) {}

SessionPool::~SessionPool() = default;

std::unique_ptr<Session> SessionPool::Acquire(const CDiscoSnmpTarget& target,
                                              const CDiscoSnmpCredentials& credentials, int* code,
                                              std::string* reason) {
  std::vector<std::unique_ptr<Session>> stale;  // closed after the pool's lock is released
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (auto it = m_Idle.begin(); it != m_Idle.end();) {
      const Session& s = **it;
      if (s.Target().address != target.address || s.Target().port != target.port) {
        ++it;
      } else if (!SameCredentials(s.Credentials(), credentials)) {
        stale.push_back(std::move(*it));
        it = m_Idle.erase(it);
      } else {
        std::unique_ptr<Session> found = std::move(*it);
        m_Idle.erase(it);
        return found;
      }
    }
  }
  stale.clear();
  return Session::Open(target, credentials, m_Counters->For(target.DeviceKey()), code, reason);
}

void SessionPool::Release(std::unique_ptr<Session> session) {
  if (!session) return;
  std::unique_ptr<Session> evicted;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Idle.push_front(std::move(session));
    if (m_Idle.size() > m_MaxIdle) {
      evicted = std::move(m_Idle.back());
      m_Idle.pop_back();
    }
  }
}

}  // namespace tolnetsnmp
