// The engine's message bus endpoint, in process. Query services register per subject; a query
// sent on a subject runs the service, whose answer (records) is encoded into a bag, split into
// messages of at most the configured payload size and posted to the sender's handler.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class CTolRecord;
class CDiscoDataReqHandler;

class CTolEngine {
 public:
  // Answers `query` by filling `rows` (records owned by the service's caller after the call:
  // the engine deletes them). Returns 1, or a negative code to fail the send.
  using QueryService = std::function<int(const std::string& query, std::vector<CTolRecord*>* rows)>;

  CTolEngine() = default;
  CTolEngine(const CTolEngine&) = delete;
  CTolEngine& operator=(const CTolEngine&) = delete;
  virtual ~CTolEngine() = default;

  // Registers (or replaces) the service of `subject`. Thread-safe.
  void RERegisterQueryService(const std::string& subject, QueryService service);
  // Largest payload per message (at least 16; default 64 KiB). Thread-safe.
  void RESetMaxMessageBytes(size_t bytes);

  // Runs the service and posts the answer's messages to `handler`. Returns 1, TOL_ERR_FAILED when
  // no service is registered or the service fails. Thread-safe.
  int RESendQuery(const char* query, const char* subject, CDiscoDataReqHandler* handler);
  // Number of queries sent per subject so far.
  int REQueryCount(const std::string& subject) const;

 private:
  mutable std::mutex m_Mutex;
  std::map<std::string, QueryService> m_Services;
  std::map<std::string, int> m_QueryCounts;
  size_t m_MaxMessageBytes = 64 * 1024;
  unsigned long m_NextAnswerId = 1;
};
