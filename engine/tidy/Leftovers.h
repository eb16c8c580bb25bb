// What must not outlive the process: the child processes it started and the temporary names it
// made. TemporaryFile and ChildProcess register here; a signal handler that ends the process at
// once calls RemoveLeftovers() first.
#pragma once

#include <sys/types.h>

namespace disco {

// Records `pid` as a running child. False when too many are recorded (the caller must not
// start it then). Thread-safe.
bool RecordChild(pid_t pid);
// Forgets `pid` once it is reaped. Thread-safe.
void ForgetChild(pid_t pid);

// Records `path` as a name that exists (or is about to) only for a moment; returns its slot, or
// -1 when `path` is too long or too many are recorded. Thread-safe.
int RecordName(const char* path);
// Forgets the name of `slot` (from RecordName) once it is gone or no longer temporary.
void ForgetName(int slot);

// Kills and reaps every recorded child and removes every recorded name. Async-signal-safe: for
// a signal handler about to _exit.
void RemoveLeftovers();

}  // namespace disco
