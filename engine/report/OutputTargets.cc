#include "engine/report/OutputTargets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "engine/report/SafeFile.h"

namespace disco {

namespace {

// What a target writes to: the entry (folder and name) it replaces, or the file it writes into.
struct Identity {
  bool standardOutput = false;
  std::optional<std::pair<dev_t, ino_t>> file;    // an existing target's file
  std::optional<std::pair<dev_t, ino_t>> folder;  // a file target's folder
  std::string name;                               // its name in the folder
};

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// The identity of `t`. False with `*error` set when it cannot be written.
bool Identify(const OutputTarget& t, Identity* id, std::string* error) {
  std::string prefix = "cannot write " + t.what + " to " + t.path + ": ";
  if (NamesStandardOutput(t.path)) {
    id->standardOutput = true;
    return true;
  }
  struct stat st;
  if (stat(t.path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      *error = t.what + " file " + t.path + " is " + KindOf(st.st_mode) +
               "; give a regular file (or - for standard output)";
      return false;
    }
    id->file = std::make_pair(st.st_dev, st.st_ino);
  } else if (errno != ENOENT) {
    *error = prefix + std::strerror(errno);
    return false;
  }
  std::size_t slash = t.path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : t.path.substr(0, slash == 0 ? 1 : slash);
  id->name = slash == std::string::npos ? t.path : t.path.substr(slash + 1);
  if (id->name.empty() || id->name == "." || id->name == "..") {
    *error = t.what + " file " + t.path + " is a directory";
    return false;
  }
  struct stat folder;
  if (stat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
    *error = prefix + "no folder " + dir;
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *error = prefix + "folder " + dir + " is not writable";
    return false;
  }
  id->folder = std::make_pair(folder.st_dev, folder.st_ino);
  return true;
}

bool Same(const Identity& a, const Identity& b) {
  if (a.standardOutput || b.standardOutput) return a.standardOutput && b.standardOutput;
  if (a.file && b.file && *a.file == *b.file) return true;
  return a.folder && b.folder && *a.folder == *b.folder && a.name == b.name;
}

}  // namespace

bool CheckOutputTargets(const std::vector<OutputTarget>& targets, std::string* error) {
  std::vector<Identity> ids(targets.size());
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (!Identify(targets[i], &ids[i], error)) return false;
    for (std::size_t k = 0; k < i; ++k) {
      if (!Same(ids[k], ids[i])) continue;
      *error = targets[k].option + " " + targets[k].path + " and " + targets[i].option + " " +
               targets[i].path + " name the same file; give each output its own";
      return false;
    }
  }
  return true;
}

}  // namespace disco
