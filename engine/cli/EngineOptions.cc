#include "engine/cli/EngineOptions.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "engine/base/Ipv4Address.h"

namespace disco {

namespace {

// Short options that take a value, and the SNMP setting each one sets.
const std::map<char, const char*>& SnmpShortOptions() {
  static const std::map<char, const char*> options = {
      {'v', "version"},       {'c', "community"},       {'u', "user"},
      {'l', "level"},         {'a', "auth_protocol"},   {'A', "auth_passphrase"},
      {'x', "priv_protocol"}, {'X', "priv_passphrase"}, {'n', "context"},
      {'t', "timeout"},       {'r', "retries"}};
  return options;
}

bool ParseInt(const std::string& text, long min, long max, long* value) {
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < min || v > max) return false;
  *value = v;
  return true;
}

// Applies one option that names a file or folder. Returns false with `*error` set.
bool ApplyPathOption(const std::string& name, const std::string& value, EngineOptions* o,
                     std::string* error) {
  if (name == "o" || name == "output") {
    if (value.empty()) {
      *error = "option -o needs a file name";
      return false;
    }
    o->outputPath = value;
  } else if (name == "dot" || name == "svg") {
    if (value.empty() || value == "-") {
      *error = "option --" + name + " needs a file name";
      return false;
    }
    (name == "dot" ? o->dotPath : o->svgPath) = value;
  } else if (value.empty()) {
    *error = "option --" + name + " needs a " + (name == "replay" ? "folder" : "file") +
             " (it was given an empty one)";
    return false;
  } else if (name == "scope") {
    o->scopeFile = value;
  } else if (name == "replay") {
    o->replayDir = value;
  } else {
    o->pluginPath = value;
  }
  return true;
}

// Applies one option that takes a number or a --fdb mode. Returns false with `*error` set.
bool ApplyNumberOption(const std::string& name, const std::string& value, EngineOptions* o,
                       std::string* error) {
  long n = 0;
  if (name == "j" || name == "threads") {
    if (!ParseInt(value, 1, 256, &n)) {
      *error = "engine threads '" + value + "' must be a number from 1 to 256";
      return false;
    }
    o->threads = static_cast<int>(n);
  } else if (name == "d" || name == "debug") {
    if (!ParseInt(value, 0, 4, &n)) {
      *error = "trace level '" + value + "' must be a number from 0 to 4";
      return false;
    }
    o->debugLevel = static_cast<int>(n);
  } else if (name == "device-timeout") {
    char* end = nullptr;
    double s = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(s) || s < 0 || s > 7 * 24 * 3600) {
      *error = "device time-out '" + value + "' must be seconds from 0 (no limit) to 604800";
      return false;
    }
    o->deviceTimeoutSeconds = s;
  } else if (name == "ping-timeout") {
    if (!ParseInt(value, 1, 60000, &n)) {
      *error = "ping time-out '" + value + "' must be milliseconds from 1 to 60000";
      return false;
    }
    o->pingTimeoutMs = static_cast<int>(n);
  } else if (name == "ping-rate") {
    if (!ParseInt(value, 1, 100000, &n)) {
      *error = "ping rate '" + value + "' must be echo requests per second from 1 to 100000";
      return false;
    }
    o->pingRate = static_cast<int>(n);
  } else if (name == "keep-runs" || name == "keep-days") {
    if (!ParseInt(value, 1, 1000000, &n)) {
      *error = "--" + name + " '" + value + "' must be a number from 1 to 1000000";
      return false;
    }
    (name == "keep-runs" ? o->keepRuns : o->keepDays) = static_cast<int>(n);
  } else if (name == "fdb") {
    static const std::map<std::string, FdbMode> kModes = {
        {"auto", FdbMode::kAuto}, {"always", FdbMode::kAlways}, {"never", FdbMode::kNever}};
    auto mode = kModes.find(value);
    if (mode == kModes.end()) {
      *error = "--fdb '" + value + "' must be always, auto or never";
      return false;
    }
    o->fdb = mode->second;
  } else {
    char* end = nullptr;
    double f = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(f) || f < 0 || f > 1000) {
      *error = "sleep scale '" + value + "' must be a number from 0 to 1000";
      return false;
    }
    o->sleepScale = f;
  }
  return true;
}

