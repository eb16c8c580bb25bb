// Credential checks: what passes, what is refused and why, without echoing a secret and without
// sending anything for refused credentials.
#include <gtest/gtest.h>

#include <functional>

#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

using C = CDiscoSnmpCredentials;

C V3(C::SecurityLevel level, const char* auth = "SHA", const char* priv = "AES") {
  C c;
  c.version = C::kV3;
  c.user = "ops";
  c.level = level;
  c.authProtocol = auth;
  c.privProtocol = priv;
  c.authPassphrase = "auth-phrase-7x";
  c.privPassphrase = "priv-phrase-7x";
  return c;
}

TEST(NetSnmpCredentials, ValidCombinationsPass) {
  std::vector<C> valid = {Community("public", C::kV1), Community("c0mmunity"),
                          V3(C::kNoAuthNoPriv)};
  for (const char* auth : {"MD5", "SHA", "sha-224", "SHA256", "SHA-384", "SHA-512"}) {
    for (const char* priv : {"DES", "AES", "AES-128", "AES-192", "AES-256", "AES-192-C", "aes256c"})
      valid.push_back(V3(C::kAuthPriv, auth, priv));
  }
  for (const C& c : valid) {
    std::string error;
    EXPECT_TRUE(CDiscoNetSnmpBackend::Validate(c, &error))
        << c.authProtocol << "/" << c.privProtocol << ": " << error;
  }
}

TEST(NetSnmpCredentials, InvalidOnesAreRefusedWithAReasonAndNoSecret) {
  const struct {
    C::SecurityLevel level;
    std::function<void(C*)> edit;
    const char* errorPart;
  } errors[] = {
      {C::kAuthPriv, [](C* c) { *c = Community(""); }, "community"},
      {C::kAuthPriv, [](C* c) { c->user.clear(); }, "user name"},
      {C::kAuthNoPriv, [](C* c) { c->authPassphrase = "pw7"; }, "authentication passphrase"},
      {C::kAuthPriv, [](C* c) { c->privPassphrase = "pw7"; }, "privacy passphrase"},
      {C::kAuthPriv, [](C* c) { c->authProtocol = "SHA-3"; }, "authentication protocol"},
      {C::kAuthPriv, [](C* c) { c->privProtocol = "3DES"; }, "privacy protocol"},
      {C::kAuthPriv, [](C* c) { c->contextName = std::string(33, 'x'); }, "context"},
      {C::kAuthPriv, [](C* c) { c->timeoutMs = 0; }, "timeout"},
      {C::kAuthPriv, [](C* c) { c->retries = -1; }, "retries"},
      {C::kAuthPriv, [](C* c) { c->maxRepetitions = 1001; }, "max-repetitions"},
  };
  for (const auto& k : errors) {
    SCOPED_TRACE(k.errorPart);
    C c = V3(k.level);
    k.edit(&c);
    std::string error;
    EXPECT_FALSE(CDiscoNetSnmpBackend::Validate(c, &error));
    EXPECT_NE(std::string::npos, error.find(k.errorPart)) << error;
    for (const std::string& secret : {c.authPassphrase, c.privPassphrase}) {
      EXPECT_TRUE(secret.empty() || error.find(secret) == std::string::npos) << error;
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
