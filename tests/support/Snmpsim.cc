#include "support/Snmpsim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "support/TempDir.h"

namespace {

const char kSnmpsimd[] = "/usr/bin/snmpsimd";

bool WriteFile(const std::string& path, const std::string& text, mode_t mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    if (!out.flush()) return false;
  }
  return chmod(path.c_str(), mode) == 0;
}

std::string Tail(const std::string& text, size_t bytes) {
  return text.size() <= bytes ? text : "..." + text.substr(text.size() - bytes);
}

}  // namespace

int FreeUdpPort(const std::string& address) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = 0;
  inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
  int port = 0;
  socklen_t len = sizeof(sa);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0) {
    port = ntohs(sa.sin_port);
  }
  close(fd);
  return port;
}

Snmpsim::~Snmpsim() { Stop(); }

bool Snmpsim::Installed() { return access(kSnmpsimd, X_OK) == 0; }

void Snmpsim::AddRecording(const std::string& community, const std::string& snmprec) {
  m_Recordings.emplace_back(community, snmprec);
}

bool Snmpsim::AddRecordingFile(const std::string& community, const std::string& path) {
  if (access(path.c_str(), R_OK) != 0) return false;
  AddRecording(community, ReadFile(path));
  return true;
}

void Snmpsim::AddUser(const SnmpsimUser& user) { m_Users.push_back(user); }

std::string Snmpsim::Log() const {
  return m_Dir.empty() ? std::string() : ReadFile(m_Dir + "/snmpsimd.log");
}

bool Snmpsim::Start(std::string* error, int waitSeconds) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  if (Running() || !m_Dir.empty()) {
    *error = "snmpsimd already started";
    return false;
  }
  if (!Installed()) {
    *error = std::string(kSnmpsimd) + " is not installed";
    return false;
  }
  if (m_Recordings.empty()) {
    *error = "no recording to serve";
    return false;
  }

  char pattern[] = "/tmp/disco-snmpsim.XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    *error = std::string("cannot create a temporary directory: ") + std::strerror(errno);
    return false;
  }
  m_Dir = pattern;
  // The simulator may run as nobody: it must read the data and write its index cache.
  bool ok = chmod(m_Dir.c_str(), 0755) == 0 && mkdir((m_Dir + "/data").c_str(), 0755) == 0 &&
            mkdir((m_Dir + "/cache").c_str(), 0700) == 0;
  if (ok && geteuid() == 0) {
    struct passwd* nobody = getpwnam("nobody");
    ok =
        nobody != nullptr && chown((m_Dir + "/cache").c_str(), nobody->pw_uid, nobody->pw_gid) == 0;
  }
  for (size_t i = 0; ok && i < m_Recordings.size(); ++i) {
    ok = WriteFile(m_Dir + "/data/" + m_Recordings[i].first + ".snmprec", m_Recordings[i].second,
                   0644);
  }
  if (!ok) {
    *error = "cannot prepare the simulator's directory " + m_Dir;
    Stop();
    return false;
  }

  // A port taken between asking and binding makes snmpsimd exit at once: try a few others.
  std::random_device rng;
  for (int attempt = 0; attempt < 5; ++attempt) {
    m_Address = "127.0.0." + std::to_string(2 + rng() % 253);
    m_Port = FreeUdpPort(m_Address);
    if (m_Port == 0) continue;
    if (!Launch(error)) break;
    if (WaitUntilListening(waitSeconds, error)) return true;
    if (Running()) break;  // alive but not listening: another port would not help
  }
  *error += "\n--- snmpsimd log ---\n" + Tail(Log(), 4000);
  Stop();
  return false;
}

bool Snmpsim::Launch(std::string* error) {
  std::vector<std::string> args = {
      kSnmpsimd,
      "--data-dir=" + m_Dir + "/data",
      "--cache-dir=" + m_Dir + "/cache",
      "--agent-udpv4-endpoint=" + m_Address + ":" + std::to_string(m_Port),
      "--logging-method=stderr",
  };
  for (const SnmpsimUser& u : m_Users) {
    args.push_back("--v3-user=" + u.name);
    if (!u.authProtocol.empty()) {
      args.push_back("--v3-auth-key=" + u.authKey);
      args.push_back("--v3-auth-proto=" + u.authProtocol);
    }
    if (!u.privProtocol.empty()) {
      args.push_back("--v3-priv-key=" + u.privKey);
      args.push_back("--v3-priv-proto=" + u.privProtocol);
    }
  }
  uid_t uid = 0;
  gid_t gid = 0;
  bool dropPrivileges = geteuid() == 0;
  if (dropPrivileges) {
    struct passwd* nobody = getpwnam("nobody");
    struct group* nogroup = getgrnam("nogroup");
    if (nobody == nullptr || nogroup == nullptr) {
      *error = "running as root, but user nobody or group nogroup is missing";
      return false;
    }
    uid = nobody->pw_uid;
    gid = nogroup->gr_gid;
    // snmpsimd insists on being told, and checks it runs as them.
    args.push_back("--process-user=nobody");
    args.push_back("--process-group=nogroup");
  }
  std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + m_Dir, "LANG=C.UTF-8",
                                  "PYTHONDONTWRITEBYTECODE=1"};
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::string logPath = m_Dir + "/snmpsimd.log";
  int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (log < 0 || devnull < 0) {
    *error = "cannot open the simulator's log " + logPath;
    if (log >= 0) close(log);
    if (devnull >= 0) close(devnull);
    return false;
  }
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on: the test process may have other threads.
    if (dropPrivileges && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
      _exit(126);
    }
    // Set after the identity change, which would clear it: the simulator dies with its parent.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(125);
    dup2(devnull, STDIN_FILENO);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    execve(kSnmpsimd, argv.data(), envp.data());
    _exit(127);
  }
  int forkErrno = errno;
  close(log);
  close(devnull);
  if (pid < 0) {
    *error = std::string("cannot start snmpsimd: ") + std::strerror(forkErrno);
    return false;
  }
  m_Pid = pid;
  return true;
}

// snmpsimd indexes its data, then opens its endpoint and says so in its log; a request sent from
// then on waits in the socket until its dispatcher runs.
bool Snmpsim::WaitUntilListening(int waitSeconds, std::string* error) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  while (Log().find("Listening at") == std::string::npos) {
    int status = 0;
    if (waitpid(m_Pid, &status, WNOHANG) == m_Pid) {
      m_Pid = -1;
      *error = "snmpsimd exited during start-up (status " + std::to_string(status) + ")";
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      *error = "snmpsimd did not listen within " + std::to_string(waitSeconds) + " s";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void Snmpsim::Stop() {
  if (m_Pid > 0) {
    kill(m_Pid, SIGTERM);
    bool gone = false;
    for (int i = 0; i < 250 && !gone; ++i) {  // up to 5 s
      gone = waitpid(m_Pid, nullptr, WNOHANG) == m_Pid;
      if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!gone) {
      kill(m_Pid, SIGKILL);
      waitpid(m_Pid, nullptr, 0);
    }
    m_Pid = -1;
  }
  if (!m_Dir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(m_Dir, ignored);
    m_Dir.clear();
  }
}
