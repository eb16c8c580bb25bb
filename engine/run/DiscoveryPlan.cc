#include "engine/run/DiscoveryPlan.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "engine/base/Ipv4Address.h"

namespace disco {

namespace {

bool IsReadableFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// Finds the recording of a device in the replay folder.
bool FindRecording(const std::string& dir, const DeviceEntry& d, std::string* path,
                   std::string* error) {
  std::vector<std::string> candidates = {dir + "/" + d.name + ".snmprec",
                                         dir + "/" + d.address + ".snmprec"};
  for (const std::string& c : candidates) {
    if (IsReadableFile(c)) {
      *path = c;
      return true;
    }
  }
  *error = "no recording for device " + d.name + " in " + dir + " (looked for " + candidates[0] +
           (d.name == d.address ? "" : " and " + candidates[1]) + ")";
  return false;
}

struct DeviceInput {
  std::string where;    // "command line" or "scope line N", for messages
  std::string address;  // as written
  std::string name;
  int port = -1;
  const SnmpSettings* own = nullptr;
  std::optional<bool> downloadFdb;
  std::string addressSpace;
  std::string recording;
  std::string site;
  bool fromScope = false;  // its messages show no value
};

// `error` with the value `text` (quoted in it) named by what it is instead: the scope file's
// messages never show a value, which may be a secret on a malformed line.
std::string Withheld(const std::string& error, const std::string& text, const std::string& what) {
  std::string out = error;
  std::string quoted = "'" + text + "'";
  for (std::size_t at = out.find(quoted); at != std::string::npos; at = out.find(quoted, at)) {
    out.replace(at, quoted.size(), what);
    at += what.size();
  }
  return out;
}

bool BuildDevice(const DeviceInput& in, const EngineOptions& options, const ScopeDocument* scope,
                 DeviceEntry* d, std::string* error) {
  std::string host;
  int port = -1;
  if (!SplitHostPort(in.address, &host, &port, error) || !ResolveIpv4(host, &d->address, error)) {
    if (in.fromScope) {
      *error = Withheld(Withheld(*error, in.address, "the address"), host, "the address");
    }
    *error = in.where + ": " + *error;
    return false;
  }
  if (port != -1 && in.port != -1 && port != in.port) {
    *error = in.where + ": device " + (in.fromScope ? std::string("address") : in.address) +
             " has two ports (" + std::to_string(port) + " and " + std::to_string(in.port) + ")";
    return false;
  }
  if (port == -1) port = in.port;
  if (port == -1 && scope != nullptr) port = scope->defaultPort;
  d->port = port == -1 ? 161 : port;
  d->name = in.name.empty() ? host : in.name;
  d->downloadFdb = in.downloadFdb;
  d->addressSpace = in.addressSpace;
  d->site = in.site;

  CDiscoSnmpCredentials c;
  bool ok = ApplySnmpSettings(options.environmentSecrets, &c, error) &&
            (scope == nullptr || ApplySnmpSettings(scope->defaults, &c, error)) &&
            ApplySnmpSettings(options.snmp, &c, error) &&
            (in.own == nullptr || ApplySnmpSettings(*in.own, &c, error));
  if (!ok) {
    *error = in.where + ": " + *error;
    return false;
  }
  d->credentials = c;

  if (!in.recording.empty()) {
    if (!IsReadableFile(in.recording)) {
      *error = in.where + ": 'recording' is not a readable file";
      return false;
    }
    d->recording = in.recording;
  } else if (!options.replayDir.empty()) {
    if (!FindRecording(options.replayDir, *d, &d->recording, error)) return false;
  } else if (!CDiscoNetSnmpBackend::Validate(c, error)) {
    *error = in.where + ": SNMP settings of device " + d->name + ": " + *error;
    return false;
  }
  return true;
}

// What tells two devices on one address and port apart: the credentials, which reach another
// view of the switch (the community "public@10" is the bridge of VLAN 10 on many switches). The
// transport settings (time-out, retries, repetitions) do not. Never shown: it holds secrets.
std::string Identity(const DeviceEntry& d) {
  const CDiscoSnmpCredentials& c = d.credentials;
  std::string key =
      d.Endpoint() + '\0' + std::to_string(c.version) + '\0' + std::to_string(c.level);
  for (const std::string* part : {&c.community, &c.user, &c.authProtocol, &c.authPassphrase,
                                  &c.privProtocol, &c.privPassphrase, &c.contextName}) {
    key += '\0';
    key += *part;
  }
  return key;
}

bool BuildPingList(const EngineOptions& options, const ScopeDocument* scope, DiscoveryPlan* plan,
                   std::string* error) {
  if (options.noPing) return true;
  size_t limit = options.allowLargeScope ? kMaxPingAddressesLarge : kMaxPingAddresses;
  std::set<std::string> seen, everySite;
  // The limit counts distinct addresses: entries that overlap (a block and an address in it)
  // count each address once. An address any entry gives to every site stays with every site.
  auto add = [&](const std::string& a, const std::string& site) {
    if (seen.insert(a).second) plan->pingAddresses.push_back(a);
    if (site.empty()) {
      if (everySite.insert(a).second) plan->pingSites.erase(a);
      return;
    }
    if (everySite.count(a) != 0) return;
    std::vector<std::string>& sites = plan->pingSites[a];
    if (std::find(sites.begin(), sites.end(), site) == sites.end()) sites.push_back(site);
  };
  if (scope != nullptr && scope->hasPingList) {
    for (std::size_t k = 0; k < scope->ping.size(); ++k) {
      const std::string& entry = scope->ping[k];
      std::vector<std::string> expanded;
      ExpandResult result = ExpandAddressEntry(entry, limit, &expanded, error);
      if (result == ExpandResult::kMalformed) {
        *error = options.scopeFile + ": line " +
                 std::to_string(k < scope->pingLines.size() ? scope->pingLines[k] : 0) +
                 ": ping entry: " + Withheld(*error, entry, "the entry");
        return false;
      }
      if (result == ExpandResult::kOk) {
        const std::string none;
        const std::string& site = k < scope->pingSites.size() ? scope->pingSites[k] : none;
        for (const std::string& a : expanded) add(a, site);
      }
      if (result == ExpandResult::kTooMany || seen.size() > limit) {
        *error = "the ping list holds more than " + std::to_string(limit) + " distinct addresses" +
                 (options.allowLargeScope ? ""
                                          : "; give --allow-large-scope to ping up to " +
                                                std::to_string(kMaxPingAddressesLarge));
        return false;
      }
    }
  } else {
    for (const DeviceEntry& d : plan->devices) {
      if (d.recording.empty()) add(d.address, d.site);
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> PingAddressesOfSite(const std::vector<std::string>& addresses,
                                             const PingSites& sites, const std::string& site) {
  if (site.empty()) return addresses;
  std::vector<std::string> kept;
  for (const std::string& a : addresses) {
    auto it = sites.find(a);
    if (it == sites.end() ||
        std::find(it->second.begin(), it->second.end(), site) != it->second.end()) {
      kept.push_back(a);
    }
  }
  return kept;
}

bool BuildDiscoveryPlan(const EngineOptions& options, const ScopeDocument* scope,
                        DiscoveryPlan* plan, std::string* error) {
  DiscoveryPlan result;
  std::vector<DeviceInput> inputs;
  if (scope != nullptr) {
    for (const ScopeDevice& sd : scope->devices) {
      DeviceInput in;
      in.where = options.scopeFile + ": line " + std::to_string(sd.line);
      in.fromScope = true;
      in.address = sd.address;
      in.name = sd.name;
      in.port = sd.port;
      in.own = &sd.snmp;
      in.downloadFdb = sd.downloadFdb;
      in.addressSpace = sd.addressSpace;
      in.recording = sd.recording;
      in.site = sd.site.empty() ? scope->defaultSite : sd.site;
      inputs.push_back(in);
    }
    result.staticArp = scope->staticArp;
  }
  for (const std::string& host : options.hosts) {
    DeviceInput in;
    in.where = "command line";
    in.address = host;
    inputs.push_back(in);
  }
  std::set<std::string> identities;
  std::set<std::string> endpoints;
  std::set<std::string> names;
  for (const DeviceInput& in : inputs) {
    DeviceEntry d;
    if (!BuildDevice(in, options, scope, &d, error)) return false;
    if (!identities.insert(Identity(d)).second) {
      *error = in.where + ": device " + (in.fromScope ? "address" : d.Endpoint()) +
               " is listed twice (same port and credentials)";
      return false;
    }
    const bool sharedEndpoint = !endpoints.insert(d.Endpoint()).second;
    if (!names.insert(d.name).second) {
      *error = in.where + (in.fromScope ? ": another device has the same name"
                                        : ": two devices are named " + d.name);
      if (sharedEndpoint && in.name.empty()) {
        *error += " (devices on one address and port need a name each)";
      }
      return false;
    }
    result.devices.push_back(std::move(d));
  }
  if (!BuildPingList(options, scope, &result, error)) return false;
  *plan = std::move(result);
  return true;
}

}  // namespace disco
