// The program's job-queue subcommands, over a PostgreSQL store: `enqueue` (a run as one job per
// device), `poll` (discover what the queue holds; Poller.h) and `export` (a complete run's
// results file).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace disco {

// Whether `word` (the program's first argument) names a queue subcommand.
bool IsQueueCommand(const std::string& word);

// Runs the subcommand `args[0]` with its arguments `args[1..]`; `version` is the program's.
// Exit statuses: 0 done, 2 bad usage, 3 the queue cannot be used (or the results written),
// 128 + a signal for a poller stopped by it.
int RunQueueCommand(const std::vector<std::string>& args, const std::string& version,
                    std::ostream& out, std::ostream& err);

}  // namespace disco
