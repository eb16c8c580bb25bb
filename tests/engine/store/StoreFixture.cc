#include "StoreFixture.h"

#include "support/PostgresServer.h"

using namespace disco::store;

namespace {

// One PostgreSQL server for the whole program, started by the first test that needs it (ctest
// runs each test in a process of its own: an SQLite test starts none) and stopped after the
// last, also when tests fail.
class PostgresEnvironment : public testing::Environment {
 public:
  void TearDown() override { m_Server.Stop(); }
  static PostgresEnvironment* Get() { return s_Instance; }
  bool Started(std::string* error) {
    if (!m_Tried) m_Started = m_Server.Start(false, &m_Error);
    m_Tried = true;
    *error = m_Error;
    return m_Started;
  }
  const PostgresServer& Server() const { return m_Server; }
  int NextDatabase() { return ++m_Databases; }

  static PostgresEnvironment* s_Instance;

 private:
  PostgresServer m_Server;
  bool m_Tried = false, m_Started = false;
  std::string m_Error;
  int m_Databases = 0;
};
PostgresEnvironment* PostgresEnvironment::s_Instance =
    static_cast<PostgresEnvironment*>(testing::AddGlobalTestEnvironment(new PostgresEnvironment));

}  // namespace

std::string BackendName(const testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
}

void StoreTest::SetUp() {
  ASSERT_FALSE(m_Dir.Path().empty());
  if (GetParam() == Backend::kSqlite) {
    m_Target = m_Dir.Path() + "/store/inventory.db";
    return;
  }
  PostgresEnvironment* env = PostgresEnvironment::Get();
  std::string error;
  ASSERT_TRUE(env->Started(&error)) << "the test's PostgreSQL server did not start: " << error;
  std::string name = "store_test_" + std::to_string(env->NextDatabase());
  auto admin = OpenPostgres(env->Server().Uri(), &error);
  ASSERT_TRUE(admin) << error;
  ASSERT_TRUE(admin->Exec("CREATE DATABASE " + name, &error)) << error;
  m_Target = env->Server().Uri(name);
}

std::unique_ptr<Store> StoreTest::Open(StoreOptions options) {
  std::string error;
  options.ouiFile = m_Dir.Path() + "/oui.txt";
  auto store = OpenStore(m_Target, options, &error);
  EXPECT_TRUE(store) << error;
  return store;
}

std::unique_ptr<SqlConnection> StoreTest::Raw() {
  std::string error;
  auto db = GetParam() == Backend::kSqlite ? OpenSqlite(m_Target, false, 1000, &error)
                                           : OpenPostgres(m_Target, &error);
  EXPECT_TRUE(db) << error;
  return db;
}

std::int64_t StoreTest::Count(const std::string& sql) {
  std::string error;
  auto db = Raw();
  auto s = db ? db->Prepare(sql, &error) : nullptr;
  EXPECT_TRUE(s && s->Run({}, &error) && s->Next()) << sql << ": " << error;
  return s ? s->Int(0) : -1;
}

RunSnapshot SampleRun(std::int64_t t) {
  RunSnapshot r;
  r.run = {"lab.yaml", "2.0.0", t, t + 300, 4, 4};
  r.devices = {
      {"core-1", "10.0.0.1", "core-1.example", "1.3.6.1.4.1.1916.2.1", "00:04:96:00:00:01", true},
      {"edge-1", "10.0.0.2", "edge-1.example", "1.3.6.1.4.1.1916.2.2", "", true},
      {"edge-2", "10.0.0.3", "edge-2.example", "1.3.6.1.4.1.1916.2.2", "", true},
      {"ap-1", "10.0.0.9", "ap-1", "1.3.6.1.4.1.99", "", true}};
  for (const char* device : {"core-1", "edge-1", "edge-2"}) {
    for (int port = 1; port <= 4; ++port) {
      r.interfaces.push_back({device, "1:" + std::to_string(port), 1000 + port,
                              "port " + std::to_string(port), "up", "forwarding", "Default(1)"});
    }
  }
  r.links = {{"core-1", "1:1", "edge-1", "1:1", "edp", "forwarding"},
             {"edge-2", "1:1", "core-1", "1:2", "lldp", "forwarding"}};
  r.hosts = {{"00:11:22:33:44:55", "10.0.0.5", 10, "edge-1", "1:3", "fdb"},
             {"00:11:22:00:00:02", "", 10, "edge-2", "1:3", "fdb"},
             {"00:11:22:00:00:03", "10.0.0.7", 10, "edge-2", "1:4", "fdb"}};
  r.neighbours = {{"edge-1", "1:2", "00:aa:bb:cc:dd:01", "eth0", "printer-7", "10.0.0.77"}};
  return r;
}

RunSnapshot ChangedRun(std::int64_t t) {
  RunSnapshot r = SampleRun(t);
  r.run.devicesFound = 3;
  r.devices[3].answered = false;
  r.links.pop_back();
  for (InterfaceFact& i : r.interfaces) {
    if (i.device == "edge-2" && i.port == "1:1") i.status = "down";
  }
  r.hosts[0].device = "edge-2";
  r.hosts[0].port = "1:2";
  r.hosts.pop_back();
  r.hosts.push_back({"00:11:22:00:00:04", "", 10, "edge-1", "1:4", "fdb"});
  return r;
}
