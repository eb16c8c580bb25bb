#include "engine/report/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace disco {

namespace {

// Runs `fill` on `fd`, then closes it; the first failure's reason goes to `*why`.
bool FillAndClose(int fd, const std::function<bool(int, std::string*)>& fill, std::string* why) {
  errno = 0;
  bool ok = fill(fd, why);
  if (!ok && why->empty()) why->assign(errno != 0 ? std::strerror(errno) : "write failed");
  if (close(fd) != 0 && ok) {
    why->assign(std::strerror(errno));
    ok = false;
  }
  return ok;
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

bool WriteFileWhole(const std::string& path,
                    const std::function<bool(int fd, std::string* why)>& fill, std::string* why) {
  why->clear();
  struct stat target;
  if (stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
      why->assign(std::strerror(errno));
      return false;
    }
    return FillAndClose(fd, fill, why);
  }
  namespace fs = std::filesystem;
  fs::path dir = fs::path(path).parent_path();
  std::string temporary = (dir.empty() ? fs::path(".") : dir).string() + "/." +
                          fs::path(path).filename().string() + ".XXXXXX";
  int fd = mkstemp(&temporary[0]);
  if (fd < 0) {
    why->assign(std::strerror(errno));
    return false;
  }
  fchmod(fd, 0644);
  bool ok = FillAndClose(fd, fill, why);
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    why->assign(std::strerror(errno));
    ok = false;
  }
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace disco
