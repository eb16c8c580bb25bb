#include "host/CDiscoRefusedValues.h"

void CDiscoRefusedValues::Count(const std::string& targetKey, const std::string& column,
                                long count) {
  if (count <= 0) return;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Counts[targetKey][column] += count;
}

std::map<std::string, long> CDiscoRefusedValues::Take(const std::string& targetKey) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Counts.find(targetKey);
  if (it == m_Counts.end()) return {};
  std::map<std::string, long> counts = std::move(it->second);
  m_Counts.erase(it);
  return counts;
}
