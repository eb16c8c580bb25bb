// Gathers the messages of one answer until it is complete, then decodes it into a bag.
// Not thread-safe: used on one reply thread.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>

class CTolEngine;
class CTolBag;
struct CTolMessage;

class CTolTransport {
 public:
  // `engine` is borrowed and may be null.
  explicit CTolTransport(CTolEngine* engine);
  CTolTransport(const CTolTransport&) = delete;
  CTolTransport& operator=(const CTolTransport&) = delete;
  virtual ~CTolTransport() = default;

  // Copies `message` in. A message of another answer than the one being gathered starts over with
  // that answer. Returns 1, TOL_ERR_NULL for null, TOL_ERR_PROTOCOL for a sequence number outside
  // 0..total-1 or a repeated one.
  int RTAddMessage(const CTolMessage* message);
  // True when every message of the answer being gathered is in.
  bool RTDone() const;
  // When done: a new bag decoded from the answer (caller owns), or null if malformed. Null when
  // not done. A decoded answer is marked taken (CTolMessage::taken).
  CTolBag* RTDecodes() const;
  // Forgets the answer being gathered.
  void RTPurge();

 private:
  CTolEngine* m_Engine;
  bool m_Started = false;
  unsigned long m_AnswerId = 0;
  int m_Total = 0;
  std::map<int, std::string> m_Parts;
  std::shared_ptr<std::atomic<bool>> m_Taken;  // of the answer being gathered
};
