// SNMPv3 against snmpsim: every security level, the authentication and privacy protocols the
// installed net-snmp offers, and refusals that never reveal a secret.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/CDiscoStdRequester.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolVarBind.h"
#include "host/TolDebug.h"
#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"
#include "support/TraceCapture.h"

namespace {

const char kRecording[] =
    "1.3.6.1.2.1.1.5.0|4|bd8806-dist-2\n"
    "1.3.6.1.2.1.2.2.1.2.1001|4|Port 1:1\n"
    "1.3.6.1.2.1.2.2.1.2.1002|4|Port 1:2\n"
    "1.3.6.1.2.1.2.2.1.2.2001|4|Port 2:1\n"
    "1.3.6.1.2.1.2.2.1.3.1001|2|6\n";

using C = CDiscoSnmpCredentials;
const struct User {
  SnmpsimUser sim;  // as the simulator knows it
  C::SecurityLevel level;
  const char* authProtocol;  // as the backend names it
  const char* privProtocol;
} kUsers[] = {
    {{"plain", "", "", "", ""}, C::kNoAuthNoPriv, "", ""},
    {{"md5-only", "MD5", "md5-passphrase", "", ""}, C::kAuthNoPriv, "MD5", ""},
    {{"sha-aes", "SHA", "sha-auth-phrase", "AES", "sha-priv-phrase"}, C::kAuthPriv, "SHA", "AES"},
    {{"md5-des", "MD5", "md5-auth-phrase", "DES", "md5-priv-phrase"}, C::kAuthPriv, "MD5", "DES"},
    {{"sha256-aes192", "SHA256", "sha256-auth-phrase", "AES192BLMT", "aes192-priv-phrase"},
     C::kAuthPriv,
     "SHA-256",
     "AES-192"},
    {{"sha512-aes256c", "SHA512", "sha512-auth-phrase", "AES256", "aes256-priv-phrase"},
     C::kAuthPriv,
     "SHA-512",
     "AES-256-C"},
};
const User& kSecure = kUsers[2];  // SHA + AES

C V3(const User& u) {
  C c;
  c.version = C::kV3;
  c.user = u.sim.name;
  c.level = u.level;
  c.authProtocol = u.authProtocol;
  c.authPassphrase = u.sim.authKey;
  c.privProtocol = u.privProtocol;
  c.privPassphrase = u.sim.privKey;
  c.contextName = "public";  // snmpsim: the recording's name
  return c;
}

// A simulator serving kRecording to community "public" and to every user of kUsers.
class NetSnmpV3 : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.AddRecording("public", kRecording);
    for (const User& u : kUsers) sim.AddUser(u.sim);
    START_SNMPSIM(sim);
  }
  CDiscoSnmpTarget Target() const { return TargetOf(sim.Address(), sim.Port()); }
  int GetSysName(CDiscoNetSnmpBackend& backend, TolSnmpValue* value, std::string* reason) {
    return backend.Get(Target(), Oid("1.3.6.1.2.1.1.5.0"), value, reason);
  }
  Snmpsim sim;
};

TEST_F(NetSnmpV3, ReadsAtEverySecurityLevelAndProtocol) {
  for (const User& u : kUsers) {
    SCOPED_TRACE(u.sim.name);
    CDiscoNetSnmpBackend backend;
    backend.SetCredentials(sim.Address(), sim.Port(), V3(u));
    TolSnmpValue name;
    std::string reason;
    ASSERT_EQ(TOL_OK, GetSysName(backend, &name, &reason)) << reason;
    EXPECT_EQ("bd8806-dist-2", name.bytes);
    std::vector<TolSnmpRow> rows;
    ASSERT_EQ(TOL_OK, backend.Walk(Target(), Oid("1.3.6.1.2.1.2.2.1.2"), &rows, &reason)) << reason;
    ExpectSameRows(RecordedRows(kRecording, Oid("1.3.6.1.2.1.2.2.1.2")), rows);
  }
}

