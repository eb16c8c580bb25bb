// `extreme-disco poll`: a poller of the job queue. It takes jobs (devices of enqueued runs),
// drives each through the agent as a run of its own process does, writes what each device left
// to the queue, and ends the runs whose last job it saw done (RunEnd.h). A lease thread renews
// its jobs' leases while it works; SIGINT or SIGTERM stops it taking jobs and gives back the
// ones it has not started.
#pragma once

#include <ostream>
#include <string>

#include "engine/cli/EngineOptions.h"
#include "engine/cli/ScopeFile.h"

namespace disco {

struct PollOptions {
  EngineOptions engine;  // --db, -j (jobs at once), --plugin, -q, -d, --sleep-scale, --scope
  std::string site;      // --site: only that site's jobs; "" for all
  bool once = false;     // --once: end when no job is left for this poller
  double leaseSeconds = 60;
  int maxAttempts = 3;
  double idleSeconds = 1;  // the longest wait between two looks at an empty queue
  std::string version;     // the program's, for the runs it keeps in the inventory
};

// Polls until stopped (or, with `once`, until no work is left). Returns the program's exit
// status: 0, 3 when the queue or the plug-in cannot be used, 128 + the signal when stopped.
int RunPoller(const PollOptions& options, std::ostream& err);

}  // namespace disco
