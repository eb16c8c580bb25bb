#include "engine/queue/QueueCommands.h"

#include <cstdlib>
#include <memory>

#include "engine/base/OptionWords.h"
#include "engine/cli/Secrets.h"
#include "engine/queue/Poller.h"
#include "engine/queue/RunEnd.h"
#include "engine/queue/RunTemplate.h"
#include "engine/report/TopologyDot.h"
#include "engine/run/DiscoveryPlan.h"
#include "engine/store/JobQueue.h"

namespace disco {

namespace {

constexpr int kOk = 0, kUsage = 2, kCannot = 3;

const char kEnqueueHelp[] =
    "usage: extreme-disco enqueue --db postgresql://... --scope FILE [--name NAME] [OPTIONS]\n"
    "\n"
    "Starts a run shared by pollers: one job per device of the scope (its name, address, port\n"
    "and SNMP settings, never a community or a passphrase) and the run's settings (ping scope,\n"
    "static ARP entries, --fdb, --ping-timeout, --ping-rate, --no-ping, --device-timeout;\n"
    "--replay DIR for recordings). Prints the run's id. Needs a PostgreSQL store.\n";

const char kPollHelp[] =
    "usage: extreme-disco poll --db postgresql://... [-j N] [--scope FILE] [--site NAME]\n"
    "                          [--once] [--plugin PATH] [-q] [-d LEVEL] [--sleep-scale F]\n"
    "\n"
    "Takes jobs of enqueued runs (N at a time, default 4), discovers each device with the agent\n"
    "and writes its results to the store; the poller that sees a run's last job done infers\n"
    "its topology and completes it. Secrets come from the devices of --scope FILE (by name),\n"
    "else from EXTREME_DISCO_COMMUNITY, EXTREME_DISCO_AUTH_PASSPHRASE and\n"
    "EXTREME_DISCO_PRIV_PASSPHRASE. --site takes only the jobs of that site, and its ping\n"
    "sweeps cover only the ping entries of that site and those of no site. Without --once it\n"
    "waits for new runs; with it, it ends when no job is left for it. SIGINT or SIGTERM: it\n"
    "takes no further job and gives back those it has not finished.\n";

const char kExportHelp[] =
    "usage: extreme-disco export --db postgresql://... --run ID [-o FILE]\n"
    "\n"
    "Writes the results file of a complete run of the queue (default results.json; - for\n"
    "standard output), as a run of one process writes it.\n";

bool ParseNumber(const std::string& text, double low, double high, double* value) {
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && *value >= low && *value <= high;
}

int Enqueue(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto usage = [&](const std::string& why) {
    err << "extreme-disco enqueue: " << why << "\n" << kEnqueueHelp;
    return kUsage;
  };
  std::vector<std::string> rest;
  std::string name, error;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-h" || args[i] == "--help") {
      out << kEnqueueHelp;
      return kOk;
    }
    std::string option, value;
    bool hasValue = false;
    if (!ReadOptionWord(args, &i, {"--name"}, &option, &value, &hasValue, &error)) {
      return usage(error);
    }
    if (hasValue) {
      name = value;
    } else {
      rest.push_back(args[i]);
    }
  }
  EngineOptions options;
  if (ParseCommandLine(rest, &options, &error) != ParseOutcome::kRun) {
    return usage(error.empty() ? "unexpected option" : error);
  }
  if (!options.dbTarget || !store::IsPostgresTarget(*options.dbTarget)) {
    return usage("a run for pollers lives in a PostgreSQL store: give --db postgresql://...");
  }
  ScopeDocument scope;
  DiscoveryPlan plan;
  if (!options.scopeFile.empty() && (!LoadScopeFile(options.scopeFile, &scope, &error) ||
                                     !CheckScopeFileSecrecy(options.scopeFile, scope, &error))) {
    err << "extreme-disco enqueue: " << error << "\n";
    return kUsage;
  }
  if (!BuildDiscoveryPlan(options, options.scopeFile.empty() ? nullptr : &scope, &plan, &error)) {
    err << "extreme-disco enqueue: " << error << "\n";
    return kUsage;
  }
  std::vector<store::QueuedDevice> devices;
  for (const DeviceEntry& e : plan.devices) {
    devices.push_back({e.name, e.address, e.site, e.port, DeviceEntryJson(e).dump()});
  }
  RunSettings settings = SettingsOfRun(options, plan);
  if (name.empty()) name = settings.scope;
  std::unique_ptr<store::JobQueue> queue =
      store::JobQueue::Open(*options.dbTarget, "", 60, 3, &error);
  std::int64_t run =
      queue ? queue->Enqueue(name, RunSettingsJson(settings).dump(), devices, &error) : 0;
  if (run == 0) {
    err << "extreme-disco enqueue: " << error << "\n";
    return kCannot;
  }
  out << run << "\n";
  return kOk;
}

