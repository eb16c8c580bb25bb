#include "support/EngineProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

EngineProcessResult RunEngineProcess(const std::vector<std::string>& args,
                                     const std::string& workDir, int timeoutSeconds,
                                     const std::string& interruptOn) {
  EngineInterrupt interrupt;
  if (!interruptOn.empty()) interrupt = {interruptOn, "", {SIGINT}};
  return RunEngineProcess(args, workDir, timeoutSeconds, interrupt);
}

EngineProcessResult RunEngineProcess(const std::vector<std::string>& args,
                                     const std::string& workDir, int timeoutSeconds,
                                     const EngineInterrupt& interrupt) {
  EngineProcessResult result;
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return result;
  std::vector<std::string> argv = {DISCO_ENGINE_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  bool killed = false;
  bool interrupted = interrupt.signals.empty();
  while (open > 0) {
    if (!interrupted &&
        ((!interrupt.onText.empty() && result.err.find(interrupt.onText) != std::string::npos) ||
         (!interrupt.onFile.empty() && access(interrupt.onFile.c_str(), F_OK) == 0))) {
      for (int signal : interrupt.signals) kill(pid, signal);
      interrupted = true;
    }
    if (std::chrono::steady_clock::now() > deadline && !killed) {
      kill(pid, SIGKILL);
      killed = true;
    }
    if (poll(fds, 2, 200) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string SampleRecording(const std::string& name) {
  return std::string(DISCO_SOURCE_DIR) + "/examples/sample-network/" + name + ".snmprec";
}
