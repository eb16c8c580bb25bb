#include "engine/run/Progress.h"

#include "engine/base/DeviceText.h"

namespace disco {

void Progress::Line(const std::string& text) {
  if (m_Out == nullptr) return;
  std::lock_guard<std::mutex> lock(m_Mutex);
  // A device's name or an SNMP failure may carry what a device or a scope file gave.
  *m_Out << "extreme-disco: " << TerminalText(text, 0) << std::endl;
}

}  // namespace disco
