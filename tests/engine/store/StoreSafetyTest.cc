// What must never go wrong on either store: a writer killed mid-run, old and newer schemas, and
// (SQLite) a store file that others may write.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "StoreFixture.h"
#include "engine/store/Schema.h"

using namespace disco::store;

namespace {

using StoreSafetyTest = StoreTest;

RunSnapshot BigRun(std::int64_t t, int hosts) {
  RunSnapshot r = SampleRun(t);
  for (int i = 0; i < hosts; ++i) {
    char mac[18];
    std::snprintf(mac, sizeof mac, "02:00:00:00:%02x:%02x", i >> 8 & 0xff, i & 0xff);
    r.hosts.push_back({mac, "", 20, "edge-1", "1:" + std::to_string(5 + i % 40), "fdb"});
  }
  return r;
}

TEST_P(StoreSafetyTest, RunKilledDuringItsWriteLeavesThePreviousState) {
  std::string error;
  {
    auto store = Open();
    ASSERT_TRUE(store);
    ASSERT_GT(store->WriteRun(SampleRun(kDay1), nullptr, &error), 0) << error;
  }
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child writes a big run and stops in the middle of its transaction, 2000 rows in,
    // until it is killed.
    close(ready[0]);
    StoreOptions options;
    options.afterRows = [&](std::int64_t rows) {
      if (rows < 2000) return;
      char byte = 'k';
      if (write(ready[1], &byte, 1) != 1) _exit(3);
      for (;;) pause();
    };
    std::string why;
    auto store = OpenStore(Target(), options, &why);
    if (store) store->WriteRun(BigRun(kDay1 + 86400, 5000), nullptr, &why);
    _exit(2);  // never reached when the hook stopped it
  }
  close(ready[1]);
  char byte = 0;
  ssize_t got = read(ready[0], &byte, 1);
  close(ready[0]);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(got, 1) << "the child did not reach the middle of its write (exit "
                    << WEXITSTATUS(status) << ")";
  ASSERT_TRUE(WIFSIGNALED(status));

  auto store = Open();
  ASSERT_TRUE(store);
  std::vector<RunRow> runs;
  ASSERT_TRUE(store->Runs(&runs, &error)) << error;
  EXPECT_EQ(runs.size(), 1u);
  std::int64_t rows = 0, bytes = 0;
  ASSERT_TRUE(store->Stats(&rows, &bytes, &error)) << error;
  EXPECT_EQ(rows, 3);
  FindResult found;
  ASSERT_TRUE(store->Find("02:00:00:00:00:01", &found, &error)) << error;
  EXPECT_TRUE(found.matches.empty());
  // And the store takes the next run as if nothing happened.
  // (PostgreSQL may skip the id the killed run drew.)
  ASSERT_GT(store->WriteRun(ChangedRun(kDay1 + 86400), nullptr, &error), 1) << error;
  ASSERT_TRUE(store->Find("00:11:22:33:44:55", &found, &error)) << error;
  EXPECT_EQ(found.matches.size(), 2u);
}

TEST_P(StoreSafetyTest, VersionOneStoreIsMigratedAndNewerStoreRefused) {
  std::string error;
  StoreOptions old;
  old.schemaVersion = 1;
  ASSERT_TRUE(Open(old));
  {
    auto db = Raw();
    auto insert = db->Prepare(
        "INSERT INTO runs (started, ended, devices_asked, devices_found, scope, version)"
        " VALUES (?, ?, 1, 1, 'old.yaml', '1.9.0')",
        &error);
    ASSERT_TRUE(insert && insert->Run({kDay1 - 86400, kDay1 - 86000}, &error)) << error;
    int version = 0;
    ASSERT_TRUE(ReadSchemaVersion(db.get(), &version, &error)) << error;
    EXPECT_EQ(version, 1);
  }
  auto store = Open();
  ASSERT_TRUE(store);
  int version = 0;
  ASSERT_TRUE(ReadSchemaVersion(Raw().get(), &version, &error)) << error;
  EXPECT_EQ(version, kSchemaVersion);
  std::vector<RunRow> runs;
  ASSERT_TRUE(store->Runs(&runs, &error)) << error;
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].version, "1.9.0");
  // What version 2 added works on the migrated store: vendors and the search by address.
  m_Dir.Write("oui.txt", "001122     (base 16)\t\tExample Networks\n");
  ASSERT_GT(store->WriteRun(SampleRun(kDay1), nullptr, &error), 0) << error;
  FindResult found;
  ASSERT_TRUE(store->Find("10.0.0.5", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 1u);
  EXPECT_EQ(found.matches[0].vendor, "Example Networks");
  store.reset();

  ASSERT_TRUE(Raw()->Exec("UPDATE schema_version SET version = 7", &error)) << error;
  EXPECT_FALSE(OpenStore(Target(), {}, &error));
  EXPECT_NE(error.find("schema version 7, newer than version 3"), std::string::npos) << error;
}

