// Where extreme-disco finds its agent plug-in when no --plugin is given.
#pragma once

#include <string>

namespace disco {

// The plug-in for the program at `programPath`: the build tree's plug-in when the program is the
// one of the build tree (its folder is the build tree's program folder), else the plug-in
// installed with it, `<folder of the program>/../lib/extreme-disco/libextremeswitchagent.so`
// (the relative part follows the install layout the build was configured with).
std::string PluginPathFor(const std::string& programPath);

// PluginPathFor the running program (/proc/self/exe); the build tree's plug-in when the
// program's path cannot be read.
std::string DefaultPluginPath();

}  // namespace disco
