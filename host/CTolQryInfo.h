// A reply to a query on the message bus, as the data-request handler hands it to its callback,
// and the static send operation.
#pragma once

#include <memory>

#include "host/CTolMessage.h"

class CDiscoDataReqHandler;
class CTolEngine;

class CTolQryInfo {
 public:
  // Takes ownership of `message` (may be null: a reply without a message).
  explicit CTolQryInfo(CTolMessage* message);
  CTolQryInfo(const CTolQryInfo&) = delete;
  CTolQryInfo& operator=(const CTolQryInfo&) = delete;
  virtual ~CTolQryInfo();

  // The reply's message (borrowed), or null.
  const CTolMessage* RQIDatum() const { return m_Message.get(); }

  // Sends `query` on `subject` through `engine`; the answer's messages reach `handler`'s callback
  // on its reply thread, never from inside this call. Returns 1; TOL_ERR_NULL for null query,
  // subject, handler or engine; TOL_ERR_FAILED when no service answers the subject or the service
  // fails. `connection` and `flag` are unused.
  static int RQISendOQL(const char* query, const char* subject, CDiscoDataReqHandler* handler,
                        CTolEngine* engine, void* connection, bool flag);

 private:
  std::unique_ptr<CTolMessage> m_Message;
};
