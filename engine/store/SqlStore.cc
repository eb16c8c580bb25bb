// The Store over the SQL layer: transactions around the writer, and the small queries.
#include "engine/store/SqlStore.h"

#include <map>
#include <set>

#include "engine/store/Addresses.h"
#include "engine/store/Schema.h"
#include "engine/store/StoreQueries.h"

namespace disco {
namespace store {

namespace {

// A run that wrote this many rows changed the tables enough to refresh the planner's statistics.
constexpr std::int64_t kOptimizeRows = 20000;

const char* const kFactTables[] = {"device_facts", "interface_facts", "link_facts", "host_facts",
                                   "neighbour_facts"};

class SqlStore : public Store {
 public:
  SqlStore(std::unique_ptr<SqlConnection> db, const StoreOptions& options)
      : m_Db(std::move(db)), m_Options(options) {}

  std::int64_t WriteRun(const RunSnapshot& run, std::vector<std::string>* skipped,
                        std::string* error) override {
    if (!m_Vendors) m_Vendors = std::make_unique<OuiVendors>(m_Options.ouiFile);
    if (!m_Db->BeginWrite(error)) return 0;
    std::int64_t rows = 0;
    std::int64_t id =
        WriteRunFacts(m_Db.get(), run, m_Vendors.get(), m_Options.afterRows, skipped, &rows, error);
    if (id == 0 || !m_Db->Commit(error)) {
      m_Db->Rollback();
      *error = "writing the run to the store: " + *error;
      return 0;
    }
    if (rows >= kOptimizeRows) m_Db->Optimize();
    if (rows > 0) m_Db->Reclaim("host_facts");  // the table that grows with every run
    return id;
  }

  bool Runs(std::vector<RunRow>* runs, std::string* error) override {
    runs->clear();
    return ForEachRow(
        m_Db.get(),
        "SELECT id, started, ended, scope, version, devices_asked, devices_found FROM runs"
        " ORDER BY id",
        {},
        [&](const SqlStatement& s) {
          runs->push_back({s.Int(0), s.Int(1), s.Int(2), s.Text(3), s.Text(4),
                           static_cast<int>(s.Int(5)), static_cast<int>(s.Int(6))});
        },
        error);
  }

  bool Find(const std::string& query, FindResult* result, std::string* error) override {
    return FindInStore(m_Db.get(), query, result, error);
  }

  bool Changes(std::int64_t fromRun, std::int64_t toRun, ChangesResult* result,
               std::string* error) override {
    return ChangesInStore(m_Db.get(), fromRun, toRun, result, error);
  }

  bool Devices(std::vector<DeviceRow>* devices, std::string* error) override {
    return DevicesInStore(m_Db.get(), devices, error);
  }

  bool Links(std::vector<LinkRow>* links, std::string* error) override {
    return LinksInStore(m_Db.get(), "", links, error);
  }

  bool Device(const std::string& name, DeviceView* view, bool* found, std::string* error) override {
    return DeviceInStore(m_Db.get(), name, view, found, error);
  }

  bool IdlePorts(int days, const std::string& device, std::vector<IdlePort>* ports,
                 std::string* error) override {
    ports->clear();
    std::int64_t latest = 0, seen = 0;
    if (!LatestRun(m_Db.get(), &latest, &seen, error)) return false;
    if (latest == 0) return true;
    std::set<std::int64_t> linked;
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> lastHost;  // port: mac, seen
    bool ok = ForEachRow(
                  m_Db.get(), "SELECT port_a, port_b FROM link_facts WHERE last_run IS NULL", {},
                  [&](const SqlStatement& s) {
                    linked.insert(s.Int(0));
                    linked.insert(s.Int(1));
                  },
                  error) &&
              ForEachRow(
                  m_Db.get(),
                  "SELECT h.port_id, h.mac, CASE WHEN r.ended <> 0 THEN r.ended ELSE r.started END"
                  " FROM host_facts h JOIN (SELECT port_id, max(COALESCE(last_run, ?)) AS seen"
                  " FROM host_facts GROUP BY port_id) m"
                  " ON m.port_id = h.port_id AND m.seen = COALESCE(h.last_run, ?)"
                  " JOIN runs r ON r.id = m.seen",
                  {latest, latest},
                  [&](const SqlStatement& s) {
                    lastHost[s.Int(0)] = {s.Int(1), s.Int(2)};
                  },
                  error);
    if (!ok) return false;
    const std::int64_t since = seen - std::int64_t{days} * 86400;
    return ForEachRow(
        m_Db.get(),
        "SELECT p.id, d.name, p.name, i.status FROM interface_facts i"
        " JOIN ports p ON p.id = i.port_id JOIN devices d ON d.id = p.device_id"
        " WHERE i.last_run IS NULL AND (? = '' OR d.name = ?) ORDER BY d.name, p.id",
        {device, device},
        [&](const SqlStatement& s) {
          std::int64_t port = s.Int(0);
          if (linked.count(port)) return;
          auto host = lastHost.find(port);
          if (host != lastHost.end() && host->second.second >= since) return;
          IdlePort idle{s.Text(1), s.Text(2), s.Text(3), "", 0};
          if (host != lastHost.end()) {
            idle.lastMac = FormatMac(host->second.first);
            idle.lastSeen = host->second.second;
          }
          ports->push_back(idle);
        },
        error);
  }