TEST_P(StoreSafetyTest, VendorsComeFromTheOuiListWhenThereIsOne) {
  std::string error;
  m_Dir.Write("oui.txt",
              "OUI/MA-L\t\tOrganization\n00-11-22   (hex)\t\tExample Networks\n"
              "001122     (base 16)\t\tExample Networks\n\t\t\tSome Street\n"
              "000496     (base 16)\t\tExtreme Networks, Inc.\n");
  auto store = Open();
  ASSERT_TRUE(store);
  RunSnapshot run = SampleRun(kDay1);
  run.hosts.push_back({"not-a-mac", "", 0, "edge-1", "1:1", "fdb"});
  run.hosts.push_back({"02:00:00:00:00:09", "10.0.0.300", 0, "edge-1", "1:1", "fdb"});
  run.hosts.push_back({"7C:2E:0D:00:00:01", "", 0, "edge-1", "1:1", "fdb"});
  std::vector<std::string> skipped;
  ASSERT_GT(store->WriteRun(run, &skipped, &error), 0) << error;
  EXPECT_EQ(skipped.size(), 2u);  // the bad MAC and the bad address, named, not fatal
  FindResult found;
  ASSERT_TRUE(store->Find("00:11:22:00:00:02", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 1u);
  EXPECT_EQ(found.matches[0].vendor, "Example Networks");
  ASSERT_TRUE(store->Find("core-1", &found, &error)) << error;
  EXPECT_EQ(found.matches.at(0).vendor, "Extreme Networks, Inc.");
  ASSERT_TRUE(store->Find("7c2e.0d00.0001", &found, &error)) << error;
  ASSERT_EQ(found.matches.size(), 1u);
  EXPECT_EQ(found.matches[0].vendor, "");
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreSafetyTest,
                         testing::Values(Backend::kSqlite, Backend::kPostgres), BackendName);

TEST(StoreFileTest, StoreFileOthersMayWriteIsRefused) {
  TempDir dir;
  const std::string path = dir.Path() + "/new/inventory.db";
  std::string error;
  ASSERT_TRUE(OpenStore("sqlite:" + path, {}, &error)) << error;
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  for (mode_t mode : {0666, 0620, 0602}) {
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    EXPECT_FALSE(OpenStore(path, {}, &error)) << std::oct << mode;
    EXPECT_NE(error.find("group or others may write"), std::string::npos) << error;
    EXPECT_NE(error.find("chmod 600 " + path), std::string::npos) << error;
  }
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  EXPECT_TRUE(OpenStore(path, {}, &error)) << error;
  StoreOptions query;
  query.create = false;
  EXPECT_FALSE(OpenStore(dir.Path() + "/absent.db", query, &error));
  EXPECT_NE(error.find("no inventory store"), std::string::npos) << error;
}

TEST(StoreFileTest, WriterWaitsForAnotherWriterThenSaysSo) {
  TempDir dir;
  const std::string path = dir.Path() + "/inventory.db";
  std::string error;
  StoreOptions impatient;
  impatient.busyMillis = 200;
  auto store = OpenStore(path, impatient, &error);
  ASSERT_TRUE(store) << error;
  auto other = OpenSqlite(path, false, 200, &error);
  ASSERT_TRUE(other && other->BeginWrite(&error)) << error;
  EXPECT_EQ(store->WriteRun(SampleRun(kDay1), nullptr, &error), 0);
  EXPECT_NE(error.find("locked by another writer"), std::string::npos) << error;
  ASSERT_TRUE(other->Commit(&error)) << error;
  EXPECT_EQ(store->WriteRun(SampleRun(kDay1), nullptr, &error), 1) << error;
}

}  // namespace
