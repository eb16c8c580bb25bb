// The store's schema, one for SQLite and PostgreSQL, and its forward migrations.
#pragma once

#include <string>

#include "engine/store/SqlConnection.h"

namespace disco {
namespace store {

// The schema version this program writes.
constexpr int kSchemaVersion = 3;

// Brings the store behind `db` to `target` (normally kSchemaVersion): creates the tables of an
// empty store, applies each migration from the store's version on, all in one transaction. A store
// whose version is newer than kSchemaVersion is refused. False with `*error` naming the store
// and both versions, or the database's reason.
bool MigrateSchema(SqlConnection* db, int target, std::string* error);

// The store's schema version; 0 for an empty store. False with `*error` when unreadable.
bool ReadSchemaVersion(SqlConnection* db, int* version, std::string* error);

}  // namespace store
}  // namespace disco
