// The plug-in's exported entry points: the factory and the version constants.
#pragma once

#include "switchagent/DiscoExport.h"

class CDiscoAgent;

namespace NSAgentVersion {
DISCO_EXPORT extern const int g_AgentMajorVersion;  // 3
DISCO_EXPORT extern const int g_AgentMinorVersion;  // 7
DISCO_EXPORT extern const int g_AgentRevision;      // 0
DISCO_EXPORT extern const int g_AgentBuild;         // 38
}  // namespace NSAgentVersion

// Makes a new agent (a CDiscoExtremeSwitchAgent) owned by the caller, who destroys it through its
// virtual destructor; null when it cannot be allocated. Exported under its plain name.
extern "C" DISCO_EXPORT CDiscoAgent* DAInstantiate();

// Type of DAInstantiate, for engines that look it up with dlsym.
typedef CDiscoAgent* (*DAInstantiateFn)();
