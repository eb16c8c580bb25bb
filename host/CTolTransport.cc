#include "host/CTolTransport.h"

#include "host/CTolBag.h"
#include "host/CTolMessage.h"
#include "host/TolTypes.h"

CTolTransport::CTolTransport(CTolEngine* engine) : m_Engine(engine) {}

int CTolTransport::RTAddMessage(const CTolMessage* message) {
  if (message == nullptr) return TOL_ERR_NULL;
  if (message->total < 1 || message->sequence < 0 || message->sequence >= message->total) {
    return TOL_ERR_PROTOCOL;
  }
  if (!m_Started || message->answerId != m_AnswerId) {
    // A message of another answer: what was gathered of the previous one is dropped.
    m_Parts.clear();
    m_Started = true;
    m_AnswerId = message->answerId;
    m_Total = message->total;
    m_Taken = message->taken;
  } else if (message->total != m_Total) {
    return TOL_ERR_PROTOCOL;
  }
  if (!m_Parts.emplace(message->sequence, message->payload).second) return TOL_ERR_PROTOCOL;
  return 1;
}

bool CTolTransport::RTDone() const {
  return m_Started && static_cast<int>(m_Parts.size()) == m_Total;
}

CTolBag* CTolTransport::RTDecodes() const {
  if (!RTDone()) return nullptr;
  std::string payload;
  for (const auto& part : m_Parts) payload += part.second;  // in sequence order
  CTolBag* bag = CTolBag::RBDecode(payload);
  if (bag != nullptr && m_Taken) *m_Taken = true;
  return bag;
}

void CTolTransport::RTPurge() {
  m_Parts.clear();
  m_Started = false;
  m_AnswerId = 0;
  m_Total = 0;
  m_Taken.reset();
}
