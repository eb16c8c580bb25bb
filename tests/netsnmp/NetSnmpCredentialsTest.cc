// Credential checks: what passes, what is refused and why, without echoing a secret and without
// sending anything for refused credentials.
#include <gtest/gtest.h>

#include <functional>

#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

CDiscoSnmpCredentials V3(CDiscoSnmpCredentials::SecurityLevel level) {
  CDiscoSnmpCredentials c;
  c.version = CDiscoSnmpCredentials::kV3;
  c.user = "ops";
  c.level = level;
  c.authPassphrase = "auth-phrase-7x";
  c.privPassphrase = "priv-phrase-7x";
  return c;
}

TEST(NetSnmpCredentials, ValidCombinationsPass) {
  std::vector<CDiscoSnmpCredentials> valid = {Community("public", CDiscoSnmpCredentials::kV1),
                                              Community("c0mmunity")};
  valid.push_back(V3(CDiscoSnmpCredentials::kNoAuthNoPriv));
  for (const char* auth : {"MD5", "SHA", "sha-224", "SHA256", "SHA-384", "SHA-512"}) {
    for (const char* priv :
         {"DES", "AES", "AES-128", "AES-192", "AES-256", "AES-192-C", "aes256c"}) {
      CDiscoSnmpCredentials c = V3(CDiscoSnmpCredentials::kAuthPriv);
      c.authProtocol = auth;
      c.privProtocol = priv;
      valid.push_back(c);
    }
  }
  for (const CDiscoSnmpCredentials& c : valid) {
    std::string error;
    EXPECT_TRUE(CDiscoNetSnmpBackend::Validate(c, &error))
        << c.authProtocol << "/" << c.privProtocol << ": " << error;
  }
}

TEST(NetSnmpCredentials, InvalidOnesAreRefusedWithAReasonAndNoSecret) {
  using Edit = std::function<void(CDiscoSnmpCredentials*)>;
  struct Case {
    const char* what;
    CDiscoSnmpCredentials::SecurityLevel level;
    Edit edit;
    const char* errorPart;
  };
  const auto authPriv = CDiscoSnmpCredentials::kAuthPriv;
  const Case errors[] = {
      {"empty community", authPriv, [](CDiscoSnmpCredentials* c) { *c = Community(""); },
       "community"},
      {"no user", authPriv, [](CDiscoSnmpCredentials* c) { c->user.clear(); }, "user name"},
      {"short auth passphrase", CDiscoSnmpCredentials::kAuthNoPriv,
       [](CDiscoSnmpCredentials* c) { c->authPassphrase = "pw7"; }, "authentication passphrase"},
      {"short priv passphrase", authPriv,
       [](CDiscoSnmpCredentials* c) { c->privPassphrase = "pw7"; }, "privacy passphrase"},
      {"unknown auth protocol", authPriv,
       [](CDiscoSnmpCredentials* c) { c->authProtocol = "SHA-3"; }, "authentication protocol"},
      {"unknown priv protocol", authPriv,
       [](CDiscoSnmpCredentials* c) { c->privProtocol = "3DES"; }, "privacy protocol"},
      {"long context", authPriv,
       [](CDiscoSnmpCredentials* c) { c->contextName = std::string(33, 'x'); }, "context"},
      {"zero timeout", authPriv, [](CDiscoSnmpCredentials* c) { c->timeoutMs = 0; }, "timeout"},
      {"negative retries", authPriv, [](CDiscoSnmpCredentials* c) { c->retries = -1; }, "retries"},
      {"too many repetitions", authPriv, [](CDiscoSnmpCredentials* c) { c->maxRepetitions = 1001; },
       "max-repetitions"},
  };
  for (const Case& k : errors) {
    SCOPED_TRACE(k.what);
    CDiscoSnmpCredentials c = V3(k.level);
    k.edit(&c);
    std::string error;
    EXPECT_FALSE(CDiscoNetSnmpBackend::Validate(c, &error));
    EXPECT_NE(std::string::npos, error.find(k.errorPart)) << error;
    for (const std::string& secret : {c.authPassphrase, c.privPassphrase}) {
      if (!secret.empty()) {
        EXPECT_EQ(std::string::npos, error.find(secret)) << error;
      }
    }

    // Requests with such credentials fail before anything is sent.
    CDiscoNetSnmpBackend backend;
    backend.SetCredentials("127.0.0.1", 9, c);
    std::vector<TolSnmpRow> rows;
    std::string reason;
    EXPECT_EQ(TOL_ERR_FAILED,
              backend.Walk(TargetOf("127.0.0.1", 9), Oid("1.3.6.1.2.1.2.2.1.2"), &rows, &reason));
    EXPECT_NE(std::string::npos, reason.find("invalid SNMP credentials")) << reason;
    EXPECT_EQ(0, backend.RequestCount());
  }
}

}  // namespace
