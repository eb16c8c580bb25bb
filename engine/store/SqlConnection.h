// The store's one SQL layer over SQLite and PostgreSQL: prepared statements with bound
// parameters only (values never become SQL text), bulk inserts, and transactions. Statements are
// written once with '?' placeholders; the PostgreSQL connection numbers them ($1, $2, ...).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace disco {
namespace store {

// A bound parameter or a column value: NULL, an integer or a text.
using SqlValue = std::variant<std::monostate, std::int64_t, std::string>;
using SqlRow = std::vector<SqlValue>;

enum class SqlDialect { kSqlite, kPostgres };

// One prepared statement. Not thread-safe; borrowed connection must outlive it.
class SqlStatement {
 public:
  virtual ~SqlStatement() = default;
  // Binds `params` to the placeholders in order and executes. A query's rows are then read
  // with Next(). False with `*error` set when the database refuses.
  virtual bool Run(const SqlRow& params, std::string* error) = 0;
  // Moves to the next result row; false when there is none (or after an error, with the
  // error in LastError()).
  virtual bool Next() = 0;
  virtual const std::string& LastError() const = 0;
  // The current row's column `i` (0-based). Integer columns come as integers, text as text.
  virtual SqlValue Column(int i) const = 0;
  std::int64_t Int(int i) const;  // 0 for NULL
  std::string Text(int i) const;  // "" for NULL; integers in decimal
  bool IsNull(int i) const;
};

// Appends many rows to one table, in one statement's worth of work per batch (SQLite: one
// prepared INSERT run per row; PostgreSQL: COPY). Rows are in the table once Finish()
// returned true. Borrowed connection must outlive it.
class SqlInserter {
 public:
  virtual ~SqlInserter() = default;
  virtual bool Add(const SqlRow& row, std::string* error) = 0;
  virtual bool Finish(std::string* error) = 0;
};

// A connection. Not thread-safe.
class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  virtual SqlDialect Dialect() const = 0;
  // The target as the user named it, for messages.
  virtual const std::string& Target() const = 0;
  // Null with `*error` set when `sql` does not compile.
  virtual std::unique_ptr<SqlStatement> Prepare(const std::string& sql, std::string* error) = 0;
  // Runs parameterless statements (schema, transaction control), separated by ';'.
  virtual bool Exec(const std::string& sql, std::string* error) = 0;
  virtual std::unique_ptr<SqlInserter> Insert(const std::string& table,
                                              const std::vector<std::string>& columns,
                                              std::string* error) = 0;
  // A transaction that holds the store's write lock from its start, so that two writers
  // never interleave: SQLite's BEGIN IMMEDIATE (waiting up to the busy time-out), PostgreSQL's
  // BEGIN and a transaction-scoped advisory lock.
  virtual bool BeginWrite(std::string* error) = 0;
  virtual bool Commit(std::string* error) = 0;
  // Best effort: an error here leaves the transaction to the database's own clean-up.
  virtual void Rollback() = 0;
  // Refreshes the planner's statistics after a big change (PostgreSQL's ANALYZE; SQLite's
  // PRAGMA optimize). Outside a transaction; best effort.
  virtual void Optimize() = 0;
  // Makes the room of `table`'s row versions that committed writes left dead usable again now,
  // so that the next run fills it instead of growing the table (PostgreSQL VACUUM; SQLite reuses
  // free pages by itself). Outside a transaction; best effort.
  virtual void Reclaim(const std::string& table) { (void)table; }
  // Bytes the store takes on disk: the database file and its log (SQLite), the store's tables
  // and their indexes (PostgreSQL, without the catalogs every database has).
  virtual bool DiskBytes(std::int64_t* bytes, std::string* error) = 0;
};

// Opens an SQLite file (created when `create` and absent) with WAL and a busy time-out of
// `busyMillis`. Null with `*error` naming the file and the reason.
std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, bool create, int busyMillis,
                                          std::string* error);
// Opens a libpq connection URI ("postgresql://..."). Null with `*error` set.
std::unique_ptr<SqlConnection> OpenPostgres(const std::string& uri, std::string* error);

}  // namespace store
}  // namespace disco
