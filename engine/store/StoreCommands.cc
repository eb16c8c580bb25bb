#include "engine/store/StoreCommands.h"

#include <cstdlib>
#include <memory>

#include "engine/base/OptionWords.h"
#include "engine/store/JobQueue.h"
#include "engine/store/Store.h"
#include "engine/store/StoreJson.h"
#include "engine/store/StoreText.h"

namespace disco {
namespace store {

namespace {

const char kCommonHelp[] =
    "Options:\n"
    "  --db TARGET  the inventory store: a file (or sqlite:FILE), or a PostgreSQL URI\n"
    "               (postgresql://...); default $XDG_DATA_HOME/extreme-disco/inventory.db,\n"
    "               else ~/.local/share/extreme-disco/inventory.db\n"
    "  --json       print a JSON document (times in ISO 8601, UTC)\n"
    "  -h, --help   print this help\n"
    "Exit status: 0 answered, 1 nothing found (find), 2 bad usage, 3 the store cannot be\n"
    "opened or read.\n";

struct Command {
  const char* name;
  const char* usage;
  const char* about;
};
const Command kCommands[] = {
    {"find", "extreme-disco find QUERY [--db TARGET] [--json]",
     "Where a thing is now and where it was before, most recent first. QUERY is a MAC address\n"
     "(00:11:22:33:44:55, 00-11-22-33-44-55, 0011.2233.4455 or 001122334455, any case), an IPv4\n"
     "address, a switch's name or sysName (with its links), SWITCH:PORT (the hosts seen on the\n"
     "port, e.g. core-1:1:8) or a system name heard through LLDP.\n"},
    {"changes", "extreme-disco changes [--from RUN] [--to RUN] [--db TARGET] [--json]",
     "What changed between two runs (default: the last two): hosts new, gone and moved, links\n"
     "added and removed, ports whose status or spanning-tree state changed, devices that\n"
     "stopped answering. RUN is a run id as `runs` lists it.\n"},
    {"runs", "extreme-disco runs [--db TARGET] [--json]",
     "The runs in the store: id, start, end, devices that answered/asked, version, scope. On a\n"
     "PostgreSQL store, then the runs of the pollers' queue (not with --json): id, state, devices\n"
     "done/left/failed, and the run it became in the store once complete.\n"},
    {"ports", "extreme-disco ports --idle DAYS [SWITCH] [--db TARGET] [--json]",
     "Ports of the latest run (of SWITCH, or of all switches) that lead to no other switch and\n"
     "on which no host was seen for DAYS days before that run, with their status and the last\n"
     "host seen there.\n"},
};

const Command* Lookup(const std::string& name) {
  for (const Command& c : kCommands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

bool ParseCount(const std::string& text, long long* value) {
  if (text.empty() || text.size() > 12) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *value = std::atoll(text.c_str());
  return true;
}

struct Arguments {
  std::string db, idle, from, to;
  bool json = false, help = false, hasIdle = false;
  std::vector<std::string> words;
};

// Reads the options; false with `*error` for an unknown option or a missing value.
bool ParseArguments(const std::vector<std::string>& args, Arguments* a, std::string* error) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string name, value;
    bool hasValue = false;
    if (!ReadOptionWord(args, &i, {"--db", "--from", "--to", "--idle"}, &name, &value, &hasValue,
                        error)) {
      return false;
    }
    if (hasValue) {
      std::string* target = name == "--db"     ? &a->db
                            : name == "--from" ? &a->from
                            : name == "--to"   ? &a->to
                                               : &a->idle;
      *target = value;
      if (name == "--idle") a->hasIdle = true;
    } else if (arg == "--json") {
      a->json = true;
    } else if (arg == "-h" || arg == "--help") {
      a->help = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else {
      a->words.push_back(arg);
    }
  }
  return true;
}

}  // namespace

bool IsStoreCommand(const std::string& word) { return Lookup(word) != nullptr; }

int RunStoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Command* command = args.empty() ? nullptr : Lookup(args[0]);
  if (command == nullptr) {
    err << "extreme-disco: not a store command\n";
    return kCommandUsage;
  }
  Arguments a;
  std::string error;
  auto usage = [&](const std::string& why) {
    err << "extreme-disco " << command->name << ": " << why << "\nusage: " << command->usage
        << "\n";
    return kCommandUsage;
  };
  if (!ParseArguments(args, &a, &error)) return usage(error);
  if (a.help) {
    out << "usage: " << command->usage << "\n\n" << command->about << "\n" << kCommonHelp;
    return kCommandOk;
  }
  const std::string name = command->name;
  long long from = 0, to = 0, days = 0;
  size_t words = name == "find" ? 1 : name == "ports" ? 1 : 0;
  if (a.words.size() > words) return usage("unexpected argument '" + a.words[words] + "'");
  if (name == "find" && a.words.empty()) return usage("give one thing to find");
  if (name == "ports" && !a.hasIdle) return usage("--idle DAYS is needed");
  if ((!a.from.empty() && (!ParseCount(a.from, &from) || from == 0)) ||
      (!a.to.empty() && (!ParseCount(a.to, &to) || to == 0))) {
    return usage("a run is a run id (a positive number, as `runs` lists it)");
  }
  if (a.hasIdle && (!ParseCount(a.idle, &days) || days > 100000)) {
    return usage("--idle takes a number of days");
  }
  if ((!a.from.empty() || !a.to.empty()) && name != "changes") {
    return usage("--from and --to are options of `changes`");
  }
  if (a.hasIdle && name != "ports") return usage("--idle is an option of `ports`");

  StoreOptions options;
  options.create = false;
  std::unique_ptr<Store> store =
      OpenStore(a.db.empty() ? DefaultStoreTarget() : a.db, options, &error);
  if (!store) {
    err << "extreme-disco " << name << ": " << error << "\n";
    return kCommandStoreError;
  }
  bool ok = false, found = true;
  if (name == "find") {
    FindResult result;
    ok = store->Find(a.words[0], &result, &error);
    found = !result.matches.empty();
    if (ok && a.json) out << FindJson(result).dump(2) << "\n";
    if (ok && !a.json) PrintFind(result, out);
  } else if (name == "changes") {
    ChangesResult result;
    ok = store->Changes(from, to, &result, &error);
    if (ok && a.json) out << ChangesJson(result).dump(2) << "\n";
    if (ok && !a.json) PrintChanges(result, out);
  } else if (name == "runs") {
    std::vector<RunRow> runs;
    std::vector<QueueRunRow> queued;
    const std::string target = a.db.empty() ? DefaultStoreTarget() : a.db;
    ok = store->Runs(&runs, &error) &&
         (!IsPostgresTarget(target) || ReadQueueRuns(target, &queued, &error));
    if (ok && a.json) out << RunsJson(runs).dump(2) << "\n";
    if (ok && !a.json) PrintRuns(runs, out);
    if (ok && !a.json) PrintQueueRuns(queued, out);
  } else {
    std::vector<IdlePort> ports;
    std::string device = a.words.empty() ? "" : a.words[0];
    ok = store->IdlePorts(static_cast<int>(days), device, &ports, &error);
    if (ok && a.json) out << IdlePortsJson(ports, static_cast<int>(days)).dump(2) << "\n";
    if (ok && !a.json) PrintIdlePorts(ports, static_cast<int>(days), out);
  }
  if (!ok) {
    err << "extreme-disco " << name << ": " << error << "\n";
    return kCommandStoreError;
  }
  return found ? kCommandOk : kCommandNothingFound;
}

}  // namespace store
}  // namespace disco
