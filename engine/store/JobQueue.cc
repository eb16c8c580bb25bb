#include "engine/store/JobQueue.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace disco {
namespace store {

namespace {

// The queue's own tables, beside the inventory's schema and versioned apart from it: a store
// that never saw a poller has none of them.
const char kTables[] =
    "CREATE TABLE IF NOT EXISTS queue_runs ("
    " id BIGSERIAL PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " settings TEXT NOT NULL,"
    " state TEXT NOT NULL DEFAULT 'polling',"  // polling, inferring, complete, failed
    " poller TEXT,"
    " lease_until TIMESTAMPTZ,"
    " end_attempts INTEGER NOT NULL DEFAULT 0,"
    " enqueued BIGINT NOT NULL,"
    " ended BIGINT,"
    " store_run BIGINT);"
    "CREATE TABLE IF NOT EXISTS queue_jobs ("
    " run BIGINT NOT NULL REFERENCES queue_runs (id) ON DELETE CASCADE,"
    " device_order INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " address TEXT NOT NULL,"
    " port INTEGER NOT NULL,"
    " site TEXT NOT NULL,"
    " device TEXT NOT NULL,"
    " stage TEXT NOT NULL DEFAULT 'arp',"     // arp, discover
    " state TEXT NOT NULL DEFAULT 'queued',"  // queued, taken, done, failed
    " poller TEXT,"
    " lease_until TIMESTAMPTZ,"
    " attempts INTEGER NOT NULL DEFAULT 0,"
    " reason TEXT,"
    " arp TEXT,"
    " PRIMARY KEY (run, device_order));"
    "DROP INDEX IF EXISTS queue_jobs_open;"  // the first form of queue_jobs_queued
    "CREATE INDEX IF NOT EXISTS queue_jobs_queued ON queue_jobs (run, stage, device_order)"
    " WHERE state = 'queued';"
    "CREATE INDEX IF NOT EXISTS queue_jobs_leased ON queue_jobs (lease_until)"
    " WHERE state = 'taken';"
    "CREATE INDEX IF NOT EXISTS queue_jobs_first_stage ON queue_jobs (run)"
    " WHERE stage = 'arp' AND state IN ('queued', 'taken');"
    "CREATE TABLE IF NOT EXISTS queue_device_results ("
    " run BIGINT NOT NULL REFERENCES queue_runs (id) ON DELETE CASCADE,"
    " device_order INTEGER NOT NULL,"
    " discovered INTEGER NOT NULL,"
    " results_text TEXT NOT NULL,"
    " summary_text TEXT NOT NULL,"  // hexadecimal
    " topology_json TEXT NOT NULL,"
    " inventory_json TEXT NOT NULL,"
    " facts_json TEXT NOT NULL,"
    " PRIMARY KEY (run, device_order))";

// The jobs a poller may take now: queued, of its site; a job's 'discover' stage waits until no
// job of its run is in the 'arp' stage any more. Its parameters: the site twice. Only a run still
// polling has queued jobs (a run's end is claimed once none is queued or taken, and a job never
// opens again), so the run's own state needs no look. Scanned in the order of queue_jobs_queued
// ('arp' sorts before 'discover'), the first entry is the job to take, unless another poller
// holds it locked this instant.
const char kTakeable[] =
    " FROM queue_jobs j WHERE j.state = 'queued' AND (? = '' OR j.site = ?)"
    " AND (j.stage = 'arp' OR NOT EXISTS (SELECT 1 FROM queue_jobs a WHERE a.run = j.run"
    " AND a.stage = 'arp' AND a.state IN ('queued', 'taken') OFFSET 0))";

// The encoded summary is bytes, not text: kept in hexadecimal.
std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex.push_back(kDigits[c >> 4]);
    hex.push_back(kDigits[c & 15]);
  }
  return hex;
}

std::string Unhex(const std::string& hex) {
  auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(digit(hex[i]) << 4 | digit(hex[i + 1])));
  }
  return bytes;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

}  // namespace

