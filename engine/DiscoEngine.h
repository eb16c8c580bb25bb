// The extreme-disco program as a library call: parse the command line, plan, load the agent
// plug-in, discover, write the results and the summary.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace disco {

// Exit statuses of the program.
enum ExitStatus {
  kExitAllDiscovered = 0,
  kExitSomeFailed = 1,  // the run finished, but not every device was discovered
  kExitBadInput = 2,    // bad command line or input file; nothing was discovered
  kExitCannotRun = 3,   // plug-in not loadable, or results or summary not writable
  // 128 + the signal's number (130 for SIGINT, 143 for SIGTERM): the run was stopped; the
  // results hold the devices through, the others as interrupted.
};

// Runs the program on `args` (the arguments after the program's name). The agent's traces go
// to the process's standard output; `out` receives the help, the version and the summary (the
// summary goes to `err` instead when traces or the results use standard output); `err`
// receives error messages and progress. When devices had to be abandoned while still inside the
// agent (the watchdog's time limit, a stop request), the process ends with the status once the
// results and the summary are written, instead of returning: the agent cannot be unloaded under
// threads that still run in it.
int RunEngine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

constexpr const char* kEngineVersion = "2.0.0";

}  // namespace disco
