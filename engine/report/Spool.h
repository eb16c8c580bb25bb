// A spool: an unnamed temporary file where rendered text waits until the end of a run, so that
// it need not stay in memory. Pieces are appended from any thread and read back by extent.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

namespace disco {

class TemporaryFile;

class Spool {
 public:
  // Where a piece went.
  struct Extent {
    long long offset = 0;
    std::size_t length = 0;
  };

  Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  ~Spool();  // closes the file, which has no name: nothing is left

  // Makes the file (TemporaryFile::Scratch, in TMPDIR, else /tmp). Returns false with `*error`
  // saying why.
  bool Open(std::string* error);

  // Appends `text` and returns its extent. Thread-safe. After a failure (a full disk) the spool
  // is failed: Error() says why, and reads of what was lost fail.
  Extent Append(const std::string& text);
  // Replaces `*text` with the piece at `extent`. Returns false on failure.
  bool Read(const Extent& extent, std::string* text) const;
  // Writes the piece at `extent` to `out`. Returns false on failure.
  bool CopyTo(const Extent& extent, std::ostream& out) const;
  // Writes the piece at `extent` to the file descriptor `fd` at its current offset, copying
  // inside the kernel where the system can. Returns false with errno set on failure.
  bool CopyToFd(const Extent& extent, int fd) const;

  // Empty while nothing failed.
  std::string Error() const;

 private:
  void Fail(const std::string& why);

  std::unique_ptr<TemporaryFile> m_File;
  int m_Fd = -1;  // m_File's
  std::atomic<long long> m_End{0};
  mutable std::mutex m_ErrorMutex;
  std::string m_Error;
};

}  // namespace disco