// Several threads at once, each with sessions of its own, over v2c and SNMPv3 authPriv (whose
// sessions share the library's user list): every walk gives the recorded rows.
TEST_F(NetSnmpV3, ConcurrentWalksOverV2cAndV3GiveTheRecordedRows) {
  const size_t expected = RecordedRows(kRecording, Oid("1.3.6.1.2.1.2.2.1.2")).size();
  CDiscoNetSnmpBackend v2c, v3;
  v2c.SetDefaultCredentials(Community("public"));
  v3.SetDefaultCredentials(V3(kSecure));

  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        std::vector<TolSnmpRow> rows;
        std::string reason;
        if ((t % 2 ? v3 : v2c).Walk(Target(), Oid("1.3.6.1.2.1.2.2.1.2"), &rows, &reason) ==
                TOL_OK &&
            rows.size() == expected && rows.back().value.bytes == "Port 2:1") {
          ++good;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(60, good.load());
}

// Failing requests, with tracing on and an error log installed: neither the reasons, nor the
// traces, nor the error reports may contain a community or a passphrase.
TEST_F(NetSnmpV3, RefusalsStopAfterTheRetriesAndNeverRevealSecrets) {
  C wrongCommunity = Community("s3cret-community");
  wrongCommunity.timeoutMs = 200;
  C wrongAuth = V3(kSecure), wrongPriv = V3(kSecure);
  wrongAuth.authPassphrase = "wrong-auth-phrase-42";
  wrongPriv.privPassphrase = "wrong-priv-phrase-42";
  wrongAuth.timeoutMs = wrongPriv.timeoutMs = 300;
  const struct {
    const char* what;
    C credentials;
    int code;  // 0: any failure
  } cases[] = {
      {"wrong community: timeout", wrongCommunity, TOL_ERR_TIMEOUT},
      // snmpsim drops these silently (a device may send a report instead): any failure will do.
      {"wrong authentication passphrase", wrongAuth, 0},
      {"wrong privacy passphrase", wrongPriv, 0},
  };

  CTolScopedErrorLog errors;
  std::vector<std::string> texts;
  TraceCapture traces(4);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    auto backend = std::make_shared<CDiscoNetSnmpBackend>();
    backend->SetDefaultCredentials(k.credentials);
    TolSnmpValue value;
    std::string reason;
    int rc = GetSysName(*backend, &value, &reason);
    // A time-out gives up after the retries, not later.
    if (k.code == TOL_ERR_TIMEOUT) {
      EXPECT_EQ(k.credentials.retries + 1, backend->RequestCount());
    }
    EXPECT_TRUE(k.code == 0 || rc == k.code) << rc << ": " << reason;
    EXPECT_LT(rc, 0);
    EXPECT_TRUE(k.code != TOL_ERR_TIMEOUT || reason.find("timeout") != std::string::npos) << reason;
    texts.push_back(reason);

    // The same through the requester, which turns the failure into an error report.
    CDiscoStdRequester requester;
    requester.DSRSetSnmpBackend(backend);
    CTolRecord device;
    device.RRAddValue(new CTolVarBind("m_Name", "sw-under-test"));
    device.RRAddValue(new CTolVarBind("m_IpAddress", sim.Address().c_str()));
    device.RRAddValue(new CTolVarBind("m_SnmpPort", sim.Port()));
    EXPECT_EQ(nullptr, requester.DSRSnmpGetNext(&device, "ifDescr", nullptr, nullptr));
  }
  texts.push_back(traces.Text());
  for (const TolErrorRecord& r : errors.Records()) texts.push_back(r.text);
  EXPECT_EQ(3u, errors.Records().size());
  const std::string secrets[] = {"s3cret-community", kSecure.sim.authKey, kSecure.sim.privKey,
                                 "wrong-auth-phrase-42", "wrong-priv-phrase-42"};
  for (const std::string& text : texts) {
    for (const std::string& secret : secrets) {
      EXPECT_EQ(std::string::npos, text.find(secret)) << "secret revealed in: " << text;
    }
  }

  // Credentials put right work at once: the keys of the wrong ones are not kept.
  CDiscoNetSnmpBackend fixed;
  fixed.SetDefaultCredentials(V3(kSecure));
  TolSnmpValue name;
  std::string reason;
  EXPECT_EQ(TOL_OK, GetSysName(fixed, &name, &reason)) << reason;
}

}  // namespace
