// The store's operations as functions of an open connection, one file each: the Store of
// SqlStore.cc calls them. Internal to engine/store.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/store/Inventory.h"
#include "engine/store/OuiVendors.h"
#include "engine/store/SqlConnection.h"
#include "engine/store/StoreResults.h"

namespace disco {
namespace store {

// REQUIRES: a write transaction open on `db` (BeginWrite). Writes `run` as intervals against
// the store's latest run (RunWriter.cc). `vendors` borrowed; may be null. Returns the new run's
// id, or 0 with `*error` set (the caller rolls back); `*written` is the number of rows written.
std::int64_t WriteRunFacts(SqlConnection* db, const RunSnapshot& run, const OuiVendors* vendors,
                           const std::function<void(std::int64_t)>& afterRows,
                           std::vector<std::string>* skipped, std::int64_t* written,
                           std::string* error);

// Store::Find (FindQuery.cc).
bool FindInStore(SqlConnection* db, const std::string& query, FindResult* result,
                 std::string* error);

// Store::Changes (ChangesQuery.cc).
bool ChangesInStore(SqlConnection* db, std::int64_t fromRun, std::int64_t toRun,
                    ChangesResult* result, std::string* error);

// Store::Devices, Store::Links and Store::Device (BrowseQuery.cc).
bool DevicesInStore(SqlConnection* db, std::vector<DeviceRow>* devices, std::string* error);
bool LinksInStore(SqlConnection* db, const std::string& device, std::vector<LinkRow>* links,
                  std::string* error);
bool DeviceInStore(SqlConnection* db, const std::string& name, DeviceView* view, bool* found,
                   std::string* error);

// The newest run's id and the time it was last seen (its end, else its start); id 0 when the
// store has no run. False with `*error` when the store cannot be read.
bool LatestRun(SqlConnection* db, std::int64_t* id, std::int64_t* seen, std::string* error);

// Runs `sql` with `params` and calls `row` for each result row. False with `*error` set.
bool ForEachRow(SqlConnection* db, const std::string& sql, const SqlRow& params,
                const std::function<void(const SqlStatement&)>& row, std::string* error);

}  // namespace store
}  // namespace disco
