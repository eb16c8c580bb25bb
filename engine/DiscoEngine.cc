#include "engine/DiscoEngine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "engine/cli/EngineOptions.h"
#include "engine/cli/PluginLocation.h"
#include "engine/cli/ScopeFile.h"
#include "engine/cli/Secrets.h"
#include "engine/inventory/InventoryCollector.h"
#include "engine/map/TopologyCollector.h"
#include "engine/map/TopologyView.h"
#include "engine/report/Graphviz.h"
#include "engine/report/OutputTargets.h"
#include "engine/report/ResultsJson.h"
#include "engine/report/SafeFile.h"
#include "engine/report/Summary.h"
#include "engine/report/TopologyDot.h"
#include "engine/report/TopologyJson.h"
#include "engine/report/TopologySummary.h"
#include "engine/run/AgentPlugin.h"
#include "engine/run/Discovery.h"
#include "engine/run/DiscoveryPlan.h"
#include "engine/run/Interrupt.h"
#include "engine/run/StoppableCall.h"
#include "engine/store/Store.h"
#include "host/TolDebug.h"
#include "host/TolSleep.h"

namespace disco {

namespace {

int Fail(std::ostream& err, int status, const std::string& message) {
  err << "extreme-disco: " << message << std::endl;
  return status;
}

// How the outputs of a run end.
struct OutputsEnd {
  int status = 0;
  bool inferenceLeft = false;  // a stop left the inference running on its own thread
};

bool StopRequested() { return StopSignal() != 0; }

// Writes the --dot and --svg pictures of the topology; a stop request skips what is not
// written yet and kills a running dot. False with `*error` set.
bool WritePictures(const EngineOptions& options, const TopologyView& view, std::string* error) {
  if (options.dotPath.empty() && options.svgPath.empty()) return true;
  if (StopRequested()) return true;
  std::string dot = TopologyDot(view);
  if (!options.dotPath.empty() && !WriteTextFile(options.dotPath, dot, error)) return false;
  if (options.svgPath.empty() || StopRequested()) return true;
  return RenderSvg(dot, options.svgPath, StopRequested, error) != RenderOutcome::kFailed;
}

// Whether an output goes to standard output, so that the summary goes to standard error.
bool AnyOnStandardOutput(const EngineOptions& options) {
  for (const std::string* path : {&options.outputPath, &options.dotPath, &options.svgPath}) {
    if (!path->empty() && NamesStandardOutput(*path)) return true;
  }
  return false;
}

std::string PluginPath(const EngineOptions& options) {
  return options.pluginPath.empty() ? DefaultPluginPath() : options.pluginPath;
}

// Reads the environment's secrets and the scope file, builds the plan and checks before the run
// that every output can be written. Returns false with `*status` and `*error` set.
bool PrepareRun(EngineOptions* options, DiscoveryPlan* plan, int* status, std::string* error) {
  *status = kExitBadInput;
  if (!SecretsFromEnvironment(&options->environmentSecrets, error)) return false;
  ScopeDocument scope;
  if (!options->scopeFile.empty() && (!LoadScopeFile(options->scopeFile, &scope, error) ||
                                      !CheckScopeFileSecrecy(options->scopeFile, scope, error))) {
    return false;
  }
  if (!BuildDiscoveryPlan(*options, options->scopeFile.empty() ? nullptr : &scope, plan, error)) {
    return false;
  }
  std::vector<OutputTarget> targets = {{"results", "-o", options->outputPath}};
  if (!options->dotPath.empty()) targets.push_back({"DOT", "--dot", options->dotPath});
  if (!options->svgPath.empty()) targets.push_back({"SVG", "--svg", options->svgPath});
  if (!CheckOutputTargets(targets, error)) return false;
  if (options->debugLevel > 0 && AnyOnStandardOutput(*options)) {
    *error =
        "the agent's traces go to standard output with -d; write the results and pictures "
        "to files instead";
    return false;
  }
  if (!options->svgPath.empty() && !GraphvizAvailable()) {
    *status = kExitCannotRun;
    *error = "--svg needs Graphviz's dot program on the PATH (Debian package graphviz)";
    return false;
  }
  return true;
}

DiscoverySettings SettingsOf(const EngineOptions& options) {
  DiscoverySettings settings;
  settings.threads = options.threads;
  settings.ping.timeoutMs = options.pingTimeoutMs;
  settings.ping.ratePerSecond = options.pingRate;
  settings.pingEnabled = !options.noPing;
  settings.fdb = options.fdb;
  settings.deviceTimeoutSeconds = options.deviceTimeoutSeconds;
  settings.stopRequested = StopRequested;
  return settings;
}

// The inventory store a run is kept in (--db), opened before the run.
struct Keeping {
  std::string target;
  std::unique_ptr<store::Store> store;
  InventoryCollector* input = nullptr;
  store::RunFacts facts;
};

// Opens the store --db names, before anything is sent. False with `*error` set.
bool OpenInventory(const EngineOptions& options, Keeping* keeping, std::string* error) {
  if (!options.dbTarget) return true;
  keeping->target = options.dbTarget->empty() ? store::DefaultStoreTarget() : *options.dbTarget;
  keeping->store = store::OpenStore(keeping->target, store::StoreOptions(), error);
  return keeping->store != nullptr;
}

// Keeps the finished run in the inventory store, then prunes it as --keep-runs/--keep-days say.
// A stopped run is not kept: its unfinished devices would read as lost. False with `*error`.
// `topology` is null when a stop request came before it was inferred.
bool KeepRun(const EngineOptions& options, const DiscoveryReport& report,
             const TopologyView* topology, Keeping& keeping, std::ostream& err,
             std::string* error) {
  if (!keeping.store) return true;
  auto say = [&](const std::string& line) {
    if (!options.quiet) err << "extreme-disco: " << line << std::endl;
  };
  if (report.stopped || StopRequested() || topology == nullptr) {
    say("the run was stopped: not kept in the inventory " + keeping.target);
    return true;
  }
  keeping.facts.ended = static_cast<std::int64_t>(std::time(nullptr));
  store::RunSnapshot snapshot = keeping.input->TakeSnapshot(*topology, keeping.facts);
  for (const store::DeviceFact& d : snapshot.devices) keeping.facts.devicesFound += d.answered;
  snapshot.run.devicesFound = keeping.facts.devicesFound;
  std::vector<std::string> skipped;
  std::string why;
  std::int64_t run = keeping.store->WriteRun(snapshot, &skipped, &why);
  if (run == 0) {
    *error = "cannot keep the run in the inventory " + keeping.target + ": " + why;
    return false;
  }
  say("run " + std::to_string(run) + " kept in the inventory " + keeping.target + " (" +
      std::to_string(snapshot.hosts.size()) + " hosts, " + std::to_string(snapshot.links.size()) +
      " links)");
  if (!skipped.empty()) {
    say(std::to_string(skipped.size()) +
        " fact(s) left out of the inventory, first: " + skipped.front());
  }
  if (options.keepRuns == 0 && options.keepDays == 0) return true;
  store::PruneResult pruned;
  if (!keeping.store->Prune({options.keepRuns, options.keepDays}, &pruned, &why)) {
    *error = "cannot prune the inventory " + keeping.target + ": " + why;
    return false;
  }
  if (pruned.runsRemoved > 0) {
    say(std::to_string(pruned.runsRemoved) + " older run(s) removed from the inventory");
  }
  return true;
}

// Infers the topology of the devices through, unless a stop request came first or comes
// while it runs: the results then go without it. Null then, with `*left` set when the inference
// goes on alone on its thread (it reads `input`, which must then live until the process ends).
std::shared_ptr<TopologyView> InferUnlessStopped(TopologyCollector& input, bool* left) {
  if (StopRequested()) return nullptr;
  auto view = std::make_shared<TopologyView>();
  *left =
      !CallUnlessStopped([view, &input]() { *view = TopologyView::Build(input); }, StopRequested);
  return *left ? nullptr : view;
}

// Writes the results with their topology, the pictures and the summary of a finished run, and
// keeps it in the inventory store when asked. The status is the run's own, 128 + the signal after a
// stop request (whenever it came), or kExitCannotRun after saying what could not be written. Once a
// stop is requested, the topology and the pictures are left out and a running dot is killed.
OutputsEnd WriteOutputs(const EngineOptions& options, const DiscoveryReport& report,
                        ResultsWriter& writer, TopologyCollector& topologyInput, Keeping& keeping,
                        std::ostream& out, std::ostream& err) {
  OutputsEnd end;
  std::string error;
  std::shared_ptr<TopologyView> topology = InferUnlessStopped(topologyInput, &end.inferenceLeft);
  if (topology) {
    writer.SetTopology(
        [topology](const TextWriter& write) { return WriteTopology(*topology, 1, write); },
        TopologySummaryText(*topology));
  }
  bool written = WriteResults(report, writer, options.outputPath, out, &error);
  out.flush();  // before a picture written to standard output
  std::string pictureError;
  bool pictured = !topology || WritePictures(options, *topology, &pictureError);
  bool summaryOnErr = options.debugLevel > 0 || AnyOnStandardOutput(options);
  std::ostream& summary = summaryOnErr ? err : out;
  errno = 0;
  writer.WriteSummary(report, written ? options.outputPath : "nowhere (see the error below)",
                      summary);
  bool summaryWritten = static_cast<bool>(summary.flush());
  std::string summaryError = std::string("cannot write the summary: ") +
                             (errno != 0 ? std::strerror(errno) : "write failed");
  end.status = report.AllDiscovered() ? kExitAllDiscovered : kExitSomeFailed;
  if (StopRequested()) end.status = 128 + StopSignal();
  if (!written) end.status = Fail(err, kExitCannotRun, error);
  if (!summaryWritten) end.status = Fail(err, kExitCannotRun, summaryError);
  if (!pictured) end.status = Fail(err, kExitCannotRun, pictureError);
  std::string keepError;
  if (!KeepRun(options, report, topology.get(), keeping, err, &keepError)) {
    end.status = Fail(err, kExitCannotRun, keepError);
  }
  return end;
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
          << " discovery agents; default plug-in " << DefaultPluginPath() << ")\n";
      return kExitAllDiscovered;
    case ParseOutcome::kError:
      return Fail(err, kExitBadInput, error);
    case ParseOutcome::kRun:
      break;
  }

