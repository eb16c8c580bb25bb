// The inventory store: every discovery run kept as intervals in SQLite (a file, the default) or
// PostgreSQL, and the questions asked of it ("where is this host?", "what changed?").
//
// A store is opened with OpenStore() and used by one thread at a time; several processes may
// share one store (writers take turns).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/store/Inventory.h"
#include "engine/store/StoreResults.h"

namespace disco {
namespace store {

struct StoreOptions {
  // False: a store that does not exist yet is an error instead of being created (queries).
  bool create = true;
  // How long a writer waits for another writer's lock (SQLite), in milliseconds.
  int busyMillis = 10000;
  // The IEEE OUI list for the vendors of new MAC addresses (absent file: no vendors).
  std::string ouiFile = "/usr/share/ieee-data/oui.txt";
  // Test hook: called inside WriteRun's transaction each time another 1000 fact rows went in,
  // with the number written so far.
  std::function<void(std::int64_t rows)> afterRows;
  // Test hook: the schema version a new store is created at (older versions make old stores).
  int schemaVersion = 0;  // 0: the current one
};

// Which runs Prune keeps: the newest `keepRuns` runs (0: no limit by count) and the runs that
// ended at most `keepDays` days before the newest run (0: no limit by age). A run either limit
// leaves out is removed.
struct PruneOptions {
  int keepRuns = 0;
  int keepDays = 0;
};

class Store {
 public:
  virtual ~Store() = default;

  // Adds one run in one transaction: the store has the whole run or, when anything fails or
  // the process dies, nothing of it. Facts unchanged since the store's latest run extend their
  // rows; changed or new facts open rows; facts absent from the run end with the previous run.
  // Facts whose MAC or IPv4 address cannot be read are left out and listed in `*skipped`
  // (may be null). Returns the new run's id (> 0), or 0 with `*error` set.
  virtual std::int64_t WriteRun(const RunSnapshot& run, std::vector<std::string>* skipped,
                                std::string* error) = 0;

  // All runs, oldest first. False with `*error` set when the store cannot be read.
  virtual bool Runs(std::vector<RunRow>* runs, std::string* error) = 0;

  // Where the thing named by `query` is and was: a MAC address in any common notation, an IPv4
  // address, "switch:port", a switch's name or sysName, or a name an LLDP neighbour gave.
  // No match is an empty result (true). False with `*error` when the store cannot be read.
  virtual bool Find(const std::string& query, FindResult* result, std::string* error) = 0;

  // What changed from run `fromRun` to run `toRun` (0: the store's second newest and newest
  // runs). False with `*error` when a run does not exist or the store has fewer than two runs.
  virtual bool Changes(std::int64_t fromRun, std::int64_t toRun, ChangesResult* result,
                       std::string* error) = 0;

  // Ports of the latest run (of switch `device`, or all when "") without a link to another
  // switch and on which no host was seen in the `days` days before the latest run.
  virtual bool IdlePorts(int days, const std::string& device, std::vector<IdlePort>* ports,
                         std::string* error) = 0;

  // The switches of the latest run, by name: those it asked, then (inScope false) those only
  // its links name. Empty when the store has no run. False with `*error` set.
  virtual bool Devices(std::vector<DeviceRow>* devices, std::string* error) = 0;

  // The links of the latest run, ordered by their ends. False with `*error` set.
  virtual bool Links(std::vector<LinkRow>* links, std::string* error) = 0;

  // Switch `name` of the latest run with its ports (DeviceView). `*found` false (and true
  // returned) when the latest run neither asked it nor links to it. False with `*error` set.
  virtual bool Device(const std::string& name, DeviceView* view, bool* found,
                      std::string* error) = 0;

  // Removes the runs `options` leaves out, and the rows seen only in them, in one transaction.
  // Rows that reach into a kept run start at the oldest kept run (first_seen is kept).
  virtual bool Prune(const PruneOptions& options, PruneResult* result, std::string* error) = 0;

  // Rows of host sightings, and the store's size on disk (for the benchmark and the tests).
  virtual bool Stats(std::int64_t* hostRows, std::int64_t* diskBytes, std::string* error) = 0;
};

// Opens the store named by `target`: "postgresql://..." or "postgres://..." (a libpq URI) is a
// PostgreSQL database; "sqlite:PATH" or any other text is an SQLite file, created with its
// folder (mode 0700) when absent and `options.create`. A store file that group or others may
// write is refused. The schema is created or migrated to the current version. Null with `*error`
// naming the store and the reason.
std::unique_ptr<Store> OpenStore(const std::string& target, const StoreOptions& options,
                                 std::string* error);

// The store a discovery run writes and the queries read when no --db is given:
// $XDG_DATA_HOME/extreme-disco/inventory.db, else $HOME/.local/share/extreme-disco/inventory.db,
// else "inventory.db".
std::string DefaultStoreTarget();

}  // namespace store
}  // namespace disco