// Applies one option that has its value: a long value option or a short one of -o, -j, -d and the
// SNMP settings. Returns false with `*error` set.
bool ApplyValueOption(const std::string& name, const std::string& value, EngineOptions* o,
                      std::string* error) {
  static const std::set<std::string> kPaths = {"o",      "output", "scope", "replay",
                                               "plugin", "dot",    "svg"};
  static const std::set<std::string> kNumbers = {
      "j",         "threads", "d",           "debug",     "device-timeout", "ping-timeout",
      "ping-rate", "fdb",     "sleep-scale", "keep-runs", "keep-days"};
  if (kPaths.count(name)) return ApplyPathOption(name, value, o, error);
  if (kNumbers.count(name)) return ApplyNumberOption(name, value, o, error);
  auto it = SnmpShortOptions().find(name.size() == 1 ? name[0] : '\0');
  if (it == SnmpShortOptions().end()) {
    *error = "unknown option '" + name + "'";
    return false;
  }
  SnmpSetting setting(it->second, value);
  CDiscoSnmpCredentials probe;
  if (!ApplySnmpSetting(setting, &probe, error)) {
    *error = "option -" + name + ": " + *error;
    return false;
  }
  o->snmp.push_back(setting);
  return true;
}

bool IsLongValueOption(const std::string& name) {
  return name == "output" || name == "threads" || name == "debug" || name == "scope" ||
         name == "replay" || name == "plugin" || name == "ping-timeout" || name == "ping-rate" ||
         name == "sleep-scale" || name == "fdb" || name == "device-timeout" || name == "dot" ||
         name == "svg" || name == "keep-runs" || name == "keep-days";
}

// Applies the long option `args[*i]` ("--name" or "--name=value"), taking its value from the next
// argument when it has none attached (advancing `*i`). Returns kRun to go on, kHelp or kVersion to
// stop there, and kError with `*error` set.
ParseOutcome ParseLongOption(const std::vector<std::string>& args, size_t* i, EngineOptions* o,
                             std::string* error) {
  std::string name = args[*i].substr(2);
  std::string value;
  bool hasValue = false;
  size_t eq = name.find('=');
  if (eq != std::string::npos) {
    value = name.substr(eq + 1);
    name = name.substr(0, eq);
    hasValue = true;
  }
  if (name == "help") return ParseOutcome::kHelp;
  if (name == "version") return ParseOutcome::kVersion;
  if (name == "no-ping" || name == "allow-large-scope" || name == "quiet") {
    if (hasValue) {
      *error = "option --" + name + " takes no value";
      return ParseOutcome::kError;
    }
    if (name == "no-ping") o->noPing = true;
    if (name == "allow-large-scope") o->allowLargeScope = true;
    if (name == "quiet") o->quiet = true;
    return ParseOutcome::kRun;
  }
  if (name == "db") {
    // The value is optional: the next argument is taken unless it is an option or a device's
    // address ("--db 10.1.1.1" is the default store and the device 10.1.1.1).
    auto address = [](const std::string& text) {
      return LooksNumeric(text.substr(0, text.find(':')));
    };
    if (!hasValue && *i + 1 < args.size() && !args[*i + 1].empty() && args[*i + 1][0] != '-' &&
        !address(args[*i + 1])) {
      value = args[++*i];
      hasValue = true;
    }
    if (hasValue && value.empty()) {
      *error = "--db needs a store: a file, sqlite:PATH or postgresql://...";
      return ParseOutcome::kError;
    }
    if (hasValue && address(value)) {
      *error = "--db=" + value +
               ": that is an address, not a store; a PostgreSQL server is named by its URI "
               "(postgresql://HOST/DATABASE), a file by its path (./" +
               value + ")";
      return ParseOutcome::kError;
    }
    o->dbTarget = value;
    return ParseOutcome::kRun;
  }
  if (!IsLongValueOption(name)) {
    *error = "unknown option '--" + name + "'";
    return ParseOutcome::kError;
  }
  if (!hasValue) {
    if (*i + 1 >= args.size()) {
      *error = "option --" + name + " needs a value";
      return ParseOutcome::kError;
    }
    value = args[++*i];
  }
  return ApplyValueOption(name, value, o, error) ? ParseOutcome::kRun : ParseOutcome::kError;
}

