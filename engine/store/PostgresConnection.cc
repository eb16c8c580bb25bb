// The PostgreSQL side of the SQL layer, over libpq.
#include <libpq-fe.h>

#include <cstdlib>
#include <string>

#include "engine/store/SqlConnection.h"

namespace disco {
namespace store {

namespace {

// Type oids of the integer types (pg_type.h is a server header).
constexpr Oid kInt8Oid = 20, kInt2Oid = 21, kInt4Oid = 23;

std::string Trimmed(const char* message) {
  std::string text = message != nullptr ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// "?" placeholders become "$1", "$2", ... (outside quoted literals).
std::string Numbered(const std::string& sql) {
  std::string out;
  int n = 0;
  bool quoted = false;
  for (char c : sql) {
    if (c == '\'') quoted = !quoted;
    if (c == '?' && !quoted) {
      out += "$" + std::to_string(++n);
    } else {
      out += c;
    }
  }
  return out;
}

class PostgresStatement : public SqlStatement {
 public:
  PostgresStatement(PGconn* conn, std::string name, const std::string& target)
      : m_Conn(conn), m_Name(std::move(name)), m_Target(target) {}
  ~PostgresStatement() override {
    Clear();
    // The server keeps the statement for the session: let it go (the connection may be gone).
    if (PQstatus(m_Conn) == CONNECTION_OK) {
      PQclear(PQexec(m_Conn, ("DEALLOCATE " + m_Name).c_str()));
    }
  }

  bool Run(const SqlRow& params, std::string* error) override {
    Clear();
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    for (size_t i = 0; i < params.size(); ++i) {
      if (const auto* n = std::get_if<std::int64_t>(&params[i])) {
        texts[i] = std::to_string(*n);
        values[i] = texts[i].c_str();
      } else if (const auto* s = std::get_if<std::string>(&params[i])) {
        values[i] = s->c_str();
      }
    }
    m_Result = PQexecPrepared(m_Conn, m_Name.c_str(), static_cast<int>(values.size()),
                              values.data(), nullptr, nullptr, 0);
    ExecStatusType status = PQresultStatus(m_Result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      *error = m_Target + ": " +
               Trimmed(m_Result ? PQresultErrorMessage(m_Result) : PQerrorMessage(m_Conn));
      m_Error = *error;
      Clear();
      return false;
    }
    m_Rows = PQntuples(m_Result);
    return true;
  }

  bool Next() override { return m_Result != nullptr && ++m_Row < m_Rows; }
  const std::string& LastError() const override { return m_Error; }

  SqlValue Column(int i) const override {
    if (PQgetisnull(m_Result, m_Row, i)) return std::monostate();
    const char* text = PQgetvalue(m_Result, m_Row, i);
    Oid type = PQftype(m_Result, i);
    if (type == kInt8Oid || type == kInt4Oid || type == kInt2Oid) {
      return static_cast<std::int64_t>(std::strtoll(text, nullptr, 10));
    }
    return std::string(text, static_cast<size_t>(PQgetlength(m_Result, m_Row, i)));
  }

 private:
  void Clear() {
    PQclear(m_Result);
    m_Result = nullptr;
    m_Row = -1;
    m_Rows = 0;
  }

  PGconn* m_Conn;
  std::string m_Name;
  const std::string& m_Target;
  PGresult* m_Result = nullptr;
  int m_Row = -1, m_Rows = 0;
  std::string m_Error;
};

// COPY ... FROM STDIN in text format: a row is its fields separated by tabs, NULL as \N.
class PostgresInserter : public SqlInserter {
 public:
  PostgresInserter(PGconn* conn, const std::string& target) : m_Conn(conn), m_Target(target) {}
  ~PostgresInserter() override {
    if (m_Open) {
      PQputCopyEnd(m_Conn, "abandoned");
      Drain(nullptr);
    }
  }

  bool Add(const SqlRow& row, std::string* error) override {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) m_Buffer += '\t';
      if (const auto* n = std::get_if<std::int64_t>(&row[i])) {
        m_Buffer += std::to_string(*n);
      } else if (const auto* s = std::get_if<std::string>(&row[i])) {
        for (char c : *s) {
          switch (c) {
            case '\\':
              m_Buffer += "\\\\";
              break;
            case '\t':
              m_Buffer += "\\t";
              break;
            case '\n':
              m_Buffer += "\\n";
              break;
            case '\r':
              m_Buffer += "\\r";
              break;
            default:
              m_Buffer += c;
          }
        }
      } else {
        m_Buffer += "\\N";
      }
    }
    m_Buffer += '\n';
    return m_Buffer.size() < (1 << 16) || Flush(error);
  }

  bool Finish(std::string* error) override {
    if (!Flush(error)) return false;
    m_Open = false;
    if (PQputCopyEnd(m_Conn, nullptr) != 1) return Fail(error);
    return Drain(error);
  }

  bool Start(const std::string& sql, std::string* error) {
    PGresult* result = PQexec(m_Conn, sql.c_str());
    bool ok = PQresultStatus(result) == PGRES_COPY_IN;
    if (!ok) *error = m_Target + ": " + Trimmed(PQresultErrorMessage(result));
    PQclear(result);
    m_Open = ok;
    return ok;
  }

