#include "engine/report/Spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/tidy/TemporaryFile.h"

namespace disco {

namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

}  // namespace

Spool::Spool() = default;
Spool::~Spool() = default;

bool Spool::Open(std::string* error) {
  m_File = TemporaryFile::Scratch(error);
  m_Fd = m_File ? m_File->Fd() : -1;
  return m_File != nullptr;
}

Spool::Extent Spool::Append(const std::string& text) {
  Extent extent;
  extent.length = text.size();
  extent.offset = m_End.fetch_add(static_cast<long long>(text.size()));
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = pwrite(m_Fd, text.data() + done, text.size() - done,
                       static_cast<off_t>(extent.offset + static_cast<long long>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(std::string("cannot write the temporary file: ") +
           (n < 0 ? std::strerror(errno) : "nothing written"));
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return extent;
}

bool Spool::Read(const Extent& extent, std::string* text) const {
  text->resize(extent.length);
  std::size_t done = 0;
  while (done < extent.length) {
    ssize_t n = pread(m_Fd, &(*text)[done], extent.length - done,
                      static_cast<off_t>(extent.offset + static_cast<long long>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool Spool::CopyTo(const Extent& extent, std::ostream& out) const {
  std::string block;
  for (std::size_t done = 0; done < extent.length;) {
    Extent part{extent.offset + static_cast<long long>(done),
                std::min(kCopyBlock, extent.length - done)};
    if (!Read(part, &block)) return false;
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    if (!out) return false;
    done += part.length;
  }
  return true;
}

bool Spool::CopyToFd(const Extent& extent, int fd) const {
  loff_t from = static_cast<loff_t>(extent.offset);
  std::size_t left = extent.length;
  while (left > 0) {
    ssize_t n = copy_file_range(m_Fd, &from, fd, nullptr, left, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // not supported between these files, or failed: copy through memory
    left -= static_cast<std::size_t>(n);
  }
  std::string block;
  while (left > 0) {
    Extent part{static_cast<long long>(from), std::min(kCopyBlock, left)};
    if (!Read(part, &block)) return false;
    for (std::size_t done = 0; done < block.size();) {
      ssize_t n = write(fd, block.data() + done, block.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    from += static_cast<loff_t>(part.length);
    left -= part.length;
  }
  return true;
}

std::string Spool::Error() const {
  std::lock_guard<std::mutex> lock(m_ErrorMutex);
  return m_Error;
}

void Spool::Fail(const std::string& why) {
  std::lock_guard<std::mutex> lock(m_ErrorMutex);
  if (m_Error.empty()) m_Error = why;
}

}  // namespace disco