// Applies net-snmp's -C, whose letters start at `args[*i][k]` or in the next argument; only
// -Cr N (GETBULK max-repetitions) is taken. Returns kRun, or kError with `*error` set.
ParseOutcome ParseMaxRepetitions(const std::vector<std::string>& args, size_t* i, size_t k,
                                 EngineOptions* o, std::string* error) {
  const std::string& arg = args[*i];
  std::string letters = k < arg.size() ? arg.substr(k) : std::string();
  if (letters.empty() && *i + 1 < args.size()) letters = args[++*i];
  if (letters.empty()) {
    *error = "option -C needs a value (-Cr N: GETBULK max-repetitions)";
    return ParseOutcome::kError;
  }
  if (letters[0] != 'r') {
    *error = std::string("option -C") + letters[0] +
             " is not supported: only -Cr N (GETBULK max-repetitions)";
    return ParseOutcome::kError;
  }
  std::string value = letters.substr(1);
  if (value.empty()) {
    if (*i + 1 >= args.size()) {
      *error = "option -Cr needs a value";
      return ParseOutcome::kError;
    }
    value = args[++*i];
  }
  SnmpSetting setting("max_repetitions", value);
  CDiscoSnmpCredentials probe;
  if (!ApplySnmpSetting(setting, &probe, error)) {
    *error = "option -Cr: " + *error;
    return ParseOutcome::kError;
  }
  o->snmp.push_back(setting);
  return ParseOutcome::kRun;
}

// Applies the short options of `args[*i]`: grouped flags ("-qh") or one option with an attached
// value ("-v2c") or its value in the next argument (advancing `*i`). Returns kRun to go on, kHelp
// to stop there, and kError with `*error` set.
ParseOutcome ParseShortOptions(const std::vector<std::string>& args, size_t* i, EngineOptions* o,
                               std::string* error) {
  const std::string& arg = args[*i];
  for (size_t k = 1; k < arg.size(); ++k) {
    char c = arg[k];
    if (c == 'h') return ParseOutcome::kHelp;
    if (c == 'q') {
      o->quiet = true;
      continue;
    }
    if (c == 'C') return ParseMaxRepetitions(args, i, k + 1, o, error);
    bool takesValue = c == 'o' || c == 'j' || c == 'd' || SnmpShortOptions().count(c) > 0;
    if (!takesValue) {
      *error = std::string("unknown option '-") + c + "'";
      return ParseOutcome::kError;
    }
    std::string value;
    if (k + 1 < arg.size()) {
      value = arg.substr(k + 1);
    } else if (*i + 1 < args.size()) {
      value = args[++*i];
    } else {
      *error = std::string("option -") + c + " needs a value";
      return ParseOutcome::kError;
    }
    return ApplyValueOption(std::string(1, c), value, o, error) ? ParseOutcome::kRun
                                                                : ParseOutcome::kError;
  }
  return ParseOutcome::kRun;
}

// Checks what holds only for the options together. Returns false with `*error` set.
bool CheckCombination(const EngineOptions& o, std::string* error) {
  if (o.hosts.empty() && o.scopeFile.empty()) {
    *error = "no devices: give HOST[:PORT] operands or --scope FILE (see --help)";
    return false;
  }
  if ((o.keepRuns > 0 || o.keepDays > 0) && !o.dbTarget) {
    *error = "--keep-runs and --keep-days prune the inventory store: give --db too";
    return false;
  }
  if (o.outputPath == "-" && o.debugLevel > 0) {
    *error =
        "-o - writes the results to standard output, where the agent's traces go with -d; "
        "write the results to a file instead";
    return false;
  }
  return true;
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, EngineOptions* o,
                              std::string* error) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      if (arg.empty()) {
        *error = "empty device address";
        return ParseOutcome::kError;
      }
      if (arg == "-") {
        *error = "'-' is not a device address";
        return ParseOutcome::kError;
      }
      o->hosts.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    ParseOutcome step =
        arg[1] == '-' ? ParseLongOption(args, &i, o, error) : ParseShortOptions(args, &i, o, error);
    if (step != ParseOutcome::kRun) return step;
  }
  return CheckCombination(*o, error) ? ParseOutcome::kRun : ParseOutcome::kError;
}

