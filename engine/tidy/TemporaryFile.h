// Files that have no name while they are written, so that nothing is left behind whichever way
// the program ends: scratch space, and a new file that takes its target's place in one step
// once it is complete.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace disco {

class TemporaryFile {
 public:
  // A file for scratch space in TMPDIR (else /tmp), readable and writable by its owner only.
  // It never gets a name: on a file system without unnamed files it is made under a recorded
  // name (Leftovers.h) that is removed at once. Null with `*error` set.
  static std::unique_ptr<TemporaryFile> Scratch(std::string* error);

  // A file in the folder of `target`, to Publish() as `target` once written: made with
  // permissions `mode` as the process's umask leaves them (a folder's default ACL applies).
  // Unnamed where the file system allows, else under a recorded hidden name beside the target
  // (".NAME.XXXXXX") that goes away with the object. Null with `*error` set (the system's
  // reason).
  static std::unique_ptr<TemporaryFile> Beside(const std::string& target, mode_t mode,
                                               std::string* error);

  ~TemporaryFile();  // closes the file; unless published, it is gone
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // The file's descriptor, open for reading and writing; owned by the object.
  int Fd() const { return m_Fd; }

  // Gives the file (of Beside) the name of its target, replacing whatever entry was there in one
  // step (a link is replaced, not followed). The file stays open. False with `*error` set (the
  // system's reason); the target is then untouched and the file still temporary.
  bool Publish(std::string* error);

 private:
  TemporaryFile(int fd, std::string target, std::string name, int slot);

  int m_Fd;
  std::string m_Target;  // empty for scratch space
  std::string m_Name;    // the recorded name while it has one, else empty
  int m_Slot;            // its slot in Leftovers, -1 when none
};

}  // namespace disco
