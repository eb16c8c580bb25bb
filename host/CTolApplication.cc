#include "host/CTolApplication.h"

CTolApplication::~CTolApplication() = default;

int CTolApplication::RAInitEngine() { return 1; }
int CTolApplication::RAStartEngine() { return 1; }
int CTolApplication::RAProcessCmdLine(int, char**) { return 1; }
int CTolApplication::RAInitApp(int, char**) { return 1; }
void CTolApplication::RASafeExit() {}

std::string CTolApplication::RAGetName() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Name;
}

std::string CTolApplication::RAGetDesc() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Desc;
}

void CTolApplication::RASetName(const char* name) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Name = name ? name : "";
}

void CTolApplication::RASetDesc(const char* desc) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Desc = desc ? desc : "";
}
