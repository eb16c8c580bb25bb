#include "support/PostgresServer.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// Runs `program` from kPostgresBin with `args`, as 'nobody' when we are root, its output
// appended to `log`. True when it exits with status 0.
bool RunAsServerUser(const std::string& program, const std::vector<std::string>& args,
                     const std::string& log) {
  struct passwd* nobody = getpwnam("nobody");
  if (geteuid() == 0 && nobody == nullptr) return false;
  uid_t uid = nobody ? nobody->pw_uid : 0;
  gid_t gid = nobody ? nobody->pw_gid : 0;
  std::string path = std::string(kPostgresBin) + "/" + program;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
      _exit(126);
    }
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Tail(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  return all.size() > 1500 ? all.substr(all.size() - 1500) : all;
}

}  // namespace

bool PostgresServer::Start(bool durable, std::string* error) {
  std::string pattern = (std::filesystem::temp_directory_path() / "disco-pg-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot make a folder for the PostgreSQL server: " + std::string(strerror(errno));
    return false;
  }
  m_Folder = pattern;
  struct passwd* nobody = getpwnam("nobody");
  if (geteuid() == 0 &&
      (nobody == nullptr || chown(m_Folder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)) {
    *error = m_Folder + ": cannot hand the folder to the user 'nobody'";
    return false;
  }
  const std::string data = m_Folder + "/data", log = m_Folder + "/setup.log";
  if (!RunAsServerUser("initdb",
                       {"-D", data, "-U", "postgres", "-A", "trust", "-E", "UTF8", "--no-locale",
                        "--no-sync", "--no-instructions"},
                       log)) {
    *error = "initdb failed: " + Tail(log);
    return false;
  }
  std::string settings = "-c listen_addresses='' -c unix_socket_directories='" + m_Folder + "'";
  if (!durable) settings += " -c fsync=off -c synchronous_commit=off -c full_page_writes=off";
  if (!RunAsServerUser(
          "pg_ctl",
          {"-D", data, "-l", m_Folder + "/server.log", "-w", "-t", "60", "-o", settings, "start"},
          log)) {
    *error = "pg_ctl start failed: " + Tail(log) + Tail(m_Folder + "/server.log");
    m_Running = true;  // it may have started after all: Stop() tries
    return false;
  }
  m_Running = true;
  return true;
}

void PostgresServer::Stop() {
  if (m_Running) {
    RunAsServerUser("pg_ctl", {"-D", m_Folder + "/data", "-m", "immediate", "-w", "stop"},
                    m_Folder + "/setup.log");
    m_Running = false;
  }
  if (!m_Folder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(m_Folder, ignored);
    m_Folder.clear();
  }
}

std::string PostgresServer::Uri(const std::string& database) const {
  return "postgresql:///" + database + "?host=" + m_Folder + "&user=postgres";
}
