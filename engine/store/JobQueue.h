// The job queue of runs shared by several pollers, in PostgreSQL next to the inventory store.
// A run is enqueued as one job per device; pollers take jobs with SELECT ... FOR UPDATE SKIP
// LOCKED under a lease they renew, write each device's results, and the poller that sees the
// run's last job done infers the topology and completes the run. doc/pollers.md has the tables,
// the states and the lease rules.
//
// A job goes through two stages: 'arp' (the agent's filter and the device's ARP table, which every
// device's forwarding entries are resolved with) and then 'discover' (the whole device), taken
// only once no job of the run is left in the first stage. In each stage its state is 'queued',
// 'taken' (by a poller, until lease_until), then 'done' or 'failed'.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/store/SqlConnection.h"

namespace disco {
namespace store {

// One device of a run as enqueued: `device` is its entry as JSON text, without secrets.
struct QueuedDevice {
  std::string name, address, site;
  int port = 161;
  std::string device;
};

// A job as a poller took it.
struct TakenJob {
  std::int64_t run = 0;
  int order = 0;  // the device's place in the run's plan
  std::string stage;
  std::string device;  // QueuedDevice::device
  int attempts = 0;    // this one included
};

// What one device of a run left for the end of the run.
struct DeviceResult {
  int order = 0;
  bool discovered = false;
  std::string results, summary;            // ResultsWriter::ExportDevice's texts
  std::string topology, inventory, facts;  // JSON texts
};

// A run of the queue as `runs` shows it.
struct QueueRunRow {
  std::int64_t id = 0;
  std::string name, state;
  std::int64_t enqueued = 0, ended = 0;  // Unix seconds; 0 when not ended
  int done = 0, left = 0, failed = 0;
  std::int64_t storeRun = 0;  // its run in the inventory once complete
  // "NAME: failed after N attempt(s): REASON" per failed job, in plan order.
  std::vector<std::string> failures;
};

// Which jobs a poller takes.
struct TakeFilter {
  std::string site;  // "" for every site
  int limit = 1;     // up to this many jobs, all of one run and one stage
  // When `run` is not 0: only jobs of that run in that stage.
  std::int64_t run = 0;
  std::string stage;
};

// One connection to the queue. Not thread-safe: each thread opens its own.
class JobQueue {
 public:
  // Opens the queue at the libpq URI `uri` and makes its tables when absent. `poller` names the
  // poller in the jobs it takes; `leaseSeconds` is how long a take or a renewal holds a job;
  // a job whose lease lapsed `maxAttempts` times is failed. Null with `*error` set.
  static std::unique_ptr<JobQueue> Open(const std::string& uri, const std::string& poller,
                                        double leaseSeconds, int maxAttempts, std::string* error);

  // Enqueues a run of `devices` (in plan order) with its settings (JSON text). Returns the run's
  // id, 0 with `*error` set.
  std::int64_t Enqueue(const std::string& name, const std::string& settings,
                       const std::vector<QueuedDevice>& devices, std::string* error);

  // Takes the first queued jobs `filter` allows, all of one run and stage, in one statement.
  // When none is queued, Reclaim()s the lapsed ones first. `*jobs` is empty when none is left.
  // False with `*error` set.
  bool Take(const TakeFilter& filter, std::vector<TakenJob>* jobs, std::string* error);
  // Extends the lease of every job and run end this poller holds, and Reclaim()s the jobs of
  // others whose lease lapsed. False with `*error` set.
  bool Renew(std::string* error);
  // Queues again every job whose lease lapsed, or fails it ("its poller stopped renewing the
  // lease N time(s)") once its attempts are used up. `*queued`: whether any was queued again.
  bool Reclaim(bool* queued, std::string* error);
  // Gives a taken job back: queued again with `reason` (failed when its attempts are used up);
  // with `counted` false the attempt is not counted (it never started). False with `*error`.
  bool Release(const TakenJob& job, const std::string& reason, bool counted, std::string* error);

  enum class Finished { kDone, kLost, kError };
  // Ends a job's 'arp' stage with the device's ARP data (JSON text): the job is queued for the
  // 'discover' stage. kLost when the job is no longer this poller's (its lease lapsed).
  Finished FinishArp(const TakenJob& job, const std::string& arp, std::string* error);
  // Writes a device's results and marks its job done in one transaction, which is rolled back
  // (kLost) unless the job is still taken by this poller: a device is written once.
  Finished FinishDevice(const TakenJob& job, const DeviceResult& result, std::string* error);

