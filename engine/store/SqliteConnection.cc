// The SQLite side of the SQL layer.
#include <sqlite3.h>

#include <string>

#include "engine/store/SqlConnection.h"

namespace disco {
namespace store {

namespace {

std::string Describe(sqlite3* db, int code, int busyMillis) {
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    return std::string("the store is locked by another writer; gave up waiting after ") +
           std::to_string(busyMillis) + " ms";
  }
  return db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
}

class SqliteStatement : public SqlStatement {
 public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* stmt, const std::string& target, int busyMillis)
      : m_Db(db), m_Stmt(stmt), m_Target(target), m_BusyMillis(busyMillis) {}
  ~SqliteStatement() override { sqlite3_finalize(m_Stmt); }

  bool Run(const SqlRow& params, std::string* error) override {
    sqlite3_reset(m_Stmt);
    sqlite3_clear_bindings(m_Stmt);
    m_Pending = m_Done = false;
    m_Error.clear();
    for (size_t i = 0; i < params.size(); ++i) {
      int index = static_cast<int>(i) + 1, rc = SQLITE_OK;
      if (const auto* n = std::get_if<std::int64_t>(&params[i])) {
        rc = sqlite3_bind_int64(m_Stmt, index, *n);
      } else if (const auto* s = std::get_if<std::string>(&params[i])) {
        rc = sqlite3_bind_text(m_Stmt, index, s->data(), static_cast<int>(s->size()),
                               SQLITE_TRANSIENT);
      } else {
        rc = sqlite3_bind_null(m_Stmt, index);
      }
      if (rc != SQLITE_OK) return Fail(rc, error);
    }
    int rc = sqlite3_step(m_Stmt);
    if (rc == SQLITE_ROW) {
      m_Pending = true;
    } else if (rc == SQLITE_DONE) {
      m_Done = true;
    } else {
      return Fail(rc, error);
    }
    return true;
  }

  bool Next() override {
    if (m_Pending) {
      m_Pending = false;
      return true;
    }
    if (m_Done) return false;
    int rc = sqlite3_step(m_Stmt);
    if (rc == SQLITE_ROW) return true;
    m_Done = true;
    if (rc != SQLITE_DONE) Fail(rc, &m_Error);
    return false;
  }

  const std::string& LastError() const override { return m_Error; }

  SqlValue Column(int i) const override {
    switch (sqlite3_column_type(m_Stmt, i)) {
      case SQLITE_NULL:
        return std::monostate();
      case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(m_Stmt, i));
      default: {
        const unsigned char* text = sqlite3_column_text(m_Stmt, i);
        return std::string(reinterpret_cast<const char*>(text),
                           static_cast<size_t>(sqlite3_column_bytes(m_Stmt, i)));
      }
    }
  }

 private:
  bool Fail(int rc, std::string* error) {
    *error = m_Target + ": " + Describe(m_Db, rc, m_BusyMillis);
    m_Error = *error;
    sqlite3_reset(m_Stmt);
    return false;
  }

  sqlite3* m_Db;
  sqlite3_stmt* m_Stmt;
  const std::string& m_Target;
  int m_BusyMillis;
  bool m_Pending = false, m_Done = true;
  std::string m_Error;
};

class SqliteConnection;

class SqliteInserter : public SqlInserter {
 public:
  explicit SqliteInserter(std::unique_ptr<SqlStatement> insert) : m_Insert(std::move(insert)) {}
  bool Add(const SqlRow& row, std::string* error) override { return m_Insert->Run(row, error); }
  bool Finish(std::string*) override { return true; }

 private:
  std::unique_ptr<SqlStatement> m_Insert;
};

class SqliteConnection : public SqlConnection {
 public:
  SqliteConnection(sqlite3* db, const std::string& path, int busyMillis)
      : m_Db(db), m_Path(path), m_BusyMillis(busyMillis) {}
  ~SqliteConnection() override { sqlite3_close_v2(m_Db); }

  SqlDialect Dialect() const override { return SqlDialect::kSqlite; }
  const std::string& Target() const override { return m_Path; }

  std::unique_ptr<SqlStatement> Prepare(const std::string& sql, std::string* error) override {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_Db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
      *error = m_Path + ": " + Describe(m_Db, rc, m_BusyMillis);
      sqlite3_finalize(stmt);
      return nullptr;
    }
    return std::make_unique<SqliteStatement>(m_Db, stmt, m_Path, m_BusyMillis);
  }

  bool Exec(const std::string& sql, std::string* error) override {
    int rc = sqlite3_exec(m_Db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return true;
    *error = m_Path + ": " + Describe(m_Db, rc, m_BusyMillis);
    return false;
  }

  std::unique_ptr<SqlInserter> Insert(const std::string& table,
                                      const std::vector<std::string>& columns,
                                      std::string* error) override {
    std::string sql = "INSERT INTO " + table + " (", marks;
    for (size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? ", " : "") + columns[i];
      marks += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    std::unique_ptr<SqlStatement> insert = Prepare(sql, error);
    if (!insert) return nullptr;
    return std::make_unique<SqliteInserter>(std::move(insert));
  }

  bool BeginWrite(std::string* error) override { return Exec("BEGIN IMMEDIATE", error); }
  bool Commit(std::string* error) override { return Exec("COMMIT", error); }
  void Rollback() override { sqlite3_exec(m_Db, "ROLLBACK", nullptr, nullptr, nullptr); }

  void Optimize() override { sqlite3_exec(m_Db, "PRAGMA optimize", nullptr, nullptr, nullptr); }

  bool DiskBytes(std::int64_t* bytes, std::string* error) override {
    std::unique_ptr<SqlStatement> s = Prepare(
        "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()", error);
    if (!s || !s->Run({}, error) || !s->Next()) return false;
    *bytes = s->Int(0);
    return true;
  }

 private:
  sqlite3* m_Db;
  std::string m_Path;
  int m_BusyMillis;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, bool create, int busyMillis,
                                          std::string* error) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    *error = path + ": cannot open the store: " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, busyMillis);
  auto connection = std::make_unique<SqliteConnection>(db, path, busyMillis);
  // WAL: readers never block the writer and a killed writer leaves only uncommitted frames that
  // the next opener ignores. FULL syncs the log at each commit, so a committed run survives a
  // power cut too. The file is read through a memory map (up to 256 MiB) rather than a system
  // call per page, which is most of a small query's time when many are asked (the web view).
  std::string why;
  if (!connection->Exec(
          "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA mmap_size=268435456", &why)) {
    *error = why;
    return nullptr;
  }
  return connection;
}

}  // namespace store
}  // namespace disco
