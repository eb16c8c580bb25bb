// Error reports and the sinks that receive them.
#include "host/CTolError.h"

#include <atomic>

#include "host/CTolErrorSink.h"

namespace {

thread_local CTolErrorSink* t_ThreadSink = nullptr;
std::atomic<CTolErrorSink*> g_ProcessSink{nullptr};

}  // namespace

CTolErrorSink* TolSetThreadErrorSink(CTolErrorSink* sink) {
  CTolErrorSink* previous = t_ThreadSink;
  t_ThreadSink = sink;
  return previous;
}

CTolErrorSink* TolSetProcessErrorSink(CTolErrorSink* sink) { return g_ProcessSink.exchange(sink); }

CTolError::CTolError(int code, const char* sourceFile, int line, const char* text) : m_Code(code) {
  CTolErrorSink* sink = t_ThreadSink != nullptr ? t_ThreadSink : g_ProcessSink.load();
  if (sink == nullptr) {
    return;
  }
  TolErrorRecord record{code, sourceFile != nullptr ? sourceFile : "", line,
                        text != nullptr ? text : ""};
  sink->Report(record);
}

void CTolErrorLog::Report(const TolErrorRecord& record) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Records.push_back(record);
}

std::vector<TolErrorRecord> CTolErrorLog::Records() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Records;
}

bool CTolErrorLog::Contains(int code) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (const TolErrorRecord& record : m_Records) {
    if (record.code == code) {
      return true;
    }
  }
  return false;
}

bool CTolErrorLog::Contains(int code, const std::string& textPart) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (const TolErrorRecord& record : m_Records) {
    if (record.code == code && record.text.find(textPart) != std::string::npos) {
      return true;
    }
  }
  return false;
}

void CTolErrorLog::Clear() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Records.clear();
}

CTolScopedErrorLog::CTolScopedErrorLog()
    : m_PrevThread(TolSetThreadErrorSink(this)), m_PrevProcess(TolSetProcessErrorSink(this)) {}

CTolScopedErrorLog::~CTolScopedErrorLog() {
  TolSetThreadErrorSink(m_PrevThread);
  TolSetProcessErrorSink(m_PrevProcess);
}
