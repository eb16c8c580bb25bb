#include "host/netsnmp/NetSnmpSession.h"

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "host/TolTypes.h"
#include "host/netsnmp/NetSnmpEngineProbe.h"
#include "host/netsnmp/NetSnmpLibrary.h"
#include "host/netsnmp/NetSnmpProtocols.h"

namespace tolnetsnmp {

void PduDeleter::operator()(netsnmp_pdu* pdu) const {
  if (pdu != nullptr) snmp_free_pdu(pdu);
}

// The state of the one outstanding request of a session. It lives as long as the session, so
// that a late callback of the library for an earlier request can never touch freed memory; such
// callbacks are told apart by their request ID.
struct Session::Waiter {
  long reqid = 0;
  bool done = false;
  Outcome outcome = Outcome::kFailed;
  int reportType = 0;  // SNMPERR_* of a report
  int timeWindowReports = 0;
  const char* failure = nullptr;            // what went wrong, for kFailed
  netsnmp_pdu* response = nullptr;          // the RESPONSE's outcome, taken over by Exchange
  std::vector<UnreadableValue> unreadable;  // values of `response` read as noSuchInstance

  void Reset(long id) {
    reqid = id;
    done = false;
    outcome = Outcome::kFailed;
    reportType = 0;
    timeWindowReports = 0;
    failure = nullptr;
    if (response != nullptr) snmp_free_pdu(response);
    response = nullptr;
    unreadable.clear();
  }
};

namespace {

// The library's text for its error code: fixed texts, never a credential.
std::string LibraryError(int snmpErrno) {
  const char* text = snmp_api_errstring(snmpErrno);
  return text ? text : "unknown error";
}

// Keeps what the walk and the get read of a RESPONSE: its error fields and its variables, which
// are taken from `pdu` rather than copied (one allocation per answer instead of one per variable
// binding). The library frees `pdu` after the callback and reads nothing of its variables then.
// Returns null when out of memory, leaving `pdu` as it was.
netsnmp_pdu* TakeResponse(netsnmp_pdu* pdu) {
  netsnmp_pdu* kept = snmp_pdu_create(SNMP_MSG_RESPONSE);
  if (kept == nullptr) return nullptr;
  kept->version = pdu->version;
  kept->reqid = pdu->reqid;
  kept->errstat = pdu->errstat;
  kept->errindex = pdu->errindex;
  kept->variables = pdu->variables;
  pdu->variables = nullptr;
  return kept;
}

// Overwrites key material that the library no longer needs once it made its own copy.
void Wipe(void* data, size_t length) {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  while (length-- > 0) *p++ = 0;
}

std::string PeerName(const CDiscoSnmpTarget& target) {
  bool v6 = target.address.find(':') != std::string::npos;
  return (v6 ? "udp6:[" + target.address + "]" : "udp:" + target.address) + ":" +
         std::to_string(target.port);
}

// Fills the SNMPv3 fields of `s` from `c`; `passphrase keys` go through the library's key
// derivation. Returns true, or false with `*reason`.
bool SetUpUsm(const CDiscoSnmpCredentials& c, netsnmp_session* s, std::string* reason) {
  s->securityModel = SNMP_SEC_MODEL_USM;
  s->securityName = const_cast<char*>(c.user.c_str());
  s->securityNameLen = c.user.size();
  if (!c.contextName.empty()) {
    s->contextName = const_cast<char*>(c.contextName.c_str());
    s->contextNameLen = c.contextName.size();
  }
  s->securityLevel = c.level == CDiscoSnmpCredentials::kAuthPriv     ? SNMP_SEC_LEVEL_AUTHPRIV
                     : c.level == CDiscoSnmpCredentials::kAuthNoPriv ? SNMP_SEC_LEVEL_AUTHNOPRIV
                                                                     : SNMP_SEC_LEVEL_NOAUTH;
  if (c.level == CDiscoSnmpCredentials::kNoAuthNoPriv) return true;

  size_t authLength = 0;
  const oid* auth = AuthProtocolOid(c.authProtocol, &authLength);
  if (auth == nullptr) {
    *reason = "unknown authentication protocol";
    return false;
  }
  s->securityAuthProto = const_cast<oid*>(auth);
  s->securityAuthProtoLen = authLength;
  s->securityAuthKeyLen = USM_AUTH_KU_LEN;
  if (generate_Ku(auth, authLength, reinterpret_cast<const u_char*>(c.authPassphrase.data()),
                  c.authPassphrase.size(), s->securityAuthKey,
                  &s->securityAuthKeyLen) != SNMPERR_SUCCESS) {
    *reason = "cannot derive the authentication key from its passphrase";
    return false;
  }
  if (c.level != CDiscoSnmpCredentials::kAuthPriv) return true;

  size_t privLength = 0;
  const oid* priv = PrivProtocolOid(c.privProtocol, &privLength);
  if (priv == nullptr) {
    *reason = "unknown privacy protocol";
    return false;
  }
  s->securityPrivProto = const_cast<oid*>(priv);
  s->securityPrivProtoLen = privLength;
  s->securityPrivKeyLen = USM_PRIV_KU_LEN;
  // The privacy key is derived with the authentication protocol's hash (RFC 3414).
  if (generate_Ku(auth, authLength, reinterpret_cast<const u_char*>(c.privPassphrase.data()),
                  c.privPassphrase.size(), s->securityPrivKey,
                  &s->securityPrivKeyLen) != SNMPERR_SUCCESS) {
    *reason = "cannot derive the privacy key from its passphrase";
    return false;
  }
  return true;
}

}  // namespace

Session::Session(const CDiscoSnmpTarget& target, const CDiscoSnmpCredentials& credentials,
                 TargetCounters* counters)
    : m_Target(target),
      m_Credentials(credentials),
      m_Counters(counters),
      m_Waiter(std::make_unique<Waiter>()) {}

Session::~Session() {
  std::lock_guard<std::mutex> lock(LibraryLock());
  if (m_Handle != nullptr) snmp_sess_close(m_Handle);  // drops any outstanding request
  m_Waiter->Reset(0);
}

std::unique_ptr<Session> Session::Open(const CDiscoSnmpTarget& target,
                                       const CDiscoSnmpCredentials& credentials,
                                       TargetCounters* counters, int* code, std::string* reason) {
  InitLibrary();
  *code = TOL_ERR_FAILED;
  std::unique_ptr<Session> session(new Session(target, credentials, counters));
  const CDiscoSnmpCredentials& c = session->m_Credentials;

  netsnmp_session s;
  snmp_sess_init(&s);
  EngineIdentity engine;  // SNMPv3: referred to by `s` until the session is open
  std::string peer = PeerName(target);
  s.peername = const_cast<char*>(peer.c_str());
  // Retries are made here, one counted PDU at a time, not inside the library.
  s.retries = 0;
  s.timeout = static_cast<long>(c.timeoutMs) * 1000L;
  bool ok = true;
  // v1/v2c sessions parse what they receive through OnParse, which finds the session here.
  s.myvoid = session.get();
  switch (c.version) {
    case CDiscoSnmpCredentials::kV1:
    case CDiscoSnmpCredentials::kV2c:
      s.version = c.version == CDiscoSnmpCredentials::kV1 ? SNMP_VERSION_1 : SNMP_VERSION_2c;
      s.community = reinterpret_cast<u_char*>(const_cast<char*>(c.community.data()));
      s.community_len = c.community.size();
      break;
    case CDiscoSnmpCredentials::kV3: {
      s.version = SNMP_VERSION_3;
      // The engine is discovered here rather than by the library, which would wait for the
      // answer inside its send, under the library lock.
      int rc = DiscoverEngine(target, c.timeoutMs, c.retries, &counters->requests, &engine, reason);
      if (rc != TOL_OK) {
        *code = rc;
        return nullptr;
      }
      s.flags |= SNMP_FLAGS_DONT_PROBE;
      s.securityEngineID = reinterpret_cast<u_char*>(engine.engineId.data());
      s.securityEngineIDLen = engine.engineId.size();
      s.contextEngineID = s.securityEngineID;
      s.contextEngineIDLen = s.securityEngineIDLen;
      s.engineBoots = static_cast<u_int>(engine.boots);
      s.engineTime = static_cast<u_int>(engine.time);
      ok = SetUpUsm(c, &s, reason);
      break;
    }
  }
  if (ok) {
    std::lock_guard<std::mutex> lock(LibraryLock());
    if (c.version == CDiscoSnmpCredentials::kV3) {
      // Opening creates the USM user for this engine from the session's keys, unless a user of
      // that name exists for the engine already: one left by earlier credentials would keep its
      // old keys, so it goes first. Sessions of other threads with the same credentials get the
      // same user back.
      if (struct usmUser* old =
              usm_get_user(s.securityEngineID, s.securityEngineIDLen, s.securityName)) {
        usm_remove_user(old);
        usm_free_user(old);
      }
    }
    if (c.version == CDiscoSnmpCredentials::kV3) {
      session->m_Handle = snmp_sess_open(&s);
    } else if (netsnmp_transport* transport =
                   netsnmp_tdomain_transport_full("snmp", s.peername, 0, "udp", nullptr)) {
      // What snmp_sess_open does, with a parse hook of this session's own.
      session->m_Handle = snmp_sess_add_ex(&s, transport, nullptr, &Session::OnParse, nullptr,
                                           nullptr, nullptr, nullptr, nullptr);
    } else {
      s.s_snmp_errno = SNMPERR_BAD_ADDRESS;
    }
    if (session->m_Handle == nullptr) {
      *reason = "cannot open a session to " + target.Key() + ": " + LibraryError(s.s_snmp_errno);
    }
  }
  Wipe(s.securityAuthKey, sizeof(s.securityAuthKey));
  Wipe(s.securityPrivKey, sizeof(s.securityPrivKey));
  if (!ok || session->m_Handle == nullptr) return nullptr;
  *code = TOL_OK;
  return session;
}

int Session::OnParse(netsnmp_session* session, netsnmp_pdu* pdu, u_char* data, size_t length) {
  Session* self = session != nullptr ? static_cast<Session*>(session->myvoid) : nullptr;
  if (self == nullptr || self->m_Handle == nullptr) return SNMPERR_GENERR;
  self->m_LastUnreadable.clear();
  self->m_LastUnreadableReqid = 0;
  int rc =
      snmp_parse(static_cast<struct session_list*>(self->m_Handle), session, pdu, data, length);
  if (rc == SNMP_ERR_NOERROR) return rc;
  std::vector<UnreadableValue> unreadable;
  std::string why;  // a message refused here stays refused, as the library decided
  if (!ParseResponseLeniently(data, length, session->version, pdu, &unreadable, &why)) return rc;
  session->s_snmp_errno = 0;
  self->m_LastUnreadable = std::move(unreadable);
  self->m_LastUnreadableReqid = pdu->reqid;
  return SNMP_ERR_NOERROR;
}

int Session::OnEvent(int op, netsnmp_session* session, int reqid, netsnmp_pdu* pdu, void* magic) {
  Session* self = static_cast<Session*>(magic);
  Waiter* w = self->m_Waiter.get();
  bool report = op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu != nullptr &&
                pdu->command == SNMP_MSG_REPORT;
  // Reports may carry another request ID (or none); they belong to the outstanding request.
  if (w->done || (reqid != w->reqid && !report)) return 1;
  switch (op) {
    case NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE:
      if (pdu == nullptr) return 1;
      if (report) {
        int type = snmpv3_get_report_type(pdu);
        // The library reads the report's kind from the session when deciding what to do next.
        if (session != nullptr) session->s_snmp_errno = type;
        // On the first notInTimeWindow report the library has learned the agent's boots and time
        // and sends the request once more itself; wait for the answer to that. A second one ends
        // the request.
        if (type == SNMPERR_NOT_IN_TIME_WINDOW && w->timeWindowReports++ == 0) return 1;
        w->reportType = type;
        w->outcome = Outcome::kReport;
      } else if (pdu->command == SNMP_MSG_RESPONSE) {
        long varbinds = 0;
        for (const netsnmp_variable_list* v = pdu->variables; v != nullptr; v = v->next_variable)
          ++varbinds;
        ++self->m_Counters->responses;
        self->m_Counters->varbinds += varbinds;
        if (self->m_LastUnreadableReqid == reqid && !self->m_LastUnreadable.empty()) {
          for (const UnreadableValue& u : self->m_LastUnreadable) {
            self->m_Counters->AddValueProblem(u.Text());
          }
          w->unreadable = std::move(self->m_LastUnreadable);
        }
        self->m_LastUnreadable.clear();
        w->response = TakeResponse(pdu);
        w->outcome = w->response ? Outcome::kResponse : Outcome::kFailed;
        if (!w->response) w->failure = "out of memory";
      } else {
        w->outcome = Outcome::kFailed;
        w->failure = "the agent answered with another PDU than a response";
      }
      break;
    case NETSNMP_CALLBACK_OP_TIMED_OUT:
      w->outcome = Outcome::kTimeout;
      break;
    case NETSNMP_CALLBACK_OP_RESEND:
    case NETSNMP_CALLBACK_OP_CONNECT:
      return 1;  // news only; the request goes on
    case NETSNMP_CALLBACK_OP_SEC_ERROR:
      w->outcome = Outcome::kFailed;
      w->failure = "the answer failed its security checks (wrong passphrase or protocol?)";
      break;
    default:  // send failed, disconnected
      w->outcome = Outcome::kFailed;
      w->failure = "the request could not be sent";
      break;
  }
  w->done = true;
  return 1;
}

Session::Outcome Session::Attempt(const netsnmp_pdu& request, std::string* reason) {
  Waiter* w = m_Waiter.get();
  int fd = -1;
  {
    std::lock_guard<std::mutex> lock(LibraryLock());
    w->Reset(0);
    netsnmp_pdu* copy = snmp_clone_pdu(const_cast<netsnmp_pdu*>(&request));
    if (copy == nullptr) {
      *reason = "out of memory";
      return Outcome::kFailed;
    }
    // Callbacks come only from reads and time-outs, which take the lock held here: the waiter
    // learns its request ID before any callback can look for it.
    w->reqid = snmp_sess_async_send(m_Handle, copy, &Session::OnEvent, this);
    if (w->reqid == 0) {
      int liberr = 0, snmperr = 0;
      char* text = nullptr;
      snmp_sess_error(m_Handle, &liberr, &snmperr, &text);
      *reason = std::string("cannot send to ") + m_Target.Key() + ": " + LibraryError(snmperr);
      free(text);
      snmp_free_pdu(copy);
      return Outcome::kFailed;
    }
    ++m_Counters->requests;
    netsnmp_transport* transport = snmp_sess_transport(m_Handle);
    fd = transport ? transport->sock : -1;
  }
  while (!w->done) {
    // How long until the library considers the outstanding request timed out.
    struct timeval tv = {0, 0};
    int block = 1;
    int numfds = 0;
    netsnmp_large_fd_set fds;
    netsnmp_large_fd_set_init(&fds, FD_SETSIZE);
    {
      std::lock_guard<std::mutex> lock(LibraryLock());
      snmp_sess_select_info2_flags(m_Handle, &numfds, &fds, &tv, &block, NETSNMP_SELECT_NOALARMS);
    }
    netsnmp_large_fd_set_cleanup(&fds);
    long waitMs = block ? m_Credentials.timeoutMs
                        : static_cast<long>(tv.tv_sec) * 1000L + (tv.tv_usec + 999) / 1000;
    struct pollfd p = {fd, POLLIN, 0};
    int ready = poll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, static_cast<int>(waitMs));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      // The request stays outstanding (and refers to `w`) until the library times it out, so
      // the loop goes on until then rather than returning early.
      poll(nullptr, 0, static_cast<int>(waitMs));
      ready = 0;
    }
    std::lock_guard<std::mutex> lock(LibraryLock());
    if (ready > 0) {
      netsnmp_large_fd_set readable;
      netsnmp_large_fd_set_init(&readable, fd + 1);
      NETSNMP_LARGE_FD_SET(fd, &readable);
      snmp_sess_read2(m_Handle, &readable);
      netsnmp_large_fd_set_cleanup(&readable);
    } else {
      snmp_sess_timeout(m_Handle);
    }
  }
  return w->outcome;
}

