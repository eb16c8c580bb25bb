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
  kExitCannotRun = 3,   // plug-in not loadable, or results not writable
};

// Runs the program on `args` (the arguments after the program's name). The agent's traces go
// to the process's standard output; `out` receives the help, the version and the summary (the
// summary goes to `err` instead when traces or the results use standard output); `err`
// receives error messages and progress.
int RunEngine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

constexpr const char* kEngineVersion = "1.0.0";

}  // namespace disco
