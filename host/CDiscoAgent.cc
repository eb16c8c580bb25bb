#include "host/CDiscoAgent.h"

// Default slot behaviour of the agent base. Concrete agents override what they need; the
// defaults accept everything and do nothing, so that a bare agent can be driven by the engine:
//   CreateScope                     -> null (no scope rules of the agent's own)
//   DADoMediationFilter             -> true (every device passes)
//   DADoMediationLayer / ProcessLayer / RelationshipLayer / AlternativeRelationshipLayer
//                                   -> nothing
//   DACheckDeviceOSVersion          -> true (any version is supported)
//   DAParsePartialMatchR            -> null (no partial matches)
//   RASetSCName / RASetSCDesc       -> name "CDiscoAgent", description "Discovery agent"
//   DAProcessNewNe, DADoStartUpProcessing, HandleConfigOptions -> nothing
//   DAAddExtraIOHandler, DAProcessIO -> 1

CDiscoAgent::CDiscoAgent() = default;
CDiscoAgent::~CDiscoAgent() = default;

int CDiscoAgent::RAInitEngine() { return 1; }
int CDiscoAgent::RAStartEngine() { return 1; }
int CDiscoAgent::RAProcessCmdLine(int, char**) { return 1; }

int CDiscoAgent::RAInitApp(int, char**) {
  RASetSCName();
  RASetSCDesc();
  return 1;
}

CDiscoScopeRule* CDiscoAgent::CreateScope(const std::string&, const CTolAtom&) const {
  return nullptr;
}

__boolean CDiscoAgent::DADoMediationFilter(CTolRecord*) { return 1; }
void CDiscoAgent::DADoMediationLayer(CTolRecord*) {}
void CDiscoAgent::DADoProcessLayer(CTolRecord*) {}
void CDiscoAgent::DADoRelationshipLayer(CTolRecord*) {}
void CDiscoAgent::DAAlternativeRelationshipLayer(CTolRecord*, int, const char**) {}
void CDiscoAgent::DAAlternativeRelationshipLayer(CTolRecord*, const char*) {}
__boolean CDiscoAgent::DACheckDeviceOSVersion(CTolRecord*, const char*) { return 1; }
CTolDoubleList* CDiscoAgent::DAParsePartialMatchR(const char*) { return nullptr; }
void CDiscoAgent::RASetSCName() { RASetName("CDiscoAgent"); }
void CDiscoAgent::RASetSCDesc() { RASetDesc("Discovery agent"); }
void CDiscoAgent::DAProcessNewNe(CTolRecord*) {}
void CDiscoAgent::DADoStartUpProcessing() {}
int CDiscoAgent::DAAddExtraIOHandler() { return 1; }
int CDiscoAgent::DAProcessIO(CTolIOWorkPacket*) { return 1; }
void CDiscoAgent::HandleConfigOptions(const CTolRecord&) {}

int CDiscoAgent::DABindDevice(CTolRecord* device, CDiscoMediationData* med,
                              CDiscoProcessedData* proc) {
  if (device == nullptr) return TOL_ERR_NULL;
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  m_Devices[device] = DeviceBinding{med, proc, 0};
  return 1;
}

int CDiscoAgent::DASetNeRecordPhase(CTolRecord* device, int phase) {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  auto it = m_Devices.find(device);
  if (it == m_Devices.end()) return TOL_ERR_FAILED;
  it->second.phase = phase;
  return 1;
}

void CDiscoAgent::DAUnbindDevice(CTolRecord* device) {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  m_Devices.erase(device);
}

void CDiscoAgent::DASetEngine(CTolEngine* engine) {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  m_Engine = engine;
}

CDiscoMediationData* CDiscoAgent::DAGetMediationData(CTolRecord* device) const {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  auto it = m_Devices.find(device);
  return it == m_Devices.end() ? nullptr : it->second.med;
}

CDiscoProcessedData* CDiscoAgent::DAGetProcessedData(CTolRecord* device) const {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  auto it = m_Devices.find(device);
  return it == m_Devices.end() ? nullptr : it->second.proc;
}

int CDiscoAgent::DAGetNeRecordPhase(CTolRecord* device) const {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  auto it = m_Devices.find(device);
  return it == m_Devices.end() ? 0 : it->second.phase;
}

CTolEngine* CDiscoAgent::GetEngine() const {
  std::lock_guard<std::mutex> lock(m_DevicesMutex);
  return m_Engine;
}
