#include "host/netsnmp/NetSnmpCounters.h"

#include <algorithm>

namespace tolnetsnmp {

void TargetCounters::AddValueProblem(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_ProblemsMutex);
  if (std::find(m_Problems.begin(), m_Problems.end(), text) != m_Problems.end()) return;
  if (m_Problems.size() < kProblemsKept) {
    m_Problems.push_back(text);
  } else {
    ++m_More;
  }
}

std::vector<std::string> TargetCounters::ValueProblems() const {
  std::lock_guard<std::mutex> lock(m_ProblemsMutex);
  std::vector<std::string> out = m_Problems;
  if (m_More > 0) {
    out.push_back(std::to_string(m_More) + (m_More == 1 ? " more value" : " more values") +
                  " left out");
  }
  return out;
}

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

std::vector<std::string> CounterTable::ValueProblems(const std::string& targetKey) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_ByTarget.find(targetKey);
  return it != m_ByTarget.end() ? it->second.ValueProblems() : std::vector<std::string>();
}

long CounterTable::TotalRequests() const {
  long total = 0;
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (const auto& entry : m_ByTarget) total += entry.second.requests.load();
  return total;
}

}  // namespace tolnetsnmp