  DiscoveryPlan plan;
  int status = kExitBadInput;
  if (!PrepareRun(&options, &plan, &status, &error)) return Fail(err, status, error);
  Keeping keeping;
  keeping.facts.started = static_cast<std::int64_t>(std::time(nullptr));
  keeping.facts.scope = options.scopeFile.empty() ? "command line" : options.scopeFile;
  keeping.facts.version = kEngineVersion;
  keeping.facts.devicesAsked = static_cast<int>(plan.devices.size());
  if (!OpenInventory(options, &keeping, &error)) return Fail(err, kExitCannotRun, error);

  std::unique_ptr<AgentPlugin> plugin = AgentPlugin::Load(PluginPath(options), &error);
  if (!plugin) return Fail(err, kExitCannotRun, error);

  __Tolvane_Debug_Level = options.debugLevel;
  if (options.sleepScale) TolSetSleepScale(*options.sleepScale);

  Progress progress(options.quiet ? nullptr : &err);
  InterruptGuard interrupts;  // Ctrl-C from here on stops the run but keeps what is through
  DiscoverySettings settings = SettingsOf(options);
  ResultsWriter writer(plan.devices.size());
  if (!writer.Open(&error)) return Fail(err, kExitCannotRun, error);
  TopologyCollector topologyInput(plan.devices.size());
  InventoryCollector inventoryInput(keeping.store ? plan.devices.size() : 0);
  keeping.input = &inventoryInput;
  Discovery discovery(*plugin, plan, settings, progress);
  discovery.OnDeviceDone([&](size_t order, const DeviceRun& d) {
    writer.AddDevice(order, d);
    topologyInput.AddDevice(order, d);
    if (keeping.store) inventoryInput.AddDevice(order, d);
  });
  switch (discovery.Run(&error)) {
    case RunOutcome::kDone:
      break;
    case RunOutcome::kBadInput:
      return Fail(err, kExitBadInput, error);
    case RunOutcome::kCannotRun:
      return Fail(err, kExitCannotRun, error);
  }

  const DiscoveryReport& report = discovery.Report();
  OutputsEnd end = WriteOutputs(options, report, writer, topologyInput, keeping, out, err);
  status = end.status;
  if (report.stuck > 0 || end.inferenceLeft) {
    // Threads are still inside the agent, which can be neither destroyed nor unloaded under
    // them, or inside the inference, which reads the devices' extracts: the process ends here,
    // its output flushed, the results already whole on disk.
    progress.Line(report.stuck > 0 ? std::to_string(report.stuck) +
                                         " engine thread(s) still inside abandoned devices; "
                                         "ending the process"
                                   : "stopped while the topology was inferred; ending the process");
    out.flush();
    err.flush();
    std::fflush(nullptr);
    std::_Exit(status);
  }
  discovery.Finish();
  return status;
}

}  // namespace disco
