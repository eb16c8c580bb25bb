// SNMPv3 against snmpsim: every security level, the authentication and privacy protocols the
// installed net-snmp offers, and refusals that never reveal a secret.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <sstream>
#include <thread>

#include "host/CDiscoStdRequester.h"
#include "host/CTolDoubleList.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolVarBind.h"
#include "host/TolDebug.h"
#include "host/TolTypes.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

const char kRecording[] =
    "1.3.6.1.2.1.1.5.0|4|bd8806-dist-2\n"
    "1.3.6.1.2.1.2.2.1.2.1001|4|Port 1:1\n"
    "1.3.6.1.2.1.2.2.1.2.1002|4|Port 1:2\n"
    "1.3.6.1.2.1.2.2.1.2.2001|4|Port 2:1\n"
    "1.3.6.1.2.1.2.2.1.3.1001|2|6\n";

struct User {
  SnmpsimUser sim;  // as the simulator knows it
  CDiscoSnmpCredentials::SecurityLevel level;
  const char* authProtocol;  // as the backend names it
  const char* privProtocol;
};

const User kUsers[] = {
    {{"plain", "", "", "", ""}, CDiscoSnmpCredentials::kNoAuthNoPriv, "", ""},
    {{"md5-only", "MD5", "md5-passphrase", "", ""}, CDiscoSnmpCredentials::kAuthNoPriv, "MD5", ""},
    {{"sha-aes", "SHA", "sha-auth-phrase", "AES", "sha-priv-phrase"},
     CDiscoSnmpCredentials::kAuthPriv,
     "SHA",
     "AES"},
    {{"md5-des", "MD5", "md5-auth-phrase", "DES", "md5-priv-phrase"},
     CDiscoSnmpCredentials::kAuthPriv,
     "MD5",
     "DES"},
    {{"sha256-aes192", "SHA256", "sha256-auth-phrase", "AES192BLMT", "aes192-priv-phrase"},
     CDiscoSnmpCredentials::kAuthPriv,
     "SHA-256",
     "AES-192"},
    {{"sha512-aes256c", "SHA512", "sha512-auth-phrase", "AES256", "aes256-priv-phrase"},
     CDiscoSnmpCredentials::kAuthPriv,
     "SHA-512",
     "AES-256-C"},
};

CDiscoSnmpCredentials V3(const User& u) {
  CDiscoSnmpCredentials c;
  c.version = CDiscoSnmpCredentials::kV3;
  c.user = u.sim.name;
  c.level = u.level;
  c.authProtocol = u.authProtocol;
  c.authPassphrase = u.sim.authKey;
  c.privProtocol = u.privProtocol;
  c.privPassphrase = u.sim.privKey;
  c.contextName = "public";  // snmpsim: the recording's name
  c.timeoutMs = 1000;
  c.retries = 1;
  return c;
}

TEST(NetSnmpV3, ReadsAtEverySecurityLevelAndProtocol) {
  Snmpsim sim;
  sim.AddRecording("public", kRecording);
  for (const User& u : kUsers) sim.AddUser(u.sim);
  START_SNMPSIM(sim);
  const CDiscoSnmpTarget target = TargetOf(sim.Address(), sim.Port());

  for (const User& u : kUsers) {
    SCOPED_TRACE(u.sim.name);
    CDiscoNetSnmpBackend backend;
    std::string error;
    ASSERT_TRUE(CDiscoNetSnmpBackend::Validate(V3(u), &error)) << error;
    backend.SetCredentials(target.address, target.port, V3(u));
    TolSnmpValue name;
    std::string reason;
    ASSERT_EQ(TOL_OK, backend.Get(target, Oid("1.3.6.1.2.1.1.5.0"), &name, &reason)) << reason;
    EXPECT_EQ("bd8806-dist-2", name.bytes);
    std::vector<TolSnmpRow> rows;
    ASSERT_EQ(TOL_OK, backend.Walk(target, Oid("1.3.6.1.2.1.2.2.1.2"), &rows, &reason)) << reason;
    ExpectSameRows(RecordedRows(kRecording, Oid("1.3.6.1.2.1.2.2.1.2")), rows);
  }
}

