#include "host/netsnmp/CDiscoNetSnmpBackend.h"

#include <algorithm>

#include "host/TolTrace.h"
#include "host/TolTypes.h"
#include "host/netsnmp/NetSnmpCounters.h"
#include "host/netsnmp/NetSnmpLibrary.h"
#include "host/netsnmp/NetSnmpProtocols.h"
#include "host/netsnmp/NetSnmpSessionPool.h"
#include "host/netsnmp/NetSnmpValue.h"

using tolnetsnmp::ConvertVariable;
using tolnetsnmp::DottedOid;
using tolnetsnmp::NameOf;
using tolnetsnmp::PduPtr;
using tolnetsnmp::Session;
using tolnetsnmp::UnreadableValue;
using tolnetsnmp::VariableClass;

namespace {

constexpr size_t kMinPassphrase = 8;  // USM's minimum (RFC 3414, 11.2)

// Replaces every occurrence of a secret of `c` in `text`. Reasons are built without credentials;
// this keeps it so should a library text ever echo one.
void Scrub(const CDiscoSnmpCredentials& c, std::string* text) {
  for (const std::string* secret : {&c.community, &c.authPassphrase, &c.privPassphrase}) {
    if (secret->size() < 4) continue;  // too short to tell from ordinary text
    for (size_t at = text->find(*secret); at != std::string::npos;
         at = text->find(*secret, at + 3)) {
      text->replace(at, secret->size(), "***");
    }
  }
}

bool ToOids(const std::vector<unsigned long>& in, std::vector<oid>* out) {
  if (in.empty() || in.size() > MAX_OID_LEN) return false;
  out->assign(in.begin(), in.end());
  return true;
}

const char* ErrorStatusName(long status) {
  static const char* const kNames[] = {"noError",
                                       "tooBig",
                                       "noSuchName",
                                       "badValue",
                                       "readOnly",
                                       "genErr",
                                       "noAccess",
                                       "wrongType",
                                       "wrongLength",
                                       "wrongEncoding",
                                       "wrongValue",
                                       "noCreation",
                                       "inconsistentValue",
                                       "resourceUnavailable",
                                       "commitFailed",
                                       "undoFailed",
                                       "authorizationError",
                                       "notWritable",
                                       "inconsistentName"};
  if (status >= 0 && status < static_cast<long>(sizeof(kNames) / sizeof(kNames[0]))) {
    return kNames[status];
  }
  return "unknown error-status";
}

// True when the identifier `name` lies under `column`.
bool IsUnder(const oid* name, size_t length, const std::vector<unsigned long>& column) {
  return length > column.size() && std::equal(column.begin(), column.end(), name);
}

// Dotted text of an identifier as the library holds it.
std::string Dotted(const oid* name, size_t length) {
  return DottedOid(std::vector<unsigned long>(name, name + length));
}

// The walk itself, on a session lent to this thread. Appends to `rows`; the caller empties them
// on failure. Each variable binding is checked on the library's own identifier and converted
// straight into a new row at the end of `rows`, so that a row costs one allocation (its
// identifier) and no copy.
int RunWalk(Session& session, const std::vector<unsigned long>& column,
            std::vector<TolSnmpRow>* rows, std::string* reason) {
  const CDiscoSnmpCredentials& c = session.Credentials();
  const std::string& device = session.Target().Key();
  const bool bulk = c.version != CDiscoSnmpCredentials::kV1;
  long repetitions = c.maxRepetitions;
  std::vector<oid> cursor;  // where the next request starts: the column, then the last row
  if (!ToOids(column, &cursor)) {
    *reason = "cannot build a request for " + DottedOid(column);
    return TOL_ERR_FAILED;
  }
  std::string why;
  while (true) {
    PduPtr request(snmp_pdu_create(bulk ? SNMP_MSG_GETBULK : SNMP_MSG_GETNEXT));
    if (!request) {
      *reason = "cannot build a request for " + Dotted(cursor.data(), cursor.size());
      return TOL_ERR_FAILED;
    }
    if (bulk) {
      request->non_repeaters = 0;
      request->max_repetitions = repetitions;
    }
    snmp_add_null_var(request.get(), cursor.data(), cursor.size());
    PduPtr response;
    std::vector<UnreadableValue> unreadable;
    int rc = session.Exchange(*request, &response, reason, &unreadable);
    if (rc != TOL_OK) return rc;

    if (response->errstat != SNMP_ERR_NOERROR) {
      // SNMPv1 reports the end of the MIB view as noSuchName.
      if (!bulk && response->errstat == SNMP_ERR_NOSUCHNAME) return TOL_OK;
      if (bulk && response->errstat == SNMP_ERR_TOOBIG && repetitions > 1) {
        repetitions = std::max(1L, repetitions / 2);
        continue;
      }
      *reason = device + " answered " + ErrorStatusName(response->errstat) + " after " +
                Dotted(cursor.data(), cursor.size());
      return TOL_ERR_FAILED;
    }
    if (response->variables == nullptr) {
      *reason =
          device + " answered without variables after " + Dotted(cursor.data(), cursor.size());
      return TOL_ERR_PROTOCOL;
    }
    // The identifier each answer must exceed: where the request started, then the row before.
    const oid* previous = cursor.data();
    size_t previousLength = cursor.size();
    auto nextUnreadable = unreadable.begin();  // in PDU order
    size_t index = 0;
    for (netsnmp_variable_list* v = response->variables; v != nullptr;
         v = v->next_variable, ++index) {
      // A value that could not be decoded is a row left out (and a value problem of the
      // device); the walk goes on after it.
      const bool skip = nextUnreadable != unreadable.end() && nextUnreadable->index == index;
      if (skip) ++nextUnreadable;
      if (!skip && (v->type == SNMP_ENDOFMIBVIEW || v->type == SNMP_NOSUCHOBJECT ||
                    v->type == SNMP_NOSUCHINSTANCE)) {
        return TOL_OK;
      }
      if (v->name == nullptr || v->name_length == 0) {
        *reason = device + " answered a variable without a name after " +
                  Dotted(previous, previousLength);
        return TOL_ERR_PROTOCOL;
      }
      if (snmp_oid_compare(v->name, v->name_length, previous, previousLength) <= 0) {
        *reason = device + " answered " + Dotted(v->name, v->name_length) + " after " +
                  Dotted(previous, previousLength) + ": object identifier not increasing";
        return TOL_ERR_PROTOCOL;
      }
      if (!IsUnder(v->name, v->name_length, column)) return TOL_OK;
      if (skip) {
        previous = v->name;
        previousLength = v->name_length;
        continue;
      }
      rows->emplace_back();
      TolSnmpRow& row = rows->back();
      row.oid.assign(v->name, v->name + v->name_length);
      if (ConvertVariable(*v, &row.value, &why) != VariableClass::kValue) {
        *reason = device + " answered a " + why + " for " + DottedOid(row.oid);
        return TOL_ERR_PROTOCOL;
      }
      if (rows->size() > CDiscoNetSnmpBackend::kMaxWalkRows) {
        *reason = device + " answered more than " +
                  std::to_string(CDiscoNetSnmpBackend::kMaxWalkRows) + " rows";
        return TOL_ERR_PROTOCOL;
      }
      previous = v->name;
      previousLength = v->name_length;
    }
    cursor.assign(previous, previous + previousLength);  // `previous` is in `response`
  }
}

int RunGet(Session& session, const std::vector<unsigned long>& target, TolSnmpValue* value,
           std::string* reason) {
  const std::string& device = session.Target().Key();
  std::vector<oid> name;
  PduPtr request(snmp_pdu_create(SNMP_MSG_GET));
  if (!request || !ToOids(target, &name)) {
    *reason = "cannot build a request for " + DottedOid(target);
    return TOL_ERR_FAILED;
  }
  snmp_add_null_var(request.get(), name.data(), name.size());
  PduPtr response;
  std::vector<UnreadableValue> unreadable;
  int rc = session.Exchange(*request, &response, reason, &unreadable);
  if (rc != TOL_OK) return rc;
  if (response->errstat != SNMP_ERR_NOERROR) {
    *reason =
        device + " answered " + ErrorStatusName(response->errstat) + " for " + DottedOid(target);
    return TOL_ERR_FAILED;
  }
  const netsnmp_variable_list* v = response->variables;
  if (v == nullptr || NameOf(*v) != target) {
    *reason = device + " answered another object than " + DottedOid(target);
    return TOL_ERR_PROTOCOL;
  }
  if (!unreadable.empty() && unreadable.front().index == 0) {
    // Absent, as an instance the device does not have; the value problem names it.
    *reason = device + " answered a value that cannot be decoded for " + DottedOid(target) + " (" +
              unreadable.front().reason + ")";
    return TOL_ERR_FAILED;
  }
  std::string why;
  switch (ConvertVariable(*v, value, &why)) {
    case VariableClass::kValue:
      return TOL_OK;
    case VariableClass::kNoSuchObject:
      *reason = device + " has no object " + DottedOid(target) + " (noSuchObject)";
      return TOL_ERR_FAILED;
    case VariableClass::kNoSuchInstance:
      *reason = device + " has no instance " + DottedOid(target) + " (noSuchInstance)";
      return TOL_ERR_FAILED;
    case VariableClass::kEndOfMibView:
      *reason = device + " has no instance " + DottedOid(target) + " (endOfMibView)";
      return TOL_ERR_FAILED;
    case VariableClass::kUnsupported:
      break;
  }
  *reason = device + " answered a " + why + " for " + DottedOid(target);
  return TOL_ERR_PROTOCOL;
}

}  // namespace

