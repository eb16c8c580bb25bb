#include "host/CTolQryInfo.h"

#include "host/CTolEngine.h"
#include "host/TolTypes.h"

CTolQryInfo::CTolQryInfo(CTolMessage* message) : m_Message(message) {}

CTolQryInfo::~CTolQryInfo() = default;

int CTolQryInfo::RQISendOQL(const char* query, const char* subject, CDiscoDataReqHandler* handler,
                            CTolEngine* engine, void*, bool) {
  if (query == nullptr || subject == nullptr || handler == nullptr || engine == nullptr) {
    return TOL_ERR_NULL;
  }
  return engine->RESendQuery(query, subject, handler);
}
