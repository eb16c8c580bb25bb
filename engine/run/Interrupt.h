// Ctrl-C and termination requests during a run: the first SIGINT or SIGTERM asks the run to
// stop (the engine polls StopSignal() and writes the results of the devices through); a second
// one ends the process at once.
#pragma once

namespace disco {

// Installs the handlers of SIGINT and SIGTERM for its lifetime and restores the previous ones on
// destruction. The handler only records the signal and writes a fixed note to standard error
// (async-signal-safe calls only); at a second signal it kills and reaps the child processes and
// removes the temporary names recorded in engine/tidy/Leftovers.h, then calls
// _exit(128 + signal), 130 for Ctrl-C. One at a time per process.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// The first signal received while a guard was installed (SIGINT or SIGTERM), 0 while none.
// Thread-safe.
int StopSignal();

}  // namespace disco
