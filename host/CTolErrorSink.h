// Where error reports go. The engine installs a sink per engine thread to tie each report to the
// device being discovered; tests install one to assert on codes.
#pragma once

#include <mutex>
#include <string>
#include <vector>

struct TolErrorRecord {
  int code;
  std::string source;  // the reporting source file's name
  int line;
  std::string text;  // empty when the report had none
};

class CTolErrorSink {
 public:
  virtual ~CTolErrorSink() = default;
  // Called on the reporting thread; must be thread-safe if shared between threads.
  virtual void Report(const TolErrorRecord& record) = 0;
};

// Installs `sink` (borrowed; must outlive its installation) for reports raised on the calling
// thread; null removes it. Returns the sink it replaces.
CTolErrorSink* TolSetThreadErrorSink(CTolErrorSink* sink);
// Installs `sink` (borrowed) for reports raised on threads without a sink of their own; null
// removes it. Returns the sink it replaces. Reports with no sink at all are dropped.
CTolErrorSink* TolSetProcessErrorSink(CTolErrorSink* sink);

// A thread-safe sink that keeps every report.
class CTolErrorLog : public CTolErrorSink {
 public:
  void Report(const TolErrorRecord& record) override;
  std::vector<TolErrorRecord> Records() const;  // a snapshot, in report order
  bool Contains(int code) const;
  bool Contains(int code, const std::string& textPart) const;
  void Clear();

 private:
  mutable std::mutex m_Mutex;
  std::vector<TolErrorRecord> m_Records;
};

// Installs a CTolErrorLog as the thread and process sink for its lifetime, restoring the previous
// sinks on destruction. Meant for tests.
class CTolScopedErrorLog : public CTolErrorLog {
 public:
  CTolScopedErrorLog();
  ~CTolScopedErrorLog() override;
  CTolScopedErrorLog(const CTolScopedErrorLog&) = delete;
  CTolScopedErrorLog& operator=(const CTolScopedErrorLog&) = delete;

 private:
  CTolErrorSink* m_PrevThread;
  CTolErrorSink* m_PrevProcess;
};