  // The settings text a run was enqueued with. False with `*error` when there is no such run.
  bool RunSettings(std::int64_t run, std::string* settings, std::string* error);
  // The ARP data of every device of `run` (JSON text, "" for a device that has none), in plan
  // order.
  bool RunArp(std::int64_t run, std::vector<std::string>* arp, std::string* error);
  // Claims the end of a run no job of which is queued or taken: a run still polling, or one
  // whose previous claimer's lease lapsed (at most `maxAttempts` claims; the run is failed then).
  // `*run` is 0 when there is none. False with `*error`.
  bool ClaimRunEnd(std::int64_t* run, std::string* error);
  // Gives back the end of a run this poller claimed but could not end: claimable again, or
  // 'failed' once `maxAttempts` claims failed. False with `*error` set.
  bool ReleaseRunEnd(std::int64_t run, std::string* error);
  // Every device of `run` (done or not) as enqueued, in plan order, and the reasons of the
  // failed jobs by order ("" for the others). False with `*error` set.
  bool RunDevices(std::int64_t run, std::vector<QueuedDevice>* devices,
                  std::vector<std::string>* failed, std::string* error);
  // Hands `each` the results every device of `run` left, in plan order, read `ResultsBatch()`
  // devices at a time so that a run of big switches is never held whole (without
  // `withResults`, their texts `results` and `summary` are left empty: the end of a run needs
  // the extracts only). `each` returning false (with `*error` set) stops the reading. False
  // with `*error` set.
  using ResultSink = std::function<bool(DeviceResult&& result, std::string* error)>;
  bool RunResults(std::int64_t run, bool withResults, const ResultSink& each, std::string* error);
  // How many devices' results RunResults reads per statement (16 unless set; at least 1).
  int ResultsBatch() const { return m_ResultsBatch; }
  void SetResultsBatch(int devices) { m_ResultsBatch = devices > 0 ? devices : 1; }
  // Completes a run this poller claimed, `ended` then (Unix seconds), with its run in the
  // inventory (0 for none). kLost when the claim lapsed and another poller took the end over.
  Finished CompleteRun(std::int64_t run, std::int64_t ended, std::int64_t storeRun,
                       std::string* error);

  // Whether any job `filter`'s site allows is queued or taken (by anyone: its lease may lapse),
  // or a run's end is there to claim.
  bool WorkLeft(const TakeFilter& filter, bool* left, std::string* error);
  // The queue's runs, oldest first.
  bool Runs(std::vector<QueueRunRow>* runs, std::string* error);
  // When a complete run ended (Unix seconds). False with `*error` when the run is unknown or not
  // complete.
  bool RunEnded(std::int64_t run, std::int64_t* ended, std::string* error);

 private:
  friend bool ReadQueueRuns(const std::string&, std::vector<QueueRunRow>*, std::string*);
  JobQueue(std::unique_ptr<SqlConnection> db, std::string poller, double lease, int attempts)
      : m_Db(std::move(db)), m_Poller(std::move(poller)), m_Lease(lease), m_MaxAttempts(attempts) {}
  bool CreateTables(std::string* error);
  // Runs `sql` (prepared once per connection) with `params`; with `rows`, collects the first
  // `columns` columns of the result's rows.
  bool Run(const std::string& sql, const SqlRow& params, int columns, std::vector<SqlRow>* rows,
           std::string* error);
  bool Begin(std::string* error) { return m_Db->Exec("BEGIN", error); }
  bool Commit(std::string* error);

  std::unique_ptr<SqlConnection> m_Db;
  std::map<std::string, std::unique_ptr<SqlStatement>> m_Statements;  // by their SQL
  std::string m_Poller;
  double m_Lease;
  int m_MaxAttempts;
  int m_ResultsBatch = 16;
};

// The runs of the queue at `uri` (none when no poller ever used the store), without making its
// tables. False with `*error` set.
bool ReadQueueRuns(const std::string& uri, std::vector<QueueRunRow>* runs, std::string* error);

// Whether `target` names a PostgreSQL store (the only kind the queue lives in).
bool IsPostgresTarget(const std::string& target);

}  // namespace store
}  // namespace disco
