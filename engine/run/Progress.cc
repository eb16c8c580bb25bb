#include "engine/run/Progress.h"

namespace disco {

void Progress::Line(const std::string& text) {
  if (m_Out == nullptr) return;
  std::lock_guard<std::mutex> lock(m_Mutex);
  *m_Out << "extreme-disco: " << text << std::endl;
}

}  // namespace disco
