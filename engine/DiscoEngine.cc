#include "engine/DiscoEngine.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/AgentPlugin.h"
#include "engine/Discovery.h"
#include "engine/DiscoveryPlan.h"
#include "engine/EngineOptions.h"
#include "engine/ResultsJson.h"
#include "engine/ScopeFile.h"
#include "engine/Summary.h"
#include "host/TolDebug.h"
#include "host/TolSleep.h"

namespace disco {

namespace {

int Fail(std::ostream& err, int status, const std::string& message) {
  err << "extreme-disco: " << message << std::endl;
  return status;
}

// Checks before the run that the results can be written where asked.
bool CheckOutputPath(const std::string& path, std::string* error) {
  if (path == "-") return true;
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    *error = "results file " + path + " is a directory";
    return false;
  }
  fs::path dir = fs::path(path).parent_path();
  if (dir.empty()) dir = ".";
  if (!fs::is_directory(dir, ec)) {
    *error = "cannot write results to " + path + ": no folder " + dir.string();
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *error = "cannot write results to " + path + ": folder " + dir.string() + " is not writable";
    return false;
  }
  return true;
}

// Writes the results whole or not at all: to a temporary file renamed over the target.
bool WriteResults(const Json& results, const std::string& path, std::ostream& out,
                  std::string* error) {
  // Texts from devices are not always UTF-8: replace what is not, rather than fail.
  std::string text = results.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (path == "-") {
    out << text << std::flush;
    if (!out) *error = "cannot write results to standard output";
    return static_cast<bool>(out);
  }
  std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
      std::remove(temporary.c_str());
      *error = "cannot write results to " + path;
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    *error = "cannot write results to " + path;
    return false;
  }
  return true;
}

std::string PluginPath(const EngineOptions& options) {
  return options.pluginPath.empty() ? DISCO_DEFAULT_PLUGIN : options.pluginPath;
}

}  // namespace

int RunEngine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  EngineOptions options;
  std::string error;
  switch (ParseCommandLine(args, &options, &error)) {
    case ParseOutcome::kHelp:
      out << HelpText();
      return kExitAllDiscovered;
    case ParseOutcome::kVersion:
      out << "extreme-disco " << kEngineVersion << " (drives version " << kSupportedAgentMajor
          << " discovery agents; default plug-in " << DISCO_DEFAULT_PLUGIN << ")\n";
      return kExitAllDiscovered;
    case ParseOutcome::kError:
      return Fail(err, kExitBadInput, error);
    case ParseOutcome::kRun:
      break;
  }

  ScopeDocument scope;
  if (!options.scopeFile.empty() && !LoadScopeFile(options.scopeFile, &scope, &error)) {
    return Fail(err, kExitBadInput, error);
  }
  DiscoveryPlan plan;
  if (!BuildDiscoveryPlan(options, options.scopeFile.empty() ? nullptr : &scope, &plan, &error)) {
    return Fail(err, kExitBadInput, error);
  }
  if (!CheckOutputPath(options.outputPath, &error)) return Fail(err, kExitBadInput, error);

  std::unique_ptr<AgentPlugin> plugin = AgentPlugin::Load(PluginPath(options), &error);
  if (!plugin) return Fail(err, kExitCannotRun, error);

  __Tolvane_Debug_Level = options.debugLevel;
  if (options.sleepScale) TolSetSleepScale(*options.sleepScale);

  Progress progress(options.quiet ? nullptr : &err);
  DiscoverySettings settings;
  settings.threads = options.threads;
  settings.ping.timeoutMs = options.pingTimeoutMs;
  settings.ping.ratePerSecond = options.pingRate;
  settings.pingEnabled = !options.noPing;
  Discovery discovery(*plugin, plan, settings, progress);
  switch (discovery.Run(&error)) {
    case RunOutcome::kDone:
      break;
    case RunOutcome::kBadInput:
      return Fail(err, kExitBadInput, error);
    case RunOutcome::kCannotRun:
      return Fail(err, kExitCannotRun, error);
  }

  const DiscoveryReport& report = discovery.Report();
  Json results = RenderResults(report);
  bool written = WriteResults(results, options.outputPath, out, &error);
  bool summaryOnErr = options.debugLevel > 0 || options.outputPath == "-";
  WriteSummary(results, written ? options.outputPath : "nowhere (see the error below)",
               summaryOnErr ? err : out);
  if (!report.sweeps.empty() || report.queries > 0) {
    char pause[32];
    std::snprintf(pause, sizeof pause, "%.1f", 120 * TolGetSleepScale());
    progress.Line(std::string("waiting for the agent's ping cycle to end (up to ") + pause +
                  " s; see --sleep-scale)");
  }
  discovery.Finish();
  if (!written) return Fail(err, kExitCannotRun, error);
  return report.AllDiscovered() ? kExitAllDiscovered : kExitSomeFailed;
}

}  // namespace disco
