// The SNMP backend for real devices, over net-snmp. SNMP v1, v2c and v3 (USM), per-device
// credentials, timeout and retries; column walks with GETBULK on v2c/v3 and GETNEXT on v1.
// Credentials never appear in a reason text, a trace or an error report.
// Thread-safe: each request uses a session of its own calling thread.
#pragma once

#include <atomic>
#include <map>
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
  std::string privProtocol = "AES";  // DES, AES (AES-128), AES-192, AES-256 where available
  std::string privPassphrase;
  // Transport
  int timeoutMs = 1000;    // per request
  int retries = 1;         // resends after a time-out
  int maxRepetitions = 25;  // GETBULK max-repetitions (1..1000)
};

class CDiscoNetSnmpBackend : public CDiscoSnmpBackend {
 public:
  CDiscoNetSnmpBackend();
  ~CDiscoNetSnmpBackend() override;

  // Checks `c` (known protocols, passphrases of at least 8 characters where needed, sane
  // numbers). Returns true, or false with `*error` saying what is wrong (never echoing a secret).
  static bool Validate(const CDiscoSnmpCredentials& c, std::string* error);

  // Credentials for the device at address:port; devices without their own use the default.
  void SetCredentials(const std::string& address, int port, const CDiscoSnmpCredentials& c);
  void SetDefaultCredentials(const CDiscoSnmpCredentials& c);

  int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
          TolSnmpValue* value, std::string* reason) override;
  int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
           std::vector<TolSnmpRow>* rows, std::string* reason) override;

  // Request PDUs sent so far (each retry counted once more).
  long RequestCount() const { return m_Requests.load(); }

 private:
  CDiscoSnmpCredentials CredentialsFor(const CDiscoSnmpTarget& target) const;

  mutable std::mutex m_Mutex;
  std::map<std::string, CDiscoSnmpCredentials> m_Credentials;  // "address:port"
  CDiscoSnmpCredentials m_Default;
  std::atomic<long> m_Requests{0};
};
