#include "support/SampleNetworkSims.h"

#include "support/EngineProcess.h"

bool SampleNetworkSims::Start(std::string* error) {
  for (const char* name : kSwitches) {
    auto sim = std::make_unique<Snmpsim>();
    if (!sim->AddRecordingFile("public", SampleRecording(name))) {
      *error = "cannot read " + SampleRecording(name);
      return false;
    }
    if (!sim->Start(error)) return false;
    m_Sims[name] = std::move(sim);
  }
  return true;
}

std::string SampleNetworkSims::ScopeText(const std::string& extraDevices,
                                         const std::string& defaults) const {
  std::string text = "defaults: {version: 2c, community: public, timeout: 2, retries: 1" +
                     defaults + "}\ndevices:\n";
  std::string ping = "ping:\n";
  for (const char* name : kSwitches) {
    const Snmpsim& sim = Sim(name);
    text += "  - {name: " + std::string(name) + ", address: " + sim.Address() +
            ", port: " + std::to_string(sim.Port()) + "}\n";
    ping += "  - " + sim.Address() + "\n";
  }
  return text + extraDevices + ping;
}