namespace {

// The help text's usage line, what the program does and the devices' options.
const char kHelpDevices[] = R"(Usage: extreme-disco [OPTIONS] HOST[:PORT]...
  or:  extreme-disco [OPTIONS] --scope FILE [HOST[:PORT]...]
  or:  extreme-disco find|changes|runs|ports [--db TARGET] [--json] ...
  or:  extreme-disco serve [--db TARGET | --results FILE] [--listen ADDR:PORT] [--token FILE]
  or:  extreme-disco enqueue --db postgresql://... --scope FILE [--name NAME]
  or:  extreme-disco poll --db postgresql://... [-j N] [--scope FILE] [--site NAME] [--once]
  or:  extreme-disco export --db postgresql://... --run ID [-o FILE]

Discovers Extreme Networks switches over SNMP with the ExtremeSwitch discovery agent plug-in:
each switch's interfaces (card:port, description, status, spanning-tree state, VLANs) and what
is behind each port (MAC addresses from the forwarding database with their IP addresses from
ARP data, and EDP neighbour switches with their card and port). The engine adds each switch's
LLDP neighbours and, where the agent finds no forwarding entry, the VLAN-aware forwarding
database (EXOS or Q-BRIDGE-MIB tables), then the network's topology: every link between
switches with both ends, every host on its edge port. Writes the results as JSON and prints a
summary; with --db, keeps the run in the inventory store, which "extreme-disco find", "changes",
"runs" and "ports" ask (each has its own --help) and that "extreme-disco serve" shows in a web
browser. Several machines share a run through a PostgreSQL store: "enqueue" makes it one job
per device, each "poll" discovers the jobs it takes, and "export" writes the run's results file
(each has its own --help; doc/pollers.md).

Devices:
  HOST[:PORT]            a switch to discover (IPv4 address or host name; UDP port, default
                         161; net-snmp's "udp:" prefix is accepted)
  --scope FILE           a YAML scope file: devices with their own credentials, the addresses
                         to ping, static ARP entries (an example: examples/sample-network.yaml
                         in the sources, /usr/share/doc/extreme-disco/examples/scope.yaml
                         when installed)
  --replay DIR           answer SNMP from recordings instead of the network: DIR/NAME.snmprec
                         or DIR/ADDRESS.snmprec for each device (snmpsim's .snmprec format);
                         a line that cannot be read is left out and named in the results

)";

// The help text's SNMP options; the default max-repetitions is put in between its two halves.
const char kHelpSnmp[] =
    R"(SNMP access:
  net-snmp's options, for every device: they override a scope file's defaults, and a scope
  file's device overrides them with its own settings. Secrets given here show in the process
  list: give them instead in the environment (EXTREME_DISCO_COMMUNITY,
  EXTREME_DISCO_AUTH_PASSPHRASE, EXTREME_DISCO_PRIV_PASSPHRASE; under a scope file's defaults)
  or in a scope file only its owner may read (chmod 600; one readable by others is refused)
  -v 1|2c|3              SNMP version (default 2c)
  -c COMMUNITY           community for v1 and v2c (default public)
  -u USER                v3 security name
  -l LEVEL               v3 security level: noAuthNoPriv, authNoPriv or authPriv
  -a PROTOCOL            v3 authentication: MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512
  -A PASSPHRASE          v3 authentication passphrase
  -x PROTOCOL            v3 privacy: DES, AES, AES-192, AES-256
  -X PASSPHRASE          v3 privacy passphrase
  -n CONTEXT             v3 context name (default: the default context)
  -t SECONDS             time-out per request (default 1)
  -r RETRIES             retries after a time-out (default 1). A device is given up after
                         3 time-outs in a row: its remaining requests are not sent
  -Cr N                  GETBULK max-repetitions: rows asked for in one request, 1 to 1000
                         (default )";
const char kHelpSnmpEnd[] = R"(; also -CrN). No effect with -v 1, which walks
                         with GETNEXT, one row per request

)";

// The help text's discovery, output and testing options and the exit statuses.
const char kHelpRest[] = R"(Discovery:
  -j, --threads N        engine threads: devices discovered at once (default 4)
  --ping-timeout MS      how long to wait for each echo reply (default 1000)
  --ping-rate N          echo requests sent per second at most (default 200)
  --no-ping              ping nothing: the agent is told that no address is in scope
  --allow-large-scope    allow more than 4096 addresses to ping (up to 65536)
  --fdb always|auto|never
                         when the engine reads the VLAN-aware forwarding database itself
                         (extremeFdbMacExosFdbTable, else the older extremeFdbMacFdbTable,
                         else Q-BRIDGE-MIB dot1qTpFdbTable) after the agent and merges it with
                         the agent's entries (hosts get their VLAN; hosts only it holds are
                         placed): auto (default) for every device whose download_fdb is not
                         off; always, even then; never. LLDP neighbours (LLDP-MIB) and the
                         port VLANs of a standard bridge (Q-BRIDGE-MIB dot1qPvid and VLAN
                         members) are read from every device
  --device-timeout SECONDS
                         the longest one device may spend in the agent's steps (default
                         3600; 0: no limit); a device still busy then is reported as "timed
                         out" and the others go on
  --plugin PATH          the agent plug-in to load (default: the one installed with this
                         program, ../lib/extreme-disco/ beside its folder; from a build
                         folder, the one built there)