 private:
  bool Flush(std::string* error) {
    if (m_Buffer.empty()) return true;
    if (PQputCopyData(m_Conn, m_Buffer.data(), static_cast<int>(m_Buffer.size())) != 1) {
      return Fail(error);
    }
    m_Buffer.clear();
    return true;
  }
  bool Fail(std::string* error) {
    *error = m_Target + ": " + Trimmed(PQerrorMessage(m_Conn));
    return false;
  }
  // Reads the results that end the COPY; the first failure is the error.
  bool Drain(std::string* error) {
    bool ok = true;
    while (PGresult* result = PQgetResult(m_Conn)) {
      if (PQresultStatus(result) != PGRES_COMMAND_OK && ok) {
        ok = false;
        if (error) *error = m_Target + ": " + Trimmed(PQresultErrorMessage(result));
      }
      PQclear(result);
    }
    return ok;
  }

  PGconn* m_Conn;
  const std::string& m_Target;
  std::string m_Buffer;
  bool m_Open = false;
};

class PostgresConnection : public SqlConnection {
 public:
  PostgresConnection(PGconn* conn, const std::string& uri) : m_Conn(conn), m_Target(uri) {}
  ~PostgresConnection() override { PQfinish(m_Conn); }

  SqlDialect Dialect() const override { return SqlDialect::kPostgres; }
  const std::string& Target() const override { return m_Target; }

  std::unique_ptr<SqlStatement> Prepare(const std::string& sql, std::string* error) override {
    std::string name = "s" + std::to_string(++m_Statements);
    PGresult* result = PQprepare(m_Conn, name.c_str(), Numbered(sql).c_str(), 0, nullptr);
    bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok) *error = m_Target + ": " + Trimmed(PQresultErrorMessage(result));
    PQclear(result);
    if (!ok) return nullptr;
    return std::make_unique<PostgresStatement>(m_Conn, name, m_Target);
  }

  bool Exec(const std::string& sql, std::string* error) override {
    PGresult* result = PQexec(m_Conn, sql.c_str());
    ExecStatusType status = PQresultStatus(result);
    bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok) *error = m_Target + ": " + Trimmed(PQresultErrorMessage(result));
    PQclear(result);
    return ok;
  }

  std::unique_ptr<SqlInserter> Insert(const std::string& table,
                                      const std::vector<std::string>& columns,
                                      std::string* error) override {
    std::string sql = "COPY " + table + " (";
    for (size_t i = 0; i < columns.size(); ++i) sql += (i ? ", " : "") + columns[i];
    sql += ") FROM STDIN";
    auto inserter = std::make_unique<PostgresInserter>(m_Conn, m_Target);
    if (!inserter->Start(sql, error)) return nullptr;
    return inserter;
  }

  bool BeginWrite(std::string* error) override {
    // A transaction-scoped advisory lock: it exists before any table does (a store being
    // created) and goes with the transaction, also when the client dies.
    return Exec("BEGIN; SELECT pg_advisory_xact_lock(7210514)", error);
  }
  bool Commit(std::string* error) override { return Exec("COMMIT", error); }
  void Rollback() override { PQclear(PQexec(m_Conn, "ROLLBACK")); }

  // Without statistics, a table that just grew by a whole network is planned as if it were
  // small (hash joins over every port for one MAC address: 6 ms instead of 0.5).
  void Optimize() override { PQclear(PQexec(m_Conn, "ANALYZE")); }

  // Closing a sighting leaves its old row version dead; autovacuum reaches a big table only
  // after a fifth of it is dead, by which time the runs since have grown the table and its
  // indexes by that much. The visibility map keeps this to the pages that changed.
  void Reclaim(const std::string& table) override {
    PQclear(PQexec(m_Conn, ("VACUUM " + table).c_str()));
  }

  // The store's own tables with their indexes and TOAST, not the database's catalogs (about
  // 7.5 MB in any database, empty or not) nor other schemas'.
  bool DiskBytes(std::int64_t* bytes, std::string* error) override {
    std::unique_ptr<SqlStatement> s = Prepare(
        "SELECT COALESCE(sum(pg_total_relation_size(c.oid)), 0)::bigint FROM pg_class c"
        " WHERE c.relnamespace = current_schema()::regnamespace AND c.relkind = 'r'",
        error);
    if (!s || !s->Run({}, error) || !s->Next()) return false;
    *bytes = s->Int(0);
    return true;
  }

 private:
  PGconn* m_Conn;
  std::string m_Target;
  int m_Statements = 0;
};

// The URI without its password (user:PASSWORD@ or password=...), for messages.
std::string Redacted(const std::string& uri) {
  std::string out = uri;
  size_t scheme = out.find("://"), at = out.find('@');
  if (scheme != std::string::npos && at != std::string::npos && at > scheme) {
    size_t colon = out.find(':', scheme + 3);
    if (colon != std::string::npos && colon < at) out.erase(colon, at - colon);
  }
  size_t p = out.find("password=");
  if (p != std::string::npos) {
    size_t end = out.find_first_of("& ", p);
    out.replace(p, end == std::string::npos ? std::string::npos : end - p, "password=...");
  }
  return out;
}

}  // namespace

std::unique_ptr<SqlConnection> OpenPostgres(const std::string& uri, std::string* error) {
  PGconn* conn = PQconnectdb(uri.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    *error = Redacted(uri) + ": cannot connect: " + Trimmed(PQerrorMessage(conn));
    PQfinish(conn);
    return nullptr;
  }
  auto connection = std::make_unique<PostgresConnection>(conn, Redacted(uri));
  std::string why;
  // Notices (e.g. "relation already exists, skipping") are not for the user's terminal.
  PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);
  if (!connection->Exec("SET client_min_messages = warning", &why)) {
    *error = why;
    return nullptr;
  }
  return connection;
}

}  // namespace store
}  // namespace disco
