#include "engine/cli/PluginLocation.h"

#include <filesystem>
#include <system_error>

namespace disco {

std::string PluginPathFor(const std::string& programPath) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(programPath).parent_path();
  std::error_code ec;
  if (fs::equivalent(folder, DISCO_BUILD_PROGRAM_DIR, ec)) return DISCO_BUILD_PLUGIN;
  return (folder / DISCO_INSTALLED_PLUGIN_FROM_BINDIR).lexically_normal().string();
}

std::string DefaultPluginPath() {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return DISCO_BUILD_PLUGIN;
  return PluginPathFor(program.string());
}

}  // namespace disco
