// The binary interface between the engine and an agent plug-in: what a plug-in exports and the
// names under which the engine finds it with dlsym. A plug-in defines DAInstantiate and the four
// NSAgentVersion constants; everything else it builds is hidden (-fvisibility=hidden) except the
// agent classes it marks with DISCO_EXPORT.
#pragma once

class CDiscoAgent;

// Marks a declaration the plug-in exports: its factory, its version constants, its agent classes.
#define DISCO_EXPORT __attribute__((visibility("default")))

// The plug-in's version, "major.minor.revision.build"; an engine drives the plug-ins whose major
// version it knows.
namespace NSAgentVersion {
DISCO_EXPORT extern const int g_AgentMajorVersion;
DISCO_EXPORT extern const int g_AgentMinorVersion;
DISCO_EXPORT extern const int g_AgentRevision;
DISCO_EXPORT extern const int g_AgentBuild;
}  // namespace NSAgentVersion

// Makes a new agent owned by the caller, who destroys it through its virtual destructor (before
// unloading the plug-in); null when it cannot be allocated. Exported under its plain name.
extern "C" DISCO_EXPORT CDiscoAgent* DAInstantiate();

// Type of DAInstantiate, for engines that look it up with dlsym.
typedef CDiscoAgent* (*DAInstantiateFn)();

// The names to pass to dlsym: the factory's plain C name and the version constants as the C++
// compiler (Itanium ABI) mangles NSAgentVersion::g_Agent....
namespace NSDiscoPluginAbi {
constexpr const char* kInstantiateSymbol = "DAInstantiate";
constexpr const char* kMajorVersionSymbol = "_ZN14NSAgentVersion19g_AgentMajorVersionE";
constexpr const char* kMinorVersionSymbol = "_ZN14NSAgentVersion19g_AgentMinorVersionE";
constexpr const char* kRevisionSymbol = "_ZN14NSAgentVersion15g_AgentRevisionE";
constexpr const char* kBuildSymbol = "_ZN14NSAgentVersion12g_AgentBuildE";
}  // namespace NSDiscoPluginAbi