CDiscoNetSnmpBackend::CDiscoNetSnmpBackend()
    : m_Counters(std::make_unique<tolnetsnmp::CounterTable>()),
      m_Pool(std::make_unique<tolnetsnmp::SessionPool>(m_Counters.get())) {
  tolnetsnmp::InitLibrary();
}

CDiscoNetSnmpBackend::~CDiscoNetSnmpBackend() = default;

long CDiscoNetSnmpBackend::RequestCount() const { return m_Counters->TotalRequests(); }

CDiscoSnmpCounters CDiscoNetSnmpBackend::Counters(const std::string& targetKey) const {
  return m_Counters->Read(targetKey);
}

std::vector<std::string> CDiscoNetSnmpBackend::ValueProblems(const std::string& targetKey) const {
  return m_Counters->ValueProblems(targetKey);
}

bool CDiscoNetSnmpBackend::Validate(const CDiscoSnmpCredentials& c, std::string* error) {
  std::string why;
  switch (c.version) {
    case CDiscoSnmpCredentials::kV1:
    case CDiscoSnmpCredentials::kV2c:
      if (c.community.empty()) why = "empty community";
      break;
    case CDiscoSnmpCredentials::kV3:
      if (c.user.empty() || c.user.size() > 32) {
        why = "the SNMPv3 user name must have 1 to 32 characters";
      } else if (c.contextName.size() > 32) {
        why = "the SNMPv3 context name must have at most 32 characters";
      } else if (c.level != CDiscoSnmpCredentials::kNoAuthNoPriv &&
                 c.level != CDiscoSnmpCredentials::kAuthNoPriv &&
                 c.level != CDiscoSnmpCredentials::kAuthPriv) {
        why = "unknown SNMPv3 security level";
      } else if (c.level != CDiscoSnmpCredentials::kNoAuthNoPriv) {
        if (tolnetsnmp::AuthProtocolOid(c.authProtocol, nullptr) == nullptr) {
          why = std::string("unknown authentication protocol (known: ") +
                tolnetsnmp::AuthProtocolNames() + ")";
        } else if (c.authPassphrase.size() < kMinPassphrase) {
          why = "the authentication passphrase must have at least 8 characters";
        } else if (c.level == CDiscoSnmpCredentials::kAuthPriv) {
          if (tolnetsnmp::PrivProtocolOid(c.privProtocol, nullptr) == nullptr) {
            why = std::string("unknown privacy protocol (known: ") +
                  tolnetsnmp::PrivProtocolNames() + ")";
          } else if (c.privPassphrase.size() < kMinPassphrase) {
            why = "the privacy passphrase must have at least 8 characters";
          }
        }
      }
      break;
    default:
      why = "unknown SNMP version";
  }
  if (why.empty()) {
    if (c.timeoutMs < 1 || c.timeoutMs > 3600000) {
      why = "timeout must be 1 ms to 1 hour";
    } else if (c.retries < 0 || c.retries > 20) {
      why = "retries must be 0 to 20";
    } else if (c.maxRepetitions < 1 ||
               c.maxRepetitions > CDiscoSnmpCredentials::kMaxRepetitionsLimit) {
      why = "max-repetitions must be 1 to " +
            std::to_string(CDiscoSnmpCredentials::kMaxRepetitionsLimit);
    }
  }
  if (why.empty()) return true;
  if (error) *error = why;
  return false;
}

