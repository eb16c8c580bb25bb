// The plug-in's entry points (host/DiscoPluginAbi.h): the factory the engine looks up by name and
// the version constants, 3.7.0.38.
#include <new>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "host/DiscoPluginAbi.h"

namespace NSAgentVersion {
const int g_AgentMajorVersion = 3;
const int g_AgentMinorVersion = 7;
const int g_AgentRevision = 0;
const int g_AgentBuild = 38;
}  // namespace NSAgentVersion

extern "C" CDiscoAgent* DAInstantiate() { return new (std::nothrow) CDiscoExtremeSwitchAgent(); }