int Poll(const std::vector<std::string>& args, const std::string& version, std::ostream& out,
         std::ostream& err) {
  auto usage = [&](const std::string& why) {
    err << "extreme-disco poll: " << why << "\n" << kPollHelp;
    return kUsage;
  };
  PollOptions options;
  options.version = version;
  EngineOptions& engine = options.engine;
  std::string error, db, threads, debug, scale, lease, attempts;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      out << kPollHelp;
      return kOk;
    }
    if (arg == "--once") {
      options.once = true;
      continue;
    }
    if (arg == "-q") {
      engine.quiet = true;
      continue;
    }
    std::string option, value;
    bool hasValue = false;
    // --lease and --max-attempts are not in the help: tests shorten the lease and the attempts.
    if (!ReadOptionWord(args, &i,
                        {"--db", "-j", "--scope", "--site", "--plugin", "-d", "--sleep-scale",
                         "--lease", "--max-attempts"},
                        &option, &value, &hasValue, &error)) {
      return usage(error);
    }
    if (!hasValue) return usage("unknown argument '" + arg + "'");
    std::string* target = option == "--db"            ? &db
                          : option == "-j"            ? &threads
                          : option == "--scope"       ? &engine.scopeFile
                          : option == "--site"        ? &options.site
                          : option == "--plugin"      ? &engine.pluginPath
                          : option == "-d"            ? &debug
                          : option == "--sleep-scale" ? &scale
                          : option == "--lease"       ? &lease
                                                      : &attempts;
    *target = value;
  }
  double n = 0;
  if (!threads.empty()) {
    if (!ParseNumber(threads, 1, 256, &n) || n != static_cast<int>(n)) {
      return usage("-j takes a number of jobs from 1 to 256");
    }
    engine.threads = static_cast<int>(n);
  }
  if (!debug.empty()) {
    if (!ParseNumber(debug, 0, 4, &n) || n != static_cast<int>(n)) {
      return usage("-d takes a level from 0 to 4");
    }
    engine.debugLevel = static_cast<int>(n);
  }
  if (!scale.empty()) {
    if (!ParseNumber(scale, 0, 1, &n)) return usage("--sleep-scale takes a factor from 0 to 1");
    engine.sleepScale = n;
  }
  if (!lease.empty() && !ParseNumber(lease, 0.3, 86400, &options.leaseSeconds)) {
    return usage("--lease takes seconds from 0.3 to 86400");
  }
  if (!attempts.empty()) {
    if (!ParseNumber(attempts, 1, 100, &n) || n != static_cast<int>(n)) {
      return usage("--max-attempts takes a count from 1 to 100");
    }
    options.maxAttempts = static_cast<int>(n);
  }
  if (!store::IsPostgresTarget(db)) {
    return usage("pollers share a PostgreSQL store: give --db postgresql://...");
  }
  engine.dbTarget = db;
  if (!SecretsFromEnvironment(&engine.environmentSecrets, &error)) return usage(error);
  return RunPoller(options, err);
}

int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto usage = [&](const std::string& why) {
    err << "extreme-disco export: " << why << "\n" << kExportHelp;
    return kUsage;
  };
  std::string db, runText, path = "results.json", error;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-h" || args[i] == "--help") {
      out << kExportHelp;
      return kOk;
    }
    std::string option, value;
    bool hasValue = false;
    if (!ReadOptionWord(args, &i, {"--db", "--run", "-o"}, &option, &value, &hasValue, &error)) {
      return usage(error);
    }
    if (!hasValue) return usage("unknown argument '" + args[i] + "'");
    *(option == "--db" ? &db : option == "--run" ? &runText : &path) = value;
  }
  double run = 0;
  if (!ParseNumber(runText, 1, 1e15, &run) ||
      run != static_cast<double>(static_cast<long long>(run))) {
    return usage("--run takes a run id of the queue (as `runs` lists it)");
  }
  if (!store::IsPostgresTarget(db)) return usage("give the queue's store: --db postgresql://...");
  std::unique_ptr<store::JobQueue> queue = store::JobQueue::Open(db, "", 60, 3, &error);
  if (!queue || !ExportRun(*queue, static_cast<std::int64_t>(run), path, out, &error)) {
    err << "extreme-disco export: " << error << "\n";
    return kCannot;
  }
  return kOk;
}

}  // namespace

bool IsQueueCommand(const std::string& word) {
  return word == "enqueue" || word == "poll" || word == "export";
}

int RunQueueCommand(const std::vector<std::string>& args, const std::string& version,
                    std::ostream& out, std::ostream& err) {
  if (args.empty() || !IsQueueCommand(args[0])) {
    err << "extreme-disco: not a queue command\n";
    return kUsage;
  }
  if (args[0] == "enqueue") return Enqueue(args, out, err);
  if (args[0] == "poll") return Poll(args, version, out, err);
  return Export(args, out, err);
}

}  // namespace disco