bool IsPostgresTarget(const std::string& target) {
  return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::unique_ptr<JobQueue> JobQueue::Open(const std::string& uri, const std::string& poller,
                                         double leaseSeconds, int maxAttempts, std::string* error) {
  if (!IsPostgresTarget(uri)) {
    *error = "the job queue needs a PostgreSQL store (postgresql://...), not " + uri;
    return nullptr;
  }
  std::unique_ptr<SqlConnection> db = OpenPostgres(uri, error);
  if (!db) return nullptr;
  // The queue's statements are short; compiling one just in time costs ten times its run.
  if (!db->Exec("SET jit = off", error)) return nullptr;
  // A poller's commits do not wait for the server's disk. A server that crashes may lose the
  // last fraction of a second of them, never half of one: a lost take leaves the job queued, a
  // lost finish leaves it leased to this poller until the lease lapses and another poller does
  // it again (the finish checks the lease, so the device is still written once). A run that
  // `enqueue` (no poller name) makes is on disk before its id is printed.
  if (!poller.empty() && !db->Exec("SET synchronous_commit = off", error)) return nullptr;
  // Every statement of the queue is written for its indexes. The planner's numbers for the
  // queue go stale as fast as jobs change state (a run analyzed while all its jobs were in the
  // first stage looks as if a scan of the table would find one at once), and a scan of every
  // job per take is what makes a queue slow down as it grows.
  if (!db->Exec("SET enable_seqscan = off", error)) return nullptr;
  // A device's results are a megabyte or more of JSON: lz4 packs them faster than the default
  // pglz. A server built without lz4 keeps pglz.
  std::string noLz4;
  db->Exec("SET default_toast_compression = lz4", &noLz4);
  std::unique_ptr<JobQueue> queue(new JobQueue(std::move(db), poller, leaseSeconds, maxAttempts));
  if (!queue->CreateTables(error)) return nullptr;
  return queue;
}

bool JobQueue::CreateTables(std::string* error) {
  // Under the store's write lock: pollers starting together would otherwise race to create
  // the same table.
  if (!m_Db->BeginWrite(error)) return false;
  if (!m_Db->Exec(kTables, error)) {
    m_Db->Rollback();
    return false;
  }
  return m_Db->Commit(error);
}

bool JobQueue::Run(const std::string& sql, const SqlRow& params, int columns,
                   std::vector<SqlRow>* rows, std::string* error) {
  std::unique_ptr<SqlStatement>& statement = m_Statements[sql];
  if (!statement) statement = m_Db->Prepare(sql, error);
  if (!statement) {
    m_Statements.erase(sql);
    return false;
  }
  if (!statement->Run(params, error)) return false;
  while (statement->Next()) {
    if (!rows) continue;
    SqlRow row;
    for (int c = 0; c < columns; ++c) row.push_back(statement->Column(c));
    rows->push_back(std::move(row));
  }
  return true;
}

bool JobQueue::Commit(std::string* error) {
  if (m_Db->Commit(error)) return true;
  m_Db->Rollback();
  return false;
}

std::int64_t JobQueue::Enqueue(const std::string& name, const std::string& settings,
                               const std::vector<QueuedDevice>& devices, std::string* error) {
  if (!Begin(error)) return 0;
  std::vector<SqlRow> rows;
  bool ok = Run("INSERT INTO queue_runs (name, settings, enqueued) VALUES (?, ?, ?) RETURNING id",
                {name, settings, static_cast<std::int64_t>(std::time(nullptr))}, 1, &rows, error);
  std::int64_t run = ok && !rows.empty() ? std::get<std::int64_t>(rows[0][0]) : 0;
  std::unique_ptr<SqlInserter> jobs;
  if (run != 0) {
    jobs = m_Db->Insert(
        "queue_jobs", {"run", "device_order", "name", "address", "port", "site", "device"}, error);
  }
  for (std::size_t i = 0; jobs && i < devices.size(); ++i) {
    const QueuedDevice& d = devices[i];
    if (!jobs->Add({run, static_cast<std::int64_t>(i), d.name, d.address,
                    static_cast<std::int64_t>(d.port), d.site, d.device},
                   error)) {
      jobs.reset();
    }
  }
  if (!jobs || !jobs->Finish(error)) {
    m_Db->Rollback();
    return 0;
  }
  jobs.reset();
  if (!Commit(error)) return 0;
  // The planner's numbers for the queue, now that it holds this run: without them a take may be
  // planned as a sort of every queued job instead of a walk that stops at the first. The run is
  // in either way: a store user that may not analyze the table only makes takes slower.
  std::string ignored;
  m_Db->Exec("ANALYZE queue_jobs", &ignored);
  return run;
}

bool JobQueue::Take(const TakeFilter& filter, std::vector<TakenJob>* jobs, std::string* error) {
  jobs->clear();
  // One statement per job, so one round trip: the first job `filter` allows, or the next one of
  // the run and stage of the jobs already taken. LIMIT 1 as a constant and OFFSET 0 (no hashing
  // of the stage check) keep the cached plan a walk of queue_jobs_queued that stops at the
  // first job, however many jobs the queue holds.
  auto takeOne = [&](std::int64_t run, const std::string& stage, bool* took) {
    std::vector<SqlRow> rows;
    if (!Run(std::string("WITH picked AS (SELECT j.run, j.device_order") + kTakeable +
                 " AND (? = 0 OR (j.run = ? AND j.stage = ?))"
                 " ORDER BY j.run, j.stage, j.device_order LIMIT 1 FOR UPDATE OF j SKIP LOCKED)"
                 " UPDATE queue_jobs t SET state = 'taken', poller = ?,"
                 " lease_until = now() + make_interval(secs => ?), attempts = t.attempts + 1"
                 " FROM picked p WHERE t.run = p.run AND t.device_order = p.device_order"
                 " RETURNING t.run, t.device_order, t.stage, t.device, t.attempts",
             {filter.site, filter.site, run, run, stage, m_Poller, Seconds(m_Lease)}, 5, &rows,
             error)) {
      return false;
    }
    *took = !rows.empty();
    for (const SqlRow& r : rows) {
      TakenJob j;
      j.run = std::get<std::int64_t>(r[0]);
      j.order = static_cast<int>(std::get<std::int64_t>(r[1]));
      j.stage = std::get<std::string>(r[2]);
      j.device = std::get<std::string>(r[3]);
      j.attempts = static_cast<int>(std::get<std::int64_t>(r[4]));
      jobs->push_back(std::move(j));
    }
    return true;
  };
  bool took = false;
  if (!takeOne(filter.run, filter.stage, &took)) return false;
  // Nothing queued: the jobs whose lease lapsed are queued again (or failed), and taken.
  bool reclaimed = false;
  if (!took &&
      (!Reclaim(&reclaimed, error) || (reclaimed && !takeOne(filter.run, filter.stage, &took)))) {
    return false;
  }
  while (took && static_cast<int>(jobs->size()) < filter.limit) {
    if (!takeOne(jobs->front().run, jobs->front().stage, &took)) return false;
  }
  return true;
}

bool JobQueue::Reclaim(bool* queued, std::string* error) {
  std::vector<SqlRow> rows;
  // A job whose lease lapsed was left by a poller that died or hung on it: queued again, or
  // failed when that was its last attempt.
  if (!Run("UPDATE queue_jobs SET poller = NULL, lease_until = NULL,"
           " state = CASE WHEN attempts >= ? THEN 'failed' ELSE 'queued' END,"
           " reason = CASE WHEN attempts >= ?"
           " THEN 'its poller stopped renewing the lease ' || attempts || ' time(s)'"
           " ELSE reason END"
           " WHERE state = 'taken' AND lease_until < now() RETURNING state",
           {static_cast<std::int64_t>(m_MaxAttempts), static_cast<std::int64_t>(m_MaxAttempts)}, 1,
           &rows, error)) {
    return false;
  }
  *queued = false;
  for (const SqlRow& r : rows) *queued = *queued || std::get<std::string>(r[0]) == "queued";
  return true;
}

bool JobQueue::Renew(std::string* error) {
  const SqlRow params = {Seconds(m_Lease), m_Poller};
  bool queued = false;
  return Run("UPDATE queue_jobs SET lease_until = now() + make_interval(secs => ?)"
             " WHERE poller = ? AND state = 'taken'",
             params, 0, nullptr, error) &&
         Run("UPDATE queue_runs SET lease_until = now() + make_interval(secs => ?)"
             " WHERE poller = ? AND state = 'inferring'",
             params, 0, nullptr, error) &&
         Reclaim(&queued, error);
}

bool JobQueue::Release(const TakenJob& job, const std::string& reason, bool counted,
                       std::string* error) {
  return Run(
      "UPDATE queue_jobs SET poller = NULL, lease_until = NULL, reason = ?,"
      " attempts = attempts - ?,"
      " state = CASE WHEN attempts - ? >= ? THEN 'failed' ELSE 'queued' END"
      " WHERE run = ? AND device_order = ? AND poller = ? AND state = 'taken'",
      {reason, std::int64_t{counted ? 0 : 1}, std::int64_t{counted ? 0 : 1},
       static_cast<std::int64_t>(m_MaxAttempts), job.run, static_cast<std::int64_t>(job.order),
       m_Poller},
      0, nullptr, error);
}

JobQueue::Finished JobQueue::FinishArp(const TakenJob& job, const std::string& arp,
                                       std::string* error) {
  std::vector<SqlRow> rows;
  if (!Run("UPDATE queue_jobs SET stage = 'discover', state = 'queued', poller = NULL,"
           " lease_until = NULL, attempts = 0, reason = NULL, arp = ?"
           " WHERE run = ? AND device_order = ? AND poller = ? AND state = 'taken'"
           " AND stage = 'arp' RETURNING run",
           {arp, job.run, static_cast<std::int64_t>(job.order), m_Poller}, 1, &rows, error)) {
    return Finished::kError;
  }
  return rows.empty() ? Finished::kLost : Finished::kDone;
}

JobQueue::Finished JobQueue::FinishDevice(const TakenJob& job, const DeviceResult& result,
                                          std::string* error) {
  std::vector<SqlRow> rows;
  // One statement: the job is marked done and its results inserted together, or neither when
  // the job is no longer this poller's.
  if (!Run("WITH done AS (UPDATE queue_jobs SET state = 'done', poller = NULL,"
           " lease_until = NULL, reason = NULL WHERE run = ? AND device_order = ? AND poller = ?"
           " AND state = 'taken' AND stage = 'discover' RETURNING run, device_order)"
           " INSERT INTO queue_device_results (run, device_order, discovered, results_text,"
           " summary_text, topology_json, inventory_json, facts_json)"
           " SELECT run, device_order, ?::integer, ?, ?, ?, ?, ? FROM done RETURNING run",
           {job.run, static_cast<std::int64_t>(job.order), m_Poller,
            std::int64_t{result.discovered ? 1 : 0}, result.results, Hex(result.summary),
            result.topology, result.inventory, result.facts},
           1, &rows, error)) {
    return Finished::kError;
  }
  return rows.empty() ? Finished::kLost : Finished::kDone;
}

bool JobQueue::RunSettings(std::int64_t run, std::string* settings, std::string* error) {
  std::vector<SqlRow> rows;
  if (!Run("SELECT settings FROM queue_runs WHERE id = ?", {run}, 1, &rows, error)) return false;
  if (rows.empty()) {
    *error = "no run " + std::to_string(run) + " in the queue";
    return false;
  }
  *settings = std::get<std::string>(rows[0][0]);
  return true;
}

bool JobQueue::RunArp(std::int64_t run, std::vector<std::string>* arp, std::string* error) {
  std::vector<SqlRow> rows;
  if (!Run("SELECT arp FROM queue_jobs WHERE run = ? ORDER BY device_order", {run}, 1, &rows,
           error)) {
    return false;
  }
  arp->clear();
  for (const SqlRow& r : rows) {
    const auto* text = std::get_if<std::string>(&r[0]);
    arp->push_back(text ? *text : "");
  }
  return true;
}

bool JobQueue::ClaimRunEnd(std::int64_t* run, std::string* error) {
  std::vector<SqlRow> rows;
  *run = 0;
  // A run whose end was claimed for the last time and lapsed again: its ends keep dying.
  if (!Run("UPDATE queue_runs SET state = 'failed', poller = NULL, lease_until = NULL"
           " WHERE state = 'inferring' AND lease_until < now() AND end_attempts >= ?",
           {static_cast<std::int64_t>(m_MaxAttempts)}, 0, nullptr, error)) {
    return false;
  }
  if (!Run("UPDATE queue_runs SET state = 'inferring', poller = ?,"
           " lease_until = now() + make_interval(secs => ?), end_attempts = end_attempts + 1"
           " WHERE id = (SELECT r.id FROM queue_runs r"
           " WHERE (r.state = 'polling' OR (r.state = 'inferring' AND r.lease_until < now()))"
           " AND NOT EXISTS (SELECT 1 FROM queue_jobs j WHERE j.run = r.id"
           " AND j.state IN ('queued', 'taken'))"
           " ORDER BY r.id LIMIT 1 FOR UPDATE SKIP LOCKED)"
           " RETURNING id",
           {m_Poller, Seconds(m_Lease)}, 1, &rows, error)) {
    return false;
  }
  if (!rows.empty()) *run = std::get<std::int64_t>(rows[0][0]);
  return true;
}

bool JobQueue::ReleaseRunEnd(std::int64_t run, std::string* error) {
  return Run(
      "UPDATE queue_runs SET poller = NULL, lease_until = NULL,"
      " state = CASE WHEN end_attempts >= ? THEN 'failed' ELSE 'polling' END"
      " WHERE id = ? AND poller = ? AND state = 'inferring'",
      {static_cast<std::int64_t>(m_MaxAttempts), run, m_Poller}, 0, nullptr, error);
}

bool JobQueue::RunDevices(std::int64_t run, std::vector<QueuedDevice>* devices,
                          std::vector<std::string>* failed, std::string* error) {
  std::vector<SqlRow> jobs;
  if (!Run("SELECT name, address, port, site, device, state, reason FROM queue_jobs"
           " WHERE run = ? ORDER BY device_order",
           {run}, 7, &jobs, error)) {
    return false;
  }
  devices->clear();
  failed->clear();
  for (const SqlRow& r : jobs) {
    QueuedDevice d;
    d.name = std::get<std::string>(r[0]);
    d.address = std::get<std::string>(r[1]);
    d.port = static_cast<int>(std::get<std::int64_t>(r[2]));
    d.site = std::get<std::string>(r[3]);
    d.device = std::get<std::string>(r[4]);
    devices->push_back(std::move(d));
    const auto* reason = std::get_if<std::string>(&r[6]);
    bool isFailed = std::get<std::string>(r[5]) == "failed";
    failed->push_back(isFailed ? (reason ? *reason : "failed") : "");
  }
  return true;
}

bool JobQueue::RunResults(std::int64_t run, bool withResults, const ResultSink& each,
                          std::string* error) {
  // A page at a time, each starting past the last device of the one before (the primary key
  // leads there), so that only one page of results is ever held.
  const std::string sql =
      std::string(withResults ? "SELECT device_order, discovered, results_text, summary_text,"
                              : "SELECT device_order, discovered, '', '',") +
      " topology_json, inventory_json, facts_json FROM queue_device_results"
      " WHERE run = ? AND device_order > ? ORDER BY device_order LIMIT ?";
  std::int64_t after = -1;
  for (;;) {
    std::vector<SqlRow> rows;
    if (!Run(sql, {run, after, static_cast<std::int64_t>(m_ResultsBatch)}, 7, &rows, error)) {
      return false;
    }
    for (SqlRow& r : rows) {
      DeviceResult d;
      after = std::get<std::int64_t>(r[0]);
      d.order = static_cast<int>(after);
      d.discovered = std::get<std::int64_t>(r[1]) != 0;
      d.results = std::move(std::get<std::string>(r[2]));
      d.summary = Unhex(std::get<std::string>(r[3]));
      d.topology = std::move(std::get<std::string>(r[4]));
      d.inventory = std::move(std::get<std::string>(r[5]));
      d.facts = std::move(std::get<std::string>(r[6]));
      if (!each(std::move(d), error)) return false;
    }
    if (rows.size() < static_cast<std::size_t>(m_ResultsBatch)) return true;
  }
}

JobQueue::Finished JobQueue::CompleteRun(std::int64_t run, std::int64_t ended,
                                         std::int64_t storeRun, std::string* error) {
  std::vector<SqlRow> rows;
  if (!Run("UPDATE queue_runs SET state = 'complete', poller = NULL, lease_until = NULL,"
           " store_run = NULLIF(?, 0), ended = ?"
           " WHERE id = ? AND poller = ? AND state = 'inferring' RETURNING id",
           {storeRun, ended, run, m_Poller}, 1, &rows, error)) {
    return Finished::kError;
  }
  return rows.empty() ? Finished::kLost : Finished::kDone;
}

bool JobQueue::WorkLeft(const TakeFilter& filter, bool* left, std::string* error) {
  std::vector<SqlRow> rows;
  // Jobs of its site still open (another poller's may lapse), or a run end to claim.
  if (!Run("SELECT EXISTS (SELECT 1 FROM queue_jobs j JOIN queue_runs r ON r.id = j.run"
           " WHERE r.state = 'polling' AND j.state IN ('queued', 'taken')"
           " AND (? = '' OR j.site = ?))"
           " OR EXISTS (SELECT 1 FROM queue_runs r WHERE (r.state = 'polling'"
           " AND NOT EXISTS (SELECT 1 FROM queue_jobs j WHERE j.run = r.id"
           " AND j.state IN ('queued', 'taken')))"
           " OR (r.state = 'inferring' AND r.lease_until < now()))",
           {filter.site, filter.site}, 1, &rows, error)) {
    return false;
  }
  *left = !rows.empty() && std::get<std::string>(rows[0][0]) == "t";
  return true;
}

bool JobQueue::Runs(std::vector<QueueRunRow>* runs, std::string* error) {
  std::vector<SqlRow> rows;
  if (!Run("SELECT r.id, r.name, r.state, r.enqueued, r.ended,"
           " count(j.run) FILTER (WHERE j.state = 'done'),"
           " count(j.run) FILTER (WHERE j.state IN ('queued', 'taken')),"
           " count(j.run) FILTER (WHERE j.state = 'failed'), r.store_run"
           " FROM queue_runs r LEFT JOIN queue_jobs j ON j.run = r.id"
           " GROUP BY r.id ORDER BY r.id",
           {}, 9, &rows, error)) {
    return false;
  }
  runs->clear();
  for (const SqlRow& r : rows) {
    QueueRunRow q;
    q.id = std::get<std::int64_t>(r[0]);
    q.name = std::get<std::string>(r[1]);
    q.state = std::get<std::string>(r[2]);
    q.enqueued = std::get<std::int64_t>(r[3]);
    if (const auto* e = std::get_if<std::int64_t>(&r[4])) q.ended = *e;
    q.done = static_cast<int>(std::get<std::int64_t>(r[5]));
    q.left = static_cast<int>(std::get<std::int64_t>(r[6]));
    q.failed = static_cast<int>(std::get<std::int64_t>(r[7]));
    if (const auto* s = std::get_if<std::int64_t>(&r[8])) q.storeRun = *s;
    runs->push_back(std::move(q));
  }
  std::vector<SqlRow> failed;
  if (!Run("SELECT run, name, attempts, reason FROM queue_jobs WHERE state = 'failed'"
           " ORDER BY run, device_order",
           {}, 4, &failed, error)) {
    return false;
  }
  for (const SqlRow& f : failed) {
    for (QueueRunRow& q : *runs) {
      if (q.id != std::get<std::int64_t>(f[0])) continue;
      const auto* reason = std::get_if<std::string>(&f[3]);
      q.failures.push_back(std::get<std::string>(f[1]) + ": failed after " +
                           std::to_string(std::get<std::int64_t>(f[2])) +
                           " attempt(s): " + (reason ? *reason : "no reason given"));
    }
  }
  return true;
}

bool JobQueue::RunEnded(std::int64_t run, std::int64_t* ended, std::string* error) {
  std::vector<SqlRow> rows;
  if (!Run("SELECT state, ended FROM queue_runs WHERE id = ?", {run}, 2, &rows, error)) {
    return false;
  }
  if (rows.empty()) {
    *error = "no run " + std::to_string(run) + " in the queue";
    return false;
  }
  const auto* at = std::get_if<std::int64_t>(&rows[0][1]);
  if (std::get<std::string>(rows[0][0]) != "complete" || at == nullptr) {
    *error = "run " + std::to_string(run) + " is not complete (" +
             std::get<std::string>(rows[0][0]) + ")";
    return false;
  }
  *ended = *at;
  return true;
}

bool ReadQueueRuns(const std::string& uri, std::vector<QueueRunRow>* runs, std::string* error) {
  runs->clear();
  std::unique_ptr<SqlConnection> db = OpenPostgres(uri, error);
  if (!db) return false;
  // A store no poller ever used has no queue: nothing to show, and nothing is made.
  std::unique_ptr<SqlStatement> exists =
      db->Prepare("SELECT to_regclass('queue_runs') IS NOT NULL", error);
  if (!exists || !exists->Run({}, error)) return false;
  if (!exists->Next() || exists->Text(0) != "t") return true;
  exists.reset();
  JobQueue queue(std::move(db), "", 60, 1);
  return queue.Runs(runs, error);
}

}  // namespace store
}  // namespace disco