Output:
  -o, --output FILE      results file (default results.json; "-" for standard output). Outputs
                         must be regular files (or standard output), each its own; a new one
                         gets 0666 less the umask, a replaced one keeps its permissions
  --dot FILE             the network's topology (switches, links with both ends' card:port,
                         blocked links dashed, hosts per edge port) as Graphviz DOT
  --svg FILE             the same picture as SVG, rendered by Graphviz's dot program
                         (Debian package graphviz)
  -d, --debug N          agent trace level 0..4 (default 0). Traces go to standard output;
                         with -d above 0 the summary goes to standard error instead
  -q, --quiet            no progress messages on standard error
  -h, --help             this text
  --version              the program's version

Inventory:
  --db [TARGET]          keep the run in the inventory store: an SQLite file (PATH or
                         sqlite:PATH, created on first use) or a PostgreSQL database
                         (postgresql://...); alone, $XDG_DATA_HOME/extreme-disco/inventory.db
                         (else ~/.local/share/extreme-disco/inventory.db). A stopped run is
                         not kept
  --keep-runs N          then keep only the store's newest N runs
  --keep-days D          then keep only the runs of the D days before this one

Stopping:
  Ctrl-C (or SIGTERM) stops the run at any step: the devices through are written to the
  results, the others are reported as "interrupted"; no topology or picture is made after it (a
  running dot is killed) and the run is not kept in the inventory. A second Ctrl-C quits at
  once. No temporary file is left either way.

Testing:
  --sleep-scale FACTOR   multiplies every pause of the agent (default 1, or the environment's
                         TOL_SLEEP_SCALE). The agent pings the in-scope addresses again every
                         120 s while any device is still in its forwarding-database download;
                         the pause ends at once when the last device is through. Tests pass
                         0.001 to make the pause 0.12 s.

Exit status:
  0  every device was discovered
  1  the run finished, but some device did not answer, was rejected by the agent's filter or
     was discovered incompletely (the results and the summary say which and why)
  2  bad command line or input file, or an output that is no regular file or names the same
     file as another; nothing was discovered
  3  the discovery could not run (plug-in not loadable, --svg without Graphviz's dot, the
     inventory store not usable) or its results, summary, pictures (--dot, --svg) or the
     inventory store could not be written
  130, 143  stopped by SIGINT (Ctrl-C) or SIGTERM; the results hold the devices through
)";

}  // namespace

std::string HelpText() {
  return kHelpDevices + std::string(kHelpSnmp) +
         std::to_string(CDiscoSnmpCredentials().maxRepetitions) + kHelpSnmpEnd + kHelpRest;
}

}  // namespace disco
