#include "engine/tidy/TemporaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "engine/tidy/Leftovers.h"

namespace disco {

namespace {

// The folder of `path` ("." for a bare name) and the name in it.
void Split(const std::string& path, std::string* folder, std::string* name) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *folder = ".";
    *name = path;
  } else {
    *folder = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
}

// A fresh name in `folder`: ".STEM.XXXXXX" with six random letters.
std::string RandomName(const std::string& folder, const std::string& stem) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::string name = folder + "/." + stem + ".";
  for (int i = 0; i < 6; ++i) name.push_back(kLetters[random() % (sizeof kLetters - 1)]);
  return name;
}

// Whether open(O_TMPFILE) failing with `error` means the file system has no unnamed files.
bool NoUnnamedFiles(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

// Creates a new file under a fresh recorded name in `folder`. Returns its descriptor (-1 with
// errno set) and sets `*name` and `*slot`.
int CreateNamed(const std::string& folder, const std::string& stem, mode_t mode, std::string* name,
                int* slot) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = RandomName(folder, stem);
    // Recorded before it exists, so that a handler never misses it.
    *slot = RecordName(name->c_str());
    if (*slot < 0) {
      errno = ENAMETOOLONG;
      return -1;
    }
    int fd = open(name->c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    int why = errno;
    ForgetName(*slot);
    errno = why;
    if (why != EEXIST) return -1;
  }
  return -1;
}

// Links the unnamed file `fd` into the file system as `name`.
int LinkUnnamed(int fd, const std::string& name) {
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno != ENOENT) return -1;
  return linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);  // without /proc
}

}  // namespace

TemporaryFile::TemporaryFile(int fd, std::string target, std::string name, int slot)
    : m_Fd(fd), m_Target(std::move(target)), m_Name(std::move(name)), m_Slot(slot) {}

TemporaryFile::~TemporaryFile() {
  close(m_Fd);
  if (!m_Name.empty()) unlink(m_Name.c_str());
  ForgetName(m_Slot);
}

std::unique_ptr<TemporaryFile> TemporaryFile::Scratch(std::string* error) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  int fd = open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && NoUnnamedFiles(errno)) {
    std::string name;
    int slot = -1;
    fd = CreateNamed(dir, "extreme-disco-scratch", 0600, &name, &slot);
    if (fd >= 0) unlink(name.c_str());
    ForgetName(slot);
  }
  if (fd < 0) {
    *error = std::string("cannot make a temporary file in ") + dir + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<TemporaryFile>(new TemporaryFile(fd, "", "", -1));
}

std::unique_ptr<TemporaryFile> TemporaryFile::Beside(const std::string& target, mode_t mode,
                                                     std::string* error) {
  std::string folder, stem;
  Split(target, &folder, &stem);
  int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  std::string name;
  int slot = -1;
  if (fd < 0 && NoUnnamedFiles(errno)) fd = CreateNamed(folder, stem, mode, &name, &slot);
  if (fd < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<TemporaryFile>(new TemporaryFile(fd, target, name, slot));
}

bool TemporaryFile::Publish(std::string* error) {
  std::string folder, stem;
  Split(m_Target, &folder, &stem);
  if (m_Name.empty()) {
    // An unnamed file is linked under a fresh recorded name first: rename() replaces the target
    // in one step, linkat() cannot.
    for (int attempt = 0; attempt < 100 && m_Name.empty(); ++attempt) {
      std::string name = RandomName(folder, stem);
      int slot = RecordName(name.c_str());
      if (slot < 0) {
        *error = std::strerror(ENAMETOOLONG);
        return false;
      }
      if (LinkUnnamed(m_Fd, name) == 0) {
        m_Name = name;
        m_Slot = slot;
        break;
      }
      int why = errno;
      ForgetName(slot);
      if (why != EEXIST) {
        *error = std::strerror(why);
        return false;
      }
    }
  }
  if (m_Name.empty() || std::rename(m_Name.c_str(), m_Target.c_str()) != 0) {
    *error = std::strerror(m_Name.empty() ? EEXIST : errno);
    return false;
  }
  m_Name.clear();
  ForgetName(m_Slot);
  m_Slot = -1;
  return true;
}

}  // namespace disco
