// A discovery agent plug-in loaded into the engine's process: its factory and version.
#pragma once

#include <memory>
#include <string>

#include "host/DiscoPluginAbi.h"

class CDiscoAgent;

namespace disco {

class AgentPlugin {
 public:
  // Loads the shared library at `path` and looks up DAInstantiate and the four version
  // constants of NSAgentVersion. Returns null with `*error` set when the library cannot be
  // loaded, lacks one of them, or has a major version this engine does not drive.
  static std::unique_ptr<AgentPlugin> Load(const std::string& path, std::string* error);

  AgentPlugin(const AgentPlugin&) = delete;
  AgentPlugin& operator=(const AgentPlugin&) = delete;
  // Unloads the library. Every agent it made must have been destroyed before.
  ~AgentPlugin();

  // A new agent, owned by the caller (destroyed through its virtual destructor, before this
  // plug-in); null when the factory gives none.
  std::unique_ptr<CDiscoAgent> Instantiate() const;

  // "major.minor.revision.build", for example "3.7.0.38".
  std::string Version() const;
  int Major() const { return m_Major; }
  const std::string& Path() const { return m_Path; }

 private:
  AgentPlugin() = default;

  void* m_Handle = nullptr;
  DAInstantiateFn m_Factory = nullptr;
  int m_Major = 0, m_Minor = 0, m_Revision = 0, m_Build = 0;
  std::string m_Path;
};

// The major version of the agent interface this engine drives.
constexpr int kSupportedAgentMajor = 3;

}  // namespace disco
