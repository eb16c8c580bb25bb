// The end of a run several pollers discovered: every device's extracts read back in plan order,
// the topology inferred once, the whole results document rendered as a run of one process writes
// it, kept in the queue (for `export`) and the run written to the inventory.
#pragma once

#include <cstdint>
#include <string>

#include "engine/store/JobQueue.h"

namespace disco {

// Ends `run`, which this poller claimed (JobQueue::ClaimRunEnd): `target` is the store's URI
// `pluginPath` the plug-in the document names and `version` the program's version the inventory
// keeps. False with `*error` set; the claim then
// lapses and another poller ends the run.
bool EndRun(store::JobQueue& queue, const std::string& target, std::int64_t run,
            const std::string& pluginPath, const std::string& version, std::string* error);

}  // namespace disco
