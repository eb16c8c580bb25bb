// A program the engine runs (Graphviz's dot), killed and reaped whenever the engine stops, so
// that none outlives a run: a stop request cuts the wait short, the handler of a second Ctrl-C
// kills it (Leftovers.h), and the system kills it when the engine dies any other way.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace disco {

// The first executable `program` in the folders of PATH (a name with a '/' is taken as it is).
// Empty when there is none.
std::string FindProgram(const std::string& program);

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // a child still running is killed and reaped
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `argv[0]` (looked up with FindProgram) with `argv`, its standard input, output and
  // error on the descriptors given (borrowed; the child gets copies). The calling thread must
  // outlive the child: when it ends, the system kills the child. False with `*error` set when
  // the program is missing or cannot be started.
  bool Start(const std::vector<std::string>& argv, int in, int out, int err, std::string* error);

  // The child's process id while it runs, else -1.
  pid_t Pid() const { return m_Pid; }

  enum class End { kExited, kStopped };
  // Waits until the child ends, polling `stopRequested` about twenty times a second; once it
  // says true, kills the child and reaps it. kExited sets `*status` (as waitpid gives it);
  // kStopped also when the child was reaped elsewhere (RemoveLeftovers).
  End Wait(const std::function<bool()>& stopRequested, int* status);

 private:
  void KillAndReap();

  pid_t m_Pid = -1;
};

}  // namespace disco
