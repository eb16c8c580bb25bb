// The end of a run several pollers discovered: every device's extracts read back in plan order,
// the topology inferred once and the run written to the inventory; and, when asked, the whole
// results document rendered from the devices' results as a run of one process writes it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "engine/store/JobQueue.h"

namespace disco {

// Ends `run`, which this poller claimed (JobQueue::ClaimRunEnd): `target` is the store's URI and
// `version` the program's version the inventory keeps. False with `*error` set; the claim then
// lapses and another poller ends the run.
bool EndRun(store::JobQueue& queue, const std::string& target, std::int64_t run,
            const std::string& version, std::string* error);

// Writes the results document of the complete run `run` to the file `path` as a run of one
// process writes it (WriteResults), or to `out` when `path` is "-". False with `*error` when the
// run is unknown or not complete, or its results cannot be read or written.
bool ExportRun(store::JobQueue& queue, std::int64_t run, const std::string& path, std::ostream& out,
               std::string* error);

}  // namespace disco
