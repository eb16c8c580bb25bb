// What the store tests share: a store of each kind per test (a fresh SQLite file, or a fresh
// database on the program's own PostgreSQL server), and a small network to write into it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/store/SqlConnection.h"
#include "engine/store/Store.h"
#include "support/TempDir.h"

enum class Backend { kSqlite, kPostgres };
std::string BackendName(const testing::TestParamInfo<Backend>& info);

// Each test gets an empty store of its parameter's kind.
class StoreTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  // The store's --db target.
  const std::string& Target() const { return m_Target; }
  // Opens the test's store (ASSERTs success through the returned pointer being non-null).
  std::unique_ptr<disco::store::Store> Open(disco::store::StoreOptions options = {});
  // A raw connection to the test's store, for what no Store operation does.
  std::unique_ptr<disco::store::SqlConnection> Raw();
  // One value from `sql` run on the raw connection.
  std::int64_t Count(const std::string& sql);

  TempDir m_Dir;

 private:
  std::string m_Target;
};

// The network of the tests at time `t`: switches core-1, edge-1 and edge-2 (four ports each, up,
// forwarding), the access point ap-1, links core-1:1:1-edge-1:1:1 (edp) and
// core-1:1:2-edge-2:1:1 (lldp), hosts 00:11:22:33:44:55 (10.0.0.5, edge-1:1:3),
// 00:11:22:00:00:02 (edge-2:1:3) and 00:11:22:00:00:03 (edge-2:1:4), and LLDP neighbour
// "printer-7" on edge-1:1:2.
disco::store::RunSnapshot SampleRun(std::int64_t t);
// The same network a day later: 00:11:22:33:44:55 moved to edge-2:1:2, the core-1-edge-2 link
// cut, edge-2:1:1 down, 00:11:22:00:00:03 gone, 00:11:22:00:00:04 new (edge-1:1:4), ap-1 silent.
disco::store::RunSnapshot ChangedRun(std::int64_t t);

constexpr std::int64_t kDay1 = 1796587200;  // 2026-12-06T20:00:00Z