  bool Prune(const PruneOptions& options, PruneResult* result, std::string* error) override {
    *result = PruneResult();
    std::vector<RunRow> runs;
    if (!Runs(&runs, error) || runs.empty()) return runs.empty();
    const std::int64_t newest = runs.back().ended ? runs.back().ended : runs.back().started;
    std::int64_t oldestKept = runs.back().id;
    int kept = 0;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run, ++kept) {
      std::int64_t end = run->ended ? run->ended : run->started;
      if (options.keepRuns > 0 && kept >= options.keepRuns) break;
      if (options.keepDays > 0 && end < newest - std::int64_t{options.keepDays} * 86400) break;
      oldestKept = run->id;
    }
    if (!m_Db->BeginWrite(error)) return false;
    bool ok = true;
    for (const char* table : kFactTables) {
      const std::string t = table;
      ok = ok &&
           ForEachRow(
               m_Db.get(), "SELECT count(*) FROM " + t + " WHERE last_run < ?", {oldestKept},
               [&](const SqlStatement& s) { result->rowsRemoved += s.Int(0); }, error) &&
           Exec("DELETE FROM " + t + " WHERE last_run < ?", {oldestKept}, error) &&
           // Sightings read first_seen from their first run unless they keep it themselves.
           (t != "host_facts" || Exec("UPDATE host_facts SET first_seen = (SELECT started FROM runs"
                                      " WHERE runs.id = host_facts.first_run)"
                                      " WHERE first_run < ? AND first_seen IS NULL",
                                      {oldestKept}, error)) &&
           Exec("UPDATE " + t + " SET first_run = ? WHERE first_run < ?", {oldestKept, oldestKept},
                error);
    }
    ok = ok &&
         ForEachRow(
             m_Db.get(), "SELECT count(*) FROM runs WHERE id < ?", {oldestKept},
             [&](const SqlStatement& s) { result->runsRemoved = static_cast<int>(s.Int(0)); },
             error) &&
         Exec("DELETE FROM runs WHERE id < ?", {oldestKept}, error) && m_Db->Commit(error);
    if (!ok) {
      m_Db->Rollback();
      *result = PruneResult();
      *error = "pruning the store: " + *error;
    }
    return ok;
  }

  bool Stats(std::int64_t* hostRows, std::int64_t* diskBytes, std::string* error) override {
    return ForEachRow(
               m_Db.get(), "SELECT count(*) FROM host_facts", {},
               [&](const SqlStatement& s) { *hostRows = s.Int(0); }, error) &&
           m_Db->DiskBytes(diskBytes, error);
  }

 private:
  bool Exec(const std::string& sql, const SqlRow& params, std::string* error) {
    auto s = m_Db->Prepare(sql, error);
    return s && s->Run(params, error);
  }

  std::unique_ptr<SqlConnection> m_Db;
  StoreOptions m_Options;
  std::unique_ptr<OuiVendors> m_Vendors;  // read at the first write
};

}  // namespace

bool ForEachRow(SqlConnection* db, const std::string& sql, const SqlRow& params,
                const std::function<void(const SqlStatement&)>& row, std::string* error) {
  std::unique_ptr<SqlStatement> s = db->Prepare(sql, error);
  if (!s || !s->Run(params, error)) return false;
  while (s->Next()) row(*s);
  if (!s->LastError().empty()) {
    *error = s->LastError();
    return false;
  }
  return true;
}

bool LatestRun(SqlConnection* db, std::int64_t* id, std::int64_t* seen, std::string* error) {
  *id = *seen = 0;
  return ForEachRow(
      db, "SELECT id, started, ended FROM runs ORDER BY id DESC LIMIT 1", {},
      [&](const SqlStatement& s) {
        *id = s.Int(0);
        *seen = s.Int(2) != 0 ? s.Int(2) : s.Int(1);
      },
      error);
}

std::unique_ptr<Store> MakeSqlStore(std::unique_ptr<SqlConnection> db, const StoreOptions& options,
                                    std::string* error) {
  int target = options.schemaVersion > 0 ? options.schemaVersion : kSchemaVersion;
  if (!MigrateSchema(db.get(), target, error)) return nullptr;
  return std::make_unique<SqlStore>(std::move(db), options);
}

}  // namespace store
}  // namespace disco