// Several threads at once, each with sessions of its own, over v2c and SNMPv3 authPriv (whose
// sessions share the library's user list): every walk gives the recorded rows.
TEST(NetSnmpV3, ConcurrentWalksOverV2cAndV3GiveTheRecordedRows) {
  const User& secure = kUsers[2];  // SHA + AES
  Snmpsim sim;
  sim.AddRecording("public", kRecording);
  sim.AddUser(secure.sim);
  START_SNMPSIM(sim);
  const CDiscoSnmpTarget target = TargetOf(sim.Address(), sim.Port());
  const std::vector<TolSnmpRow> expected = RecordedRows(kRecording, Oid("1.3.6.1.2.1.2.2.1.2"));
  CDiscoNetSnmpBackend v2c, v3;
  v2c.SetDefaultCredentials(Community("public"));
  v3.SetDefaultCredentials(V3(secure));

  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      CDiscoNetSnmpBackend& backend = t % 2 ? v3 : v2c;
      for (int i = 0; i < 10; ++i) {
        std::vector<TolSnmpRow> rows;
        std::string reason;
        if (backend.Walk(target, Oid("1.3.6.1.2.1.2.2.1.2"), &rows, &reason) == TOL_OK &&
            rows.size() == expected.size() && rows.back().value.bytes == "Port 2:1") {
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
TEST(NetSnmpV3, RefusalsAreQuickAndNeverRevealSecrets) {
  const User& good = kUsers[2];  // SHA + AES
  Snmpsim sim;
  sim.AddRecording("public", kRecording);
  sim.AddUser(good.sim);
  START_SNMPSIM(sim);

  CDiscoSnmpCredentials wrongCommunity = Community("s3cret-community");
  wrongCommunity.timeoutMs = 200;
  wrongCommunity.retries = 1;
  CDiscoSnmpCredentials wrongAuth = V3(good);
  wrongAuth.authPassphrase = "wrong-auth-phrase-42";
  wrongAuth.timeoutMs = 300;
  CDiscoSnmpCredentials wrongPriv = V3(good);
  wrongPriv.privPassphrase = "wrong-priv-phrase-42";
  wrongPriv.timeoutMs = 300;
  struct Case {
    const char* what;
    CDiscoSnmpCredentials credentials;
    int code;  // 0: any failure
    const char* reasonPart;
  };
  const Case cases[] = {
      {"wrong community: timeout", wrongCommunity, TOL_ERR_TIMEOUT, "timeout"},
      // snmpsim drops these silently (a device may send a report instead): any failure will do.
      {"wrong authentication passphrase", wrongAuth, 0, ""},
      {"wrong privacy passphrase", wrongPriv, 0, ""},
  };
  const std::vector<std::string> secrets = {"s3cret-community", good.sim.authKey, good.sim.privKey,
                                            "wrong-auth-phrase-42", "wrong-priv-phrase-42"};

  const int savedLevel = __Tolvane_Debug_Level;
  __Tolvane_Debug_Level = 4;
  std::ostringstream traces;
  std::streambuf* savedCout = std::cout.rdbuf(traces.rdbuf());
  CTolScopedErrorLog errors;
  std::vector<std::string> reasons;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto backend = std::make_shared<CDiscoNetSnmpBackend>();
    backend->SetDefaultCredentials(k.credentials);
    TolSnmpValue value;
    std::string reason;
    auto start = std::chrono::steady_clock::now();
    int rc = backend->Get(TargetOf(sim.Address(), sim.Port()), Oid("1.3.6.1.2.1.1.5.0"), &value,
                          &reason);
    auto elapsed = std::chrono::steady_clock::now() - start;
    if (k.code != 0) {
      EXPECT_EQ(k.code, rc) << reason;
    }
    EXPECT_LT(rc, 0);
    EXPECT_NE(std::string::npos, reason.find(k.reasonPart)) << reason;
    // Bounded by timeout x attempts, not by anything longer.
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500)) << reason;
    reasons.push_back(reason);

    // The same through the requester, which turns the failure into an error report.
    CDiscoStdRequester requester;
    requester.DSRSetSnmpBackend(backend);
    CTolRecord device;
    device.RRAddValue(new CTolVarBind("m_Name", "sw-under-test"));
    device.RRAddValue(new CTolVarBind("m_IpAddress", sim.Address().c_str()));
    device.RRAddValue(new CTolVarBind("m_SnmpPort", sim.Port()));
    EXPECT_EQ(nullptr, requester.DSRSnmpGetNext(&device, "ifDescr", nullptr, nullptr));
  }
  std::cout.rdbuf(savedCout);
  __Tolvane_Debug_Level = savedLevel;

  std::vector<std::string> texts = reasons;
  texts.push_back(traces.str());
  for (const TolErrorRecord& r : errors.Records()) texts.push_back(r.text);
  EXPECT_EQ(3u, errors.Records().size());
  for (const std::string& text : texts) {
    for (const std::string& secret : secrets) {
      EXPECT_EQ(std::string::npos, text.find(secret)) << "secret revealed in: " << text;
    }
  }

  // Credentials put right work at once: the keys of the wrong ones are not kept.
  CDiscoNetSnmpBackend fixed;
  fixed.SetDefaultCredentials(V3(good));
  TolSnmpValue name;
  std::string reason;
  EXPECT_EQ(TOL_OK, fixed.Get(TargetOf(sim.Address(), sim.Port()), Oid("1.3.6.1.2.1.1.5.0"), &name,
                              &reason))
      << reason;
}

}  // namespace
