// The engine's agent base. Virtual slots 6 to 21 of an agent are declared here, in slot order,
// after CTolApplication's 0 to 5. The agent holds its SNMP requester and, through a registry the
// engine fills, gives access to each device's mediation data, processed data and phase.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "host/CDiscoStdRequester.h"
#include "host/CTolApplication.h"
#include "host/TolTypes.h"

class CTolRecord;
class CTolAtom;
class CTolDoubleList;
class CTolEngine;
class CDiscoMediationData;
class CDiscoProcessedData;
class CDiscoScopeRule;
class CTolIOWorkPacket;

class CDiscoAgent : public CTolApplication {
 public:
  CDiscoAgent();
  ~CDiscoAgent() override;

  int RAInitEngine() override;                           // slot 0
  int RAStartEngine() override;                          // slot 1
  int RAProcessCmdLine(int argc, char** argv) override;  // slot 3
  int RAInitApp(int argc, char** argv) override;         // slot 4; calls RASetSCName, RASetSCDesc

 protected:
  virtual CDiscoScopeRule* CreateScope(const std::string& name, const CTolAtom& value) const;  // 6
  virtual __boolean DADoMediationFilter(CTolRecord* device);  // 7; true

 public:
  virtual void DADoMediationLayer(CTolRecord* device);  // 8; nothing
  virtual void DADoProcessLayer(CTolRecord* device);    // 9; nothing

 protected:
  virtual void DADoRelationshipLayer(CTolRecord* device);  // 10
  virtual void DAAlternativeRelationshipLayer(CTolRecord* device, int count,
                                              const char** names);                    // 11
  virtual void DAAlternativeRelationshipLayer(CTolRecord* device, const char* name);  // 12
  virtual __boolean DACheckDeviceOSVersion(CTolRecord* device, const char* version);  // 13
  virtual CTolDoubleList* DAParsePartialMatchR(const char* text);                     // 14; null
  virtual void RASetSCName();                                                         // 15
  virtual void RASetSCDesc();                                                         // 16

 public:
  virtual void DAProcessNewNe(CTolRecord* device);              // 17
  virtual void DADoStartUpProcessing();                         // 18
  virtual int DAAddExtraIOHandler();                            // 19; 1
  virtual int DAProcessIO(CTolIOWorkPacket* packet);            // 20; 1
  virtual void HandleConfigOptions(const CTolRecord& options);  // 21

  // --- Engine side: what the engine calls to drive an agent (the host's public interface). ---
  // The engine calls these through the agent's public interface.
  __boolean DAFilter(CTolRecord* device) { return DADoMediationFilter(device); }
  void DANameAndDescribe() {
    RASetSCName();
    RASetSCDesc();
  }

  // Ties `device` to its stores (borrowed; they must outlive the binding) and phase 0. Returns 1,
  // or TOL_ERR_NULL for a null device. Thread-safe.
  int DABindDevice(CTolRecord* device, CDiscoMediationData* med, CDiscoProcessedData* proc);
  int DASetNeRecordPhase(CTolRecord* device, int phase);  // 1, or TOL_ERR_FAILED if unbound
  void DAUnbindDevice(CTolRecord* device);
  // Sets the engine handle used for the message bus (borrowed; must outlive the agent's use).
  void DASetEngine(CTolEngine* engine);

  // --- Agent side. All thread-safe. ---
  // The device's stores (borrowed), or null when the device is not bound or has none.
  CDiscoMediationData* DAGetMediationData(CTolRecord* device) const;
  CDiscoProcessedData* DAGetProcessedData(CTolRecord* device) const;
  // The device's phase, or 0 when unbound.
  int DAGetNeRecordPhase(CTolRecord* device) const;
  // The engine handle for the message bus (borrowed), or null before DASetEngine.
  CTolEngine* GetEngine() const;
  // The agent's SNMP requester (owned by the agent; never null).
  CDiscoStdRequester* DAGetRequester() { return &m_Requester; }

 private:
  struct DeviceBinding {
    CDiscoMediationData* med;
    CDiscoProcessedData* proc;
    int phase;
  };
  mutable std::mutex m_DevicesMutex;
  std::map<const CTolRecord*, DeviceBinding> m_Devices;
  CTolEngine* m_Engine = nullptr;
  CDiscoStdRequester m_Requester;
};
