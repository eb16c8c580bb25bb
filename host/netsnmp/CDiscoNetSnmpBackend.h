// The SNMP backend for real devices, over net-snmp. SNMP v1, v2c and v3 (USM), per-device
// credentials, timeout and retries; column walks with GETBULK on v2c/v3 and GETNEXT on v1.
// Credentials never appear in a reason text, a trace or an error report.
// Thread-safe: a request uses a session that no other thread uses meanwhile (sessions are kept
// per device and reused), and threads wait for their answers concurrently.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"

struct CDiscoSnmpCredentials {
  enum Version { kV1, kV2c, kV3 };
  enum SecurityLevel { kNoAuthNoPriv, kAuthNoPriv, kAuthPriv };

  Version version = kV2c;
  std::string community = "public";  // v1, v2c
  // v3 (USM)
  std::string user;
  SecurityLevel level = kNoAuthNoPriv;
  std::string authProtocol = "SHA";  // MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512
  std::string authPassphrase;
  std::string privProtocol = "AES";  // DES, AES (AES-128), AES-192, AES-256 (also the Cisco key
                                     // extension: AES-192-C, AES-256-C)
  std::string privPassphrase;
  std::string contextName;  // v3 context ("" for the default context)
  // Transport
  int timeoutMs = 1000;  // per request (1..3600000)
  int retries = 1;       // resends after a time-out (0..20)
  // GETBULK max-repetitions (1..kMaxRepetitionsLimit): rows asked for per request on v2c and
  // v3; v1 walks with GETNEXT, one row per request. With 40 an answer from the tables the agent
  // reads (interfaces, VLANs, ARP, forwarding database) stays within one Ethernet frame (1472
  // bytes) with room for longer values than a generated switch has (its ARP rows reach 1215
  // bytes at 40, 1510 at 50), and larger values save little CPU and time (measured over snmpsim
  // on a 300000-row forwarding database: doc/performance.md).
  int maxRepetitions = 40;
  static constexpr int kMaxRepetitionsLimit = 1000;
};

// What the backend exchanged with one device since it was made.
struct CDiscoSnmpCounters {
  long requests = 0;   // request PDUs sent: every retry, and SNMPv3 engine discovery, count
  long responses = 0;  // RESPONSE PDUs received for them (error answers included, reports not)
  long varbinds = 0;   // variable bindings in those responses
};

namespace tolnetsnmp {
class CounterTable;
class SessionPool;
}  // namespace tolnetsnmp

class CDiscoNetSnmpBackend : public CDiscoSnmpBackend {
 public:
  // Walks stop with TOL_ERR_PROTOCOL beyond this many rows: an agent that keeps inventing
  // increasing identifiers must not exhaust memory.
  static constexpr size_t kMaxWalkRows = 2000000;

  CDiscoNetSnmpBackend();
  ~CDiscoNetSnmpBackend() override;  // closes every session

  // Checks `c` (known protocols, passphrases of at least 8 characters where needed, sane
  // numbers). Returns true, or false with `*error` saying what is wrong (never echoing a secret).
  static bool Validate(const CDiscoSnmpCredentials& c, std::string* error);

  // Credentials for the device at address:port; devices without their own use the default.
  // With a `name`, they are those of the device of that name only (CDiscoSnmpTarget::name) and
  // come before any set without one: two devices on one address and port (two communities of
  // one switch, "public" and "public@10") are each asked with their own.
  // Sessions opened with earlier credentials are not used again. Credentials that do not pass
  // Validate make every request to the device fail with TOL_ERR_FAILED.
  void SetCredentials(const std::string& address, int port, const CDiscoSnmpCredentials& c,
                      const std::string& name = "");
  void SetDefaultCredentials(const CDiscoSnmpCredentials& c);

  // Get: GET of one instance. TOL_ERR_FAILED for noSuchObject, noSuchInstance, endOfMibView, v1
  // noSuchName and a value that cannot be decoded (see ValueProblems); TOL_ERR_TIMEOUT when no
  // answer came after the retries.
  int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
          TolSnmpValue* value, std::string* reason) override;
  // Walk: ends at the first identifier outside `column`, at endOfMibView, noSuchObject,
  // noSuchInstance or v1 noSuchName; a value that cannot be decoded leaves its row out (see
  // ValueProblems) and the walk goes on. An answer whose identifier does not increase fails the
  // walk with TOL_ERR_PROTOCOL; a time-out (after the retries) with TOL_ERR_TIMEOUT. A tooBig error
  // makes the walk ask for fewer repetitions. `*rows` receives the rows, replacing what it held
  // (as with the replay backend); any failure leaves it empty.
  int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
           std::vector<TolSnmpRow>* rows, std::string* reason) override;

  // Request PDUs sent so far to all devices, each retry counted once more (SNMPv3 engine
  // discovery included; the library's own re-send after an SNMPv3 time-window report is not).
  long RequestCount() const;
  // The counters of the device `deviceKey` (CDiscoSnmpTarget::DeviceKey(): devices read on one
  // endpoint through other credentials are counted apart); zeros for a device never contacted.
  // Thread-safe; may be read while requests run.
  CDiscoSnmpCounters Counters(const std::string& deviceKey) const;
  // The values the device `deviceKey` answered that could not be decoded, one text each
  // ("OID: reason", e.g. "1.3.6.1.2.1.4.20.1.1.10.0.0.1: IpAddress of 5 octets"): on v1 and v2c
  // such a value costs that instance only, answered as noSuchInstance, instead of the whole
  // answer. At most 100, then "N more values left out". Thread-safe.
  std::vector<std::string> ValueProblems(const std::string& deviceKey) const;

 private:
  CDiscoSnmpCredentials CredentialsFor(const CDiscoSnmpTarget& target) const;

  mutable std::mutex m_Mutex;
  std::map<std::string, CDiscoSnmpCredentials> m_Credentials;  // "address:port[ name]"
  CDiscoSnmpCredentials m_Default;
  std::unique_ptr<tolnetsnmp::CounterTable> m_Counters;
  std::unique_ptr<tolnetsnmp::SessionPool> m_Pool;  // refers to m_Counters
};
