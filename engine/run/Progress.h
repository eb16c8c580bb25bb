// Progress messages of a run, one line each (control characters escaped), prefixed with the
// program's name. Thread-safe:
// engine threads and the agent's reply thread write here.
#pragma once

#include <mutex>
#include <ostream>
#include <string>

namespace disco {

class Progress {
 public:
  // `out` is borrowed; null silences the messages.
  explicit Progress(std::ostream* out) : m_Out(out) {}
  void Line(const std::string& text);

 private:
  std::mutex m_Mutex;
  std::ostream* m_Out;
};

}  // namespace disco
