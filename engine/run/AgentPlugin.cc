#include "engine/run/AgentPlugin.h"

#include <dlfcn.h>

#include "host/CDiscoAgent.h"

namespace disco {

std::unique_ptr<AgentPlugin> AgentPlugin::Load(const std::string& path, std::string* error) {
  std::unique_ptr<AgentPlugin> plugin(new AgentPlugin());
  plugin->m_Path = path;
  plugin->m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin->m_Handle == nullptr) {
    const char* why = dlerror();
    *error = "cannot load the agent plug-in " + path + ": " + (why ? why : "unknown reason");
    return nullptr;
  }
  dlerror();
  plugin->m_Factory = reinterpret_cast<DAInstantiateFn>(
      dlsym(plugin->m_Handle, NSDiscoPluginAbi::kInstantiateSymbol));
  if (plugin->m_Factory == nullptr) {
    *error = path + " is not a discovery agent plug-in: it exports no DAInstantiate";
    return nullptr;
  }
  struct {
    const char* symbol;
    int* value;
  } constants[] = {{NSDiscoPluginAbi::kMajorVersionSymbol, &plugin->m_Major},
                   {NSDiscoPluginAbi::kMinorVersionSymbol, &plugin->m_Minor},
                   {NSDiscoPluginAbi::kRevisionSymbol, &plugin->m_Revision},
                   {NSDiscoPluginAbi::kBuildSymbol, &plugin->m_Build}};
  for (auto& c : constants) {
    const int* value = static_cast<const int*>(dlsym(plugin->m_Handle, c.symbol));
    if (value == nullptr) {
      *error = path + " exports no agent version constant " + c.symbol;
      return nullptr;
    }
    *c.value = *value;
  }
  if (plugin->m_Major != kSupportedAgentMajor) {
    *error = path + " is agent version " + plugin->Version() + "; this engine drives version " +
             std::to_string(kSupportedAgentMajor) + " agents";
    return nullptr;
  }
  return plugin;
}

AgentPlugin::~AgentPlugin() {
  if (m_Handle != nullptr) dlclose(m_Handle);
}

std::unique_ptr<CDiscoAgent> AgentPlugin::Instantiate() const {
  return std::unique_ptr<CDiscoAgent>(m_Factory());
}

std::string AgentPlugin::Version() const {
  return std::to_string(m_Major) + "." + std::to_string(m_Minor) + "." +
         std::to_string(m_Revision) + "." + std::to_string(m_Build);
}

}  // namespace disco
