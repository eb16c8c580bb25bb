#include "engine/tidy/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>

#include "engine/tidy/Leftovers.h"

extern char** environ;

namespace disco {

namespace {

// In the child, between fork and exec: async-signal-safe calls only.
void Become(const char* path, char* const argv[], const int fds[3], pid_t parent) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);  // the parent is already gone
  for (int target = 0; target < 3; ++target) {
    if (fds[target] == target) {
      fcntl(target, F_SETFD, 0);  // dup2 onto itself keeps close-on-exec
    } else if (dup2(fds[target], target) < 0) {
      _exit(127);
    }
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(path, argv, environ);
  _exit(127);
}

}  // namespace

std::string FindProgram(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0 ? program : "";
  }
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

ChildProcess::~ChildProcess() {
  if (m_Pid > 0) KillAndReap();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, int in, int out, int err,
                         std::string* error) {
  std::string path = FindProgram(argv.at(0));
  if (path.empty()) {
    *error = "no program " + argv[0] + " on the PATH";
    return false;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int fds[3] = {in, out, err};
  // Neither a second Ctrl-C nor SIGTERM may land between the fork and the record.
  sigset_t stops, previous;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stops, &previous);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) Become(path.c_str(), args.data(), fds, parent);
  int why = errno;
  bool recorded = pid > 0 && RecordChild(pid);
  if (pid > 0) m_Pid = pid;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (pid < 0) {
    *error = "cannot start " + argv[0] + ": " + std::strerror(why);
    return false;
  }
  if (!recorded) {
    KillAndReap();
    *error = "cannot start " + argv[0] + ": too many child processes";
    return false;
  }
  return true;
}

ChildProcess::End ChildProcess::Wait(const std::function<bool()>& stopRequested, int* status) {
  const timespec pause{0, 50 * 1000 * 1000};
  for (;;) {
    pid_t done = waitpid(m_Pid, status, WNOHANG);
    if (done == m_Pid) {
      ForgetChild(m_Pid);
      m_Pid = -1;
      return End::kExited;
    }
    if (done < 0 && errno == ECHILD) {  // a second signal's handler reaped it: the end is near
      m_Pid = -1;
      return End::kStopped;
    }
    if (stopRequested && stopRequested()) {
      KillAndReap();
      return End::kStopped;
    }
    nanosleep(&pause, nullptr);
  }
}

void ChildProcess::KillAndReap() {
  kill(m_Pid, SIGKILL);
  while (waitpid(m_Pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  ForgetChild(m_Pid);
  m_Pid = -1;
}

}  // namespace disco
