// One net-snmp session to one device. A session is used by one thread at a time; sessions of
// different threads run their requests concurrently.
#pragma once

#include <net-snmp/library/large_fd_set.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <memory>
#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"
#include "host/netsnmp/CDiscoNetSnmpBackend.h"
#include "host/netsnmp/NetSnmpCounters.h"
#include "host/netsnmp/NetSnmpLenientParse.h"

namespace tolnetsnmp {

// Frees a PDU with the library's own function.
struct PduDeleter {
  void operator()(netsnmp_pdu* pdu) const;
};
using PduPtr = std::unique_ptr<netsnmp_pdu, PduDeleter>;

class Session {
 public:
  // Opens a session to `target` with `credentials` (already validated). For SNMPv3 it first
  // discovers the agent's engine (counted as requests) and installs the localized keys.
  // `counters` (the target's; borrowed, must outlive the session) receives every request PDU the
  // session sends and every RESPONSE it receives, with its variable bindings.
  // Returns the session, or null with `*code` (TOL_ERR_TIMEOUT when the agent did not answer the
  // discovery, TOL_ERR_FAILED otherwise) and `*reason`, which never holds a credential.
  static std::unique_ptr<Session> Open(const CDiscoSnmpTarget& target,
                                       const CDiscoSnmpCredentials& credentials,
                                       TargetCounters* counters, int* code, std::string* reason);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Sends `request` and waits for its answer, sending it again after each time-out up to the
  // credentials' retries (every send is counted). Returns 1 with the RESPONSE in `*response`
  // (its error status, error index and variable bindings; nothing else of the message is kept);
  // TOL_ERR_TIMEOUT when no attempt was answered; TOL_ERR_FAILED when the agent answered with
  // an SNMPv3 report (unknown user, wrong digest, ...) or the request could not be sent. Sets
  // `*reason` on failure.
  // On v1 and v2c a RESPONSE that the library refuses because of values it cannot decode is
  // read again leniently (ParseResponseLeniently): those values come as noSuchInstance and are
  // listed in `*unreadable` (emptied first), and each is added to the target's counters as a
  // value problem. The request ID must still match the request's.
  int Exchange(const netsnmp_pdu& request, PduPtr* response, std::string* reason,
               std::vector<UnreadableValue>* unreadable);

  const CDiscoSnmpCredentials& Credentials() const { return m_Credentials; }
  const CDiscoSnmpTarget& Target() const { return m_Target; }

 private:
  enum class Outcome { kResponse, kReport, kTimeout, kFailed };
  struct Waiter;

  Session(const CDiscoSnmpTarget& target, const CDiscoSnmpCredentials& credentials,
          TargetCounters* counters);
  static int OnEvent(int op, netsnmp_session* session, int reqid, netsnmp_pdu* pdu, void* magic);
  // The library's parse of every message received on a v1/v2c session, and the lenient one
  // when the library's fails. The session is found through `session->myvoid`.
  static int OnParse(netsnmp_session* session, netsnmp_pdu* pdu, u_char* data, size_t length);
  // One send of `request` and the wait for its outcome (left in m_Waiter).
  Outcome Attempt(const netsnmp_pdu& request, std::string* reason);
  std::string TimeoutReason() const;

  CDiscoSnmpTarget m_Target;
  CDiscoSnmpCredentials m_Credentials;
  TargetCounters* m_Counters;
  std::unique_ptr<Waiter> m_Waiter;
  void* m_Handle = nullptr;  // the library's single-session handle
  // The values replaced in the message read last, when it was read leniently, and its request
  // ID: the library parses a message and then hands it to OnEvent, or drops it when no request
  // has its ID. Under the library lock.
  std::vector<UnreadableValue> m_LastUnreadable;
  long m_LastUnreadableReqid = 0;
};

}  // namespace tolnetsnmp
