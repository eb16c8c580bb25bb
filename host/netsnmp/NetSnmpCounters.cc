#include "host/netsnmp/NetSnmpCounters.h"

namespace tolnetsnmp {

TargetCounters* CounterTable::For(const std::string& targetKey) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return &m_ByTarget[targetKey];
}

CDiscoSnmpCounters CounterTable::Read(const std::string& targetKey) const {
  CDiscoSnmpCounters out;
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_ByTarget.find(targetKey);
  if (it != m_ByTarget.end()) {
    out.requests = it->second.requests.load();
    out.responses = it->second.responses.load();
    out.varbinds = it->second.varbinds.load();
  }
  return out;
}

long CounterTable::TotalRequests() const {
  long total = 0;
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (const auto& entry : m_ByTarget) total += entry.second.requests.load();
  return total;
}

}  // namespace tolnetsnmp
