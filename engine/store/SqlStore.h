// The Store over an SQL connection (SqlStore.cc). Internal to engine/store: users call OpenStore.
#pragma once

#include <memory>
#include <string>

#include "engine/store/SqlConnection.h"
#include "engine/store/Store.h"

namespace disco {
namespace store {

// Takes ownership of `db`; brings its schema to the current version (or to
// `options.schemaVersion`). Null with `*error` set when the schema cannot be read or migrated.
std::unique_ptr<Store> MakeSqlStore(std::unique_ptr<SqlConnection> db, const StoreOptions& options,
                                    std::string* error);

}  // namespace store
}  // namespace disco
