// The files a run writes, checked before any device is asked, so that a run never ends with
// results it cannot write, hangs on a FIFO, or writes one output over another.
#pragma once

#include <string>
#include <vector>

namespace disco {

struct OutputTarget {
  std::string what;    // what goes there, as messages name it: "results", "DOT", "SVG"
  std::string option;  // the option that named it: "-o", "--dot", "--svg"
  std::string path;    // "-": standard output
};

// Checks that every target can be written as WriteFileWhole writes it: standard output ("-" or
// a name of the file it is open on), or a regular file or none in a writable folder. Refuses
// directories, FIFOs, devices and sockets, and two targets that name one file: one entry of one
// folder ("x", "./x", "d/../x") or one existing file (a hard link, a symbolic link to it).
// False with `*error` set to a message naming the target.
bool CheckOutputTargets(const std::vector<OutputTarget>& targets, std::string* error);

}  // namespace disco
