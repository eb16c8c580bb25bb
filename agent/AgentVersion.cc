// The plug-in's entry points: the factory the engine looks up by name and the version constants.
#include "agent/AgentVersion.h"

#include <new>

#include "agent/CDiscoExtremeSwitchAgent.h"

namespace NSAgentVersion {
const int g_AgentMajorVersion = 3;
const int g_AgentMinorVersion = 7;
const int g_AgentRevision = 0;
const int g_AgentBuild = 38;
}  // namespace NSAgentVersion

extern "C" CDiscoAgent* DAInstantiate() { return new (std::nothrow) CDiscoExtremeSwitchAgent(); }
