#include "host/CTolEngine.h"

#include <algorithm>

#include "host/CDiscoDataReqHandler.h"
#include "host/CTolBag.h"
#include "host/CTolMessage.h"
#include "host/CTolQryInfo.h"
#include "host/CTolRecord.h"
#include "host/TolTypes.h"

void CTolEngine::RERegisterQueryService(const std::string& subject, QueryService service) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Services[subject] = std::move(service);
}

void CTolEngine::RESetMaxMessageBytes(size_t bytes) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_MaxMessageBytes = std::max<size_t>(bytes, 16);
}

// A query counts as sent once a service has been asked to answer it, whatever its answer.
int CTolEngine::RESendQuery(const char* query, const char* subject, CDiscoDataReqHandler* handler) {
  if (query == nullptr || subject == nullptr || handler == nullptr) return TOL_ERR_NULL;
  QueryService service;
  size_t maxBytes = 0;
  unsigned long answerId = 0;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Services.find(subject);
    if (it == m_Services.end() || !it->second) return TOL_ERR_FAILED;
    service = it->second;
    maxBytes = m_MaxMessageBytes;
    answerId = m_NextAnswerId++;
    ++m_QueryCounts[subject];
  }

  // The service runs without the engine's lock: it may take its time or send queries itself.
  std::vector<CTolRecord*> rows;
  int rc = TOL_ERR_FAILED;
  try {
    rc = service(query, &rows);
  } catch (...) {
    rc = TOL_ERR_FAILED;
  }
  std::vector<std::string> entries;
  if (rc == 1) {
    entries.reserve(rows.size());
    for (const CTolRecord* row : rows) {
      if (row == nullptr) continue;
      std::string bytes;
      row->ROMEncode(&bytes);
      entries.push_back(std::move(bytes));
    }
  }
  for (CTolRecord* row : rows) delete row;
  if (rc != 1) return TOL_ERR_FAILED;

  // Split the answer; an empty answer still travels, as one message with an empty bag.
  std::string payload = CTolBag::RBEncode(entries);
  auto taken = std::make_shared<std::atomic<bool>>(false);
  int total = payload.empty() ? 1 : static_cast<int>((payload.size() + maxBytes - 1) / maxBytes);
  for (int seq = 0; seq < total; ++seq) {
    CTolMessage* message = new CTolMessage();
    message->answerId = answerId;
    message->sequence = seq;
    message->total = total;
    size_t start = static_cast<size_t>(seq) * maxBytes;
    if (start < payload.size()) message->payload = payload.substr(start, maxBytes);
    message->taken = taken;
    handler->DDRPost(new CTolQryInfo(message));
  }
  handler->DDRPostAnswerEnd(taken);  // the handler makes sure the answer is not lost
  return 1;
}

int CTolEngine::REQueryCount(const std::string& subject) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_QueryCounts.find(subject);
  return it == m_QueryCounts.end() ? 0 : it->second;
}
