// Which database a --db target names, and the checks on a store file before it is opened.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/store/SqlStore.h"
#include "engine/store/Store.h"

namespace disco {
namespace store {

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Creates `folder` and its missing parents, private to the user.
bool MakeFolders(const std::string& folder, std::string* error) {
  if (folder.empty()) return true;
  struct stat info;
  if (stat(folder.c_str(), &info) == 0) return true;
  size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash), error)) {
    return false;
  }
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = folder + ": cannot create the store's folder: " + std::strerror(errno);
    return false;
  }
  return true;
}

// A store another user may write could be made to say anything: refuse it, as a scope file
// that others may read is refused.
bool CheckStoreFile(const std::string& path, bool create, std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      *error = path + ": cannot check the store file: " + std::strerror(errno);
      return false;
    }
    if (!create) {
      *error = path + ": no inventory store here (a discovery run with --db writes one)";
      return false;
    }
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && !MakeFolders(path.substr(0, slash), error)) return false;
    // Made here, private, so that SQLite (and its -wal and -shm files) take this mode.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) {
      *error = path + ": cannot create the store file: " + std::strerror(errno);
      return false;
    }
    if (fd >= 0) close(fd);
    return true;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = path + ": not a regular file, so not an inventory store";
    return false;
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) == 0) return true;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  *error = path + ": group or others may write the inventory store (mode " + mode +
           "); make it private with 'chmod 600 " + path + "'";
  return false;
}

}  // namespace

std::unique_ptr<Store> OpenStore(const std::string& target, const StoreOptions& options,
                                 std::string* error) {
  std::unique_ptr<SqlConnection> db;
  if (StartsWith(target, "postgresql://") || StartsWith(target, "postgres://")) {
    db = OpenPostgres(target, error);
  } else {
    std::string path = StartsWith(target, "sqlite:") ? target.substr(7) : target;
    if (path.empty()) {
      *error = "no store file named (--db)";
      return nullptr;
    }
    if (!CheckStoreFile(path, options.create, error)) return nullptr;
    db = OpenSqlite(path, options.create, options.busyMillis, error);
  }
  if (!db) return nullptr;
  return MakeSqlStore(std::move(db), options, error);
}

std::string DefaultStoreTarget() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/extreme-disco/inventory.db";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.local/share/extreme-disco/inventory.db";
  }
  return "inventory.db";
}

}  // namespace store
}  // namespace disco