int Session::Exchange(const netsnmp_pdu& request, PduPtr* response, std::string* reason,
                      std::vector<UnreadableValue>* unreadable) {
  response->reset();
  unreadable->clear();
  for (int attempt = 0; attempt <= m_Credentials.retries; ++attempt) {
    Outcome outcome = Attempt(request, reason);
    PduPtr answer(m_Waiter->response);
    m_Waiter->response = nullptr;
    switch (outcome) {
      case Outcome::kResponse:
        *response = std::move(answer);
        unreadable->swap(m_Waiter->unreadable);
        return TOL_OK;
      case Outcome::kTimeout:
        continue;
      case Outcome::kReport:
        *reason = m_Target.Key() + " refused the request: " + LibraryError(m_Waiter->reportType);
        return TOL_ERR_FAILED;
      case Outcome::kFailed:
        if (reason->empty()) {
          *reason = "the request to " + m_Target.Key() +
                    " failed: " + (m_Waiter->failure ? m_Waiter->failure : "unknown error");
        }
        return TOL_ERR_FAILED;
    }
  }
  *reason = TimeoutReason();
  return TOL_ERR_TIMEOUT;
}

std::string Session::TimeoutReason() const {
  int attempts = m_Credentials.retries + 1;
  return "timeout: no answer from " + m_Target.Key() + " after " + std::to_string(attempts) +
         (attempts == 1 ? " attempt" : " attempts") + " (" + std::to_string(m_Credentials.retries) +
         (m_Credentials.retries == 1 ? " retry" : " retries") + ", " +
         std::to_string(m_Credentials.timeoutMs) + " ms each)";
}

}  // namespace tolnetsnmp
