#include "engine/store/Schema.h"

#include <vector>

namespace disco {
namespace store {

namespace {

// Version 1. Every fact table keeps intervals: a row is one unchanged state of a fact, present in
// every run from first_run to last_run (first_seen = that first run's start, last_seen = the last
// run's end). A row still seen in the latest run is open: its last_run and last_seen are NULL,
// so that a run which changes nothing rewrites nothing. Integer columns come first so that
// PostgreSQL needs no alignment padding. Identities (device names, ports) are kept once and
// referred to by integer id; MAC and IPv4 addresses are integers.
const char* const kVersion1[] = {
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "CREATE TABLE runs (id {id}, started BIGINT NOT NULL, ended BIGINT NOT NULL,"
    " devices_asked INTEGER NOT NULL, devices_found INTEGER NOT NULL,"
    " scope TEXT NOT NULL, version TEXT NOT NULL)",
    "CREATE TABLE devices (id {id}, name TEXT NOT NULL UNIQUE)",
    "CREATE TABLE ports (id {id}, device_id INTEGER NOT NULL, name TEXT NOT NULL,"
    " UNIQUE (device_id, name))",
    "CREATE TABLE device_facts (id {id}, first_seen BIGINT NOT NULL, last_seen BIGINT,"
    " bridge_mac BIGINT, first_run INTEGER NOT NULL, last_run INTEGER,"
    " device_id INTEGER NOT NULL, answered SMALLINT NOT NULL, address TEXT NOT NULL,"
    " sys_name TEXT NOT NULL, sys_object_id TEXT NOT NULL)",
    "CREATE TABLE interface_facts (id {id}, first_seen BIGINT NOT NULL, last_seen BIGINT,"
    " if_index BIGINT NOT NULL, first_run INTEGER NOT NULL, last_run INTEGER,"
    " port_id INTEGER NOT NULL, description TEXT NOT NULL, status TEXT NOT NULL,"
    " stp TEXT NOT NULL, vlans TEXT NOT NULL)",
    "CREATE TABLE link_facts (id {id}, first_seen BIGINT NOT NULL, last_seen BIGINT,"
    " first_run INTEGER NOT NULL, last_run INTEGER, port_a INTEGER NOT NULL,"
    " port_b INTEGER NOT NULL, evidence TEXT NOT NULL, stp TEXT NOT NULL)",
    "CREATE TABLE host_facts (id {id}, first_seen BIGINT NOT NULL, last_seen BIGINT,"
    " mac BIGINT NOT NULL, ip BIGINT, first_run INTEGER NOT NULL, last_run INTEGER,"
    " port_id INTEGER NOT NULL, vlan INTEGER NOT NULL, evidence TEXT NOT NULL)",
    "CREATE TABLE neighbour_facts (id {id}, first_seen BIGINT NOT NULL,"
    " last_seen BIGINT, first_run INTEGER NOT NULL, last_run INTEGER,"
    " port_id INTEGER NOT NULL, chassis_id TEXT NOT NULL, remote_port TEXT NOT NULL,"
    " sys_name TEXT NOT NULL, address TEXT NOT NULL)",
    "CREATE INDEX host_facts_mac ON host_facts (mac)",
    "CREATE INDEX host_facts_port ON host_facts (port_id)",
    "INSERT INTO schema_version (version) VALUES (1)",
};

// Version 2: the vendors of the MAC addresses seen (organisation by OUI, from the IEEE list at
// write time), and an index for finding a host by IPv4 address.
const char* const kVersion2[] = {
    "CREATE TABLE vendors (oui INTEGER PRIMARY KEY, name TEXT NOT NULL)",
    "CREATE INDEX host_facts_ip ON host_facts (ip)",
    "UPDATE schema_version SET version = 2",
};

// Version 3: host sightings, the table that grows with every run, keep only what they cannot
// derive. Their first_seen is NULL while it is the start of their first_run (pruning moves
// first_run forward, and sets first_seen first), and their last_seen is the end of their
// last_run: both read through the runs table. They have no id column and no identity index: the
// writer finds an open row by the database's own row locator (SQLite's rowid, PostgreSQL's ctid,
// stable while the writer holds the write lock). IPv4 addresses are 32-bit INTEGERs, from
// 128.0.0.0 up read as negative numbers. Fixed-width columns come first, 8-byte before 4-byte,
// so that PostgreSQL pads nothing; a NULL takes no room there. And a switch's interfaces, LLDP
// neighbours and links are found by port, so that the web view's page of one switch reads its
// own rows only.
const char* const kVersion3[] = {
    "CREATE TABLE host_facts_v3 (mac BIGINT NOT NULL, first_seen BIGINT,"
    " first_run INTEGER NOT NULL, last_run INTEGER, port_id INTEGER NOT NULL,"
    " vlan INTEGER NOT NULL, ip INTEGER, evidence TEXT NOT NULL)",
    "INSERT INTO host_facts_v3 (mac, first_seen, first_run, last_run, port_id, vlan, ip, evidence)"
    " SELECT h.mac, CASE WHEN r.started = h.first_seen THEN NULL ELSE h.first_seen END,"
    " h.first_run, h.last_run, h.port_id, h.vlan,"
    " CASE WHEN h.ip >= 2147483648 THEN h.ip - 4294967296 ELSE h.ip END, h.evidence"
    " FROM host_facts h LEFT JOIN runs r ON r.id = h.first_run",
    "DROP TABLE host_facts",
    "ALTER TABLE host_facts_v3 RENAME TO host_facts",
    "CREATE INDEX host_facts_mac ON host_facts (mac)",
    "CREATE INDEX host_facts_ip ON host_facts (ip)",
    // The hosts on a port now (a switch's page, `ports --idle`); a port's history is read by a
    // scan, which keeps this index to the open rows.
    "CREATE INDEX host_facts_port ON host_facts (port_id) WHERE last_run IS NULL",
    "CREATE INDEX interface_facts_port ON interface_facts (port_id)",
    "CREATE INDEX neighbour_facts_port ON neighbour_facts (port_id)",
    "CREATE INDEX link_facts_port_a ON link_facts (port_a)",
    "CREATE INDEX link_facts_port_b ON link_facts (port_b)",
    "UPDATE schema_version SET version = 3",
};

struct Step {
  const char* const* statements;
  size_t count;
};
const Step kSteps[] = {
    {kVersion1, sizeof kVersion1 / sizeof *kVersion1},
    {kVersion2, sizeof kVersion2 / sizeof *kVersion2},
    {kVersion3, sizeof kVersion3 / sizeof *kVersion3},
};
static_assert(sizeof kSteps / sizeof *kSteps == kSchemaVersion, "one step per version");

std::string ForDialect(std::string sql, SqlDialect dialect) {
  const std::string token = "{id}";
  const char* id = dialect == SqlDialect::kSqlite
                       ? "INTEGER PRIMARY KEY"  // the row id itself: no extra column or index
                       : "INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
  for (size_t at; (at = sql.find(token)) != std::string::npos;) sql.replace(at, token.size(), id);
  return sql;
}

bool TableExists(SqlConnection* db, const std::string& table, bool* exists, std::string* error) {
  std::string sql = db->Dialect() == SqlDialect::kSqlite
                        ? "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"
                        : "SELECT count(*)::bigint FROM information_schema.tables"
                          " WHERE table_schema = current_schema() AND table_name = ?";
  std::unique_ptr<SqlStatement> s = db->Prepare(sql, error);
  if (!s || !s->Run({table}, error) || !s->Next()) return false;
  *exists = s->Int(0) > 0;
  return true;
}

}  // namespace

bool ReadSchemaVersion(SqlConnection* db, int* version, std::string* error) {
  bool exists = false;
  if (!TableExists(db, "schema_version", &exists, error)) return false;
  *version = 0;
  if (!exists) return true;
  std::unique_ptr<SqlStatement> s = db->Prepare("SELECT max(version) FROM schema_version", error);
  if (!s || !s->Run({}, error)) return false;
  if (s->Next()) *version = static_cast<int>(s->Int(0));
  return true;
}

bool MigrateSchema(SqlConnection* db, int target, std::string* error) {
  // A store that is up to date is only read: no write lock, so readers never wait for a
  // writer's run.
  int version = 0;
  if (!ReadSchemaVersion(db, &version, error)) return false;
  if (version == target) return true;
  // Under the write lock, so that two programs opening a new store do not both create it.
  if (!db->BeginWrite(error)) return false;
  if (!ReadSchemaVersion(db, &version, error)) {
    db->Rollback();
    return false;
  }
  if (version > kSchemaVersion) {
    db->Rollback();
    *error = db->Target() + ": the store has schema version " + std::to_string(version) +
             ", newer than version " + std::to_string(kSchemaVersion) +
             " that this program reads and writes; use a newer extreme-disco";
    return false;
  }
  for (; version < target; ++version) {
    const Step& step = kSteps[version];
    for (size_t i = 0; i < step.count; ++i) {
      if (!db->Exec(ForDialect(step.statements[i], db->Dialect()), error)) {
        db->Rollback();
        *error =
            "upgrading the store to schema version " + std::to_string(version + 1) + ": " + *error;
        return false;
      }
    }
  }
  return db->Commit(error);
}

}  // namespace store
}  // namespace disco