void CDiscoNetSnmpBackend::SetCredentials(const std::string& address, int port,
                                          const CDiscoSnmpCredentials& c, const std::string& name) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Credentials[address + ":" + std::to_string(port) + (name.empty() ? "" : " " + name)] = c;
}

void CDiscoNetSnmpBackend::SetDefaultCredentials(const CDiscoSnmpCredentials& c) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Default = c;
}

CDiscoSnmpCredentials CDiscoNetSnmpBackend::CredentialsFor(const CDiscoSnmpTarget& target) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Credentials.find(target.Key() + " " + target.name);
  if (it == m_Credentials.end()) it = m_Credentials.find(target.Key());
  return it != m_Credentials.end() ? it->second : m_Default;
}

int CDiscoNetSnmpBackend::Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
                              TolSnmpValue* value, std::string* reason) {
  std::string why;
  int rc = TOL_ERR_FAILED;
  CDiscoSnmpCredentials c = CredentialsFor(target);
  if (value == nullptr) {
    why = "no place for the value";
    rc = TOL_ERR_NULL;
  } else if (!Validate(c, &why)) {
    why = "invalid SNMP credentials for " + target.Key() + ": " + why;
  } else if (std::unique_ptr<Session> session = m_Pool->Acquire(target, c, &rc, &why)) {
    rc = RunGet(*session, oid, value, &why);
    m_Pool->Release(std::move(session));
  }
  if (rc != TOL_OK) {
    Scrub(c, &why);
    TOL_TRACE(2, "::CDiscoNetSnmpBackend::Get() " << target.Key() << " " << DottedOid(oid)
                                                  << " failed: " << why << "\n");
    if (reason) *reason = why;
  }
  return rc;
}

