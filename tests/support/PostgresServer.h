// A throwaway PostgreSQL server for the store's tests and benchmark: initdb and pg_ctl from
// Debian's PostgreSQL 15 in a fresh temporary folder, listening on a Unix socket in that folder
// only (no TCP), run as 'nobody' when the caller is root (PostgreSQL refuses to run as root).
// Needs nothing but the C library, so that the benchmark can use it without the test framework.
#pragma once

#include <string>

class PostgresServer {
 public:
  PostgresServer() = default;
  ~PostgresServer() { Stop(); }
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // Creates the cluster and starts the server, waiting until it accepts connections. `durable`
  // keeps PostgreSQL's fsync at each commit (the benchmark); without it the server never syncs
  // (tests). False with `*error` saying which step failed and the tail of its log.
  bool Start(bool durable, std::string* error);
  // Stops the server at once (pg_ctl stop -m immediate) and removes the folder. Idempotent.
  void Stop();
  // A libpq URI for `database` on the server, as the superuser "postgres".
  std::string Uri(const std::string& database = "postgres") const;

 private:
  std::string m_Folder;
  bool m_Running = false;
};

// Where Debian installs the server's programs.
constexpr const char kPostgresBin[] = "/usr/lib/postgresql/15/bin";
