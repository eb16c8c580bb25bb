// Shared libraries the engine's plug-in loader must refuse, built from this one file:
//   BAD_PLUGIN_NO_FACTORY      a library that is no agent plug-in (no DAInstantiate)
//   BAD_PLUGIN_NO_BUILD        a plug-in without its build-number version constant
//   BAD_PLUGIN_MAJOR=N         a complete plug-in of agent major version N
#include "host/DiscoPluginAbi.h"

#ifdef BAD_PLUGIN_NO_FACTORY
extern "C" DISCO_EXPORT int BadPluginAnswer() { return 42; }
#else
extern "C" CDiscoAgent* DAInstantiate() { return nullptr; }

namespace NSAgentVersion {
#ifdef BAD_PLUGIN_MAJOR
const int g_AgentMajorVersion = BAD_PLUGIN_MAJOR;
#else
const int g_AgentMajorVersion = 3;
#endif
const int g_AgentMinorVersion = 7;
const int g_AgentRevision = 0;
#ifndef BAD_PLUGIN_NO_BUILD
const int g_AgentBuild = 1;
#endif
}  // namespace NSAgentVersion
#endif
