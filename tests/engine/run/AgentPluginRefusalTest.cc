// The plug-in loader refuses, with a message naming the file and what is wrong, a file that is
// no shared library, a library that is no agent plug-in, a plug-in without a version constant
// and a plug-in of another major version.
#include <gtest/gtest.h>

#include <string>

#include "engine/run/AgentPlugin.h"
#include "support/EngineProcess.h"

namespace {

void ExpectRefused(const std::string& path, const std::string& message) {
  std::string error;
  EXPECT_EQ(disco::AgentPlugin::Load(path, &error), nullptr) << path;
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find(message), std::string::npos) << error;
}

TEST(AgentPluginRefusalTest, EachUnusableFileIsRefusedWithItsReason) {
  TempDir dir;
  ExpectRefused(dir.Write("notes.so", "not an ELF file\n"), "cannot load the agent plug-in");
  ExpectRefused(BAD_PLUGIN_DIR "/libbad_plugin_no_factory.so",
                "is not a discovery agent plug-in: it exports no DAInstantiate");
  ExpectRefused(BAD_PLUGIN_DIR "/libbad_plugin_no_build.so",
                "exports no agent version constant _ZN14NSAgentVersion12g_AgentBuildE");
  ExpectRefused(BAD_PLUGIN_DIR "/libbad_plugin_major_2.so",
                "is agent version 2.7.0.1; this engine drives version 3 agents");
  // The same file at the real version loads: the refusal above is the version's doing.
  std::string error;
  EXPECT_NE(disco::AgentPlugin::Load(BAD_PLUGIN_DIR "/libbad_plugin_major_3.so", &error), nullptr)
      << error;
}

}  // namespace
