// The engine's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/cli/SnmpSettings.h"
#include "engine/collect/VlanFdbCollector.h"

namespace disco {

// How long one device may spend in the agent's steps by default: far beyond the largest switch
// over a slow link, short enough that a device stuck for good never holds a run for a day.
constexpr double kDefaultDeviceTimeoutSeconds = 3600;

struct EngineOptions {
  SnmpSettings snmp;                        // -v -c -u -l -a -A -x -X -n -t -r -Cr, in order
  std::vector<std::string> hosts;           // HOST[:PORT] operands
  std::string scopeFile;                    // --scope
  std::string replayDir;                    // --replay
  std::string outputPath = "results.json";  // -o; "-" is standard output
  std::string pluginPath;                   // --plugin; the built plug-in when empty
  int threads = 4;                          // -j
  int debugLevel = 0;                       // -d
  int pingTimeoutMs = 1000;                 // --ping-timeout
  int pingRate = 200;                       // --ping-rate, echo requests per second
  bool noPing = false;                      // --no-ping
  bool allowLargeScope = false;             // --allow-large-scope
  std::optional<double> sleepScale;  // --sleep-scale; unset keeps the host's (TOL_SLEEP_SCALE)
  bool quiet = false;                // -q
  FdbMode fdb = FdbMode::kAuto;      // --fdb always|auto|never
  // The run's safety limits.
  double deviceTimeoutSeconds = kDefaultDeviceTimeoutSeconds;  // --device-timeout; 0: none
  SnmpSettings environmentSecrets;  // from EXTREME_DISCO_* (Secrets.h): under every other layer
  std::string dotPath;              // --dot: the topology as Graphviz DOT
  std::string svgPath;              // --svg: the topology rendered by Graphviz's dot
  // The inventory store the run is kept in: --db TARGET, or --db alone for the default store
  // ("" then); unset without --db.
  std::optional<std::string> dbTarget;
  int keepRuns = 0;  // --keep-runs: after the run, the store keeps its newest N runs; 0: all
  int keepDays = 0;  // --keep-days: ... and the runs of the last D days; 0: all
};

enum class ParseOutcome { kRun, kHelp, kVersion, kError };

// Parses the arguments after the program name. Short options take their value attached
// ("-v2c") or as the next argument, long ones as "--name=value" or the next argument; "--" ends
// the options. kError comes with `*error` set; kHelp and kVersion ask for that text instead of a
// run.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, EngineOptions* options,
                              std::string* error);

// The --help text.
std::string HelpText();

// Ping addresses allowed without --allow-large-scope, and with it.
constexpr size_t kMaxPingAddresses = 4096;
constexpr size_t kMaxPingAddressesLarge = 65536;

}  // namespace disco