int CDiscoNetSnmpBackend::Walk(const CDiscoSnmpTarget& target,
                               const std::vector<unsigned long>& column,
                               std::vector<TolSnmpRow>* rows, std::string* reason) {
  std::string why;
  int rc = TOL_ERR_FAILED;
  CDiscoSnmpCredentials c = CredentialsFor(target);
  std::vector<TolSnmpRow> found;
  if (rows == nullptr) {
    why = "no place for the rows";
    rc = TOL_ERR_NULL;
  } else if (column.empty()) {
    why = "empty column identifier";
  } else if (!Validate(c, &why)) {
    why = "invalid SNMP credentials for " + target.Key() + ": " + why;
  } else if (std::unique_ptr<Session> session = m_Pool->Acquire(target, c, &rc, &why)) {
    rc = RunWalk(*session, column, &found, &why);
    m_Pool->Release(std::move(session));
  }
  if (rc != TOL_OK) {
    Scrub(c, &why);
    TOL_TRACE(2, "::CDiscoNetSnmpBackend::Walk() " << target.Key() << " " << DottedOid(column)
                                                   << " failed: " << why << "\n");
    if (reason) *reason = why;
    if (rows) rows->clear();
    return rc;
  }
  TOL_TRACE(4, "::CDiscoNetSnmpBackend::Walk() " << target.Key() << " " << DottedOid(column) << ": "
                                                 << found.size() << " rows\n");
  rows->swap(found);  // replaces what the caller had, as the replay backend does
  return TOL_OK;
}
