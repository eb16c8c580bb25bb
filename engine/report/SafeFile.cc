#include "engine/report/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "engine/tidy/TemporaryFile.h"

namespace disco {

namespace {

// Runs `fill` on `fd`; the first failure's reason goes to `*why`.
bool Fill(int fd, const std::function<bool(int, std::string*)>& fill, std::string* why) {
  errno = 0;
  bool ok = fill(fd, why);
  if (!ok && why->empty()) why->assign(errno != 0 ? std::strerror(errno) : "write failed");
  return ok;
}

// Runs `fill` on `fd`, then closes it.
bool FillAndClose(int fd, const std::function<bool(int, std::string*)>& fill, std::string* why) {
  bool ok = Fill(fd, fill, why);
  if (close(fd) != 0 && ok) {
    why->assign(std::strerror(errno));
    ok = false;
  }
  return ok;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool WriteAll(int fd, std::string_view text) {
  for (std::size_t done = 0; done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool NamesStandardOutput(const std::string& path) {
  if (path == "-") return true;
  struct stat named, out;
  return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &out) == 0 && SameFile(named, out);
}

bool WriteFileWhole(const std::string& path,
                    const std::function<bool(int fd, std::string* why)>& fill, std::string* why) {
  why->clear();
  struct stat target;
  bool exists = stat(path.c_str(), &target) == 0;
  if (exists && NamesStandardOutput(path)) {
    int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
      why->assign(std::strerror(errno));
      return false;
    }
    return FillAndClose(fd, fill, why);
  }
  if (exists && !S_ISREG(target.st_mode)) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
      why->assign(std::strerror(errno));
      if (fd >= 0) close(fd);
      return false;
    }
    return FillAndClose(fd, fill, why);
  }
  mode_t mode = exists ? (target.st_mode & 07777) : 0666;
  std::unique_ptr<TemporaryFile> file = TemporaryFile::Beside(path, mode, why);
  if (!file) return false;
  // The umask narrowed the permissions of the new file; a replaced file keeps its own.
  if (exists && fchmod(file->Fd(), mode) != 0) {
    why->assign(std::strerror(errno));
    return false;
  }
  return Fill(file->Fd(), fill, why) && file->Publish(why);
}

}  // namespace disco
