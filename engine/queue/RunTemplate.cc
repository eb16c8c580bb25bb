#include "engine/queue/RunTemplate.h"

#include <ctime>
#include <map>

namespace disco {

namespace {

const std::map<FdbMode, std::string> kFdbModes = {
    {FdbMode::kAuto, "auto"}, {FdbMode::kAlways, "always"}, {FdbMode::kNever, "never"}};

const char* const kVersions[] = {"1", "2c", "3"};
const char* const kLevels[] = {"noAuthNoPriv", "authNoPriv", "authPriv"};

}  // namespace

Json DeviceEntryJson(const DeviceEntry& e) {
  const CDiscoSnmpCredentials& c = e.credentials;
  Json j{{"name", e.name},
         {"address", e.address},
         {"port", e.port},
         {"address_space", e.addressSpace},
         {"recording", e.recording},
         {"version", kVersions[c.version]},
         {"user", c.user},
         {"level", kLevels[c.level]},
         {"auth_protocol", c.authProtocol},
         {"priv_protocol", c.privProtocol},
         {"context", c.contextName},
         {"timeout_ms", c.timeoutMs},
         {"retries", c.retries},
         {"max_repetitions", c.maxRepetitions}};
  j["download_fdb"] = e.downloadFdb ? Json(*e.downloadFdb) : Json(nullptr);
  return j;
}

bool DeviceEntryFromJson(const std::string& device, const SnmpSettings& secrets, DeviceEntry* e,
                         std::string* error) {
  Json j = Json::parse(device, nullptr, false);
  try {
    e->name = j.at("name").get<std::string>();
    e->address = j.at("address").get<std::string>();
    e->port = j.at("port").get<int>();
    e->addressSpace = j.at("address_space").get<std::string>();
    e->recording = j.at("recording").get<std::string>();
    if (!j.at("download_fdb").is_null()) e->downloadFdb = j.at("download_fdb").get<bool>();
    CDiscoSnmpCredentials& c = e->credentials;
    c = CDiscoSnmpCredentials();
    SnmpSettings settings = {{"version", j.at("version").get<std::string>()},
                             {"level", j.at("level").get<std::string>()}};
    if (!ApplySnmpSettings(settings, &c, error)) return false;
    c.user = j.at("user").get<std::string>();
    c.authProtocol = j.at("auth_protocol").get<std::string>();
    c.privProtocol = j.at("priv_protocol").get<std::string>();
    c.contextName = j.at("context").get<std::string>();
    c.timeoutMs = j.at("timeout_ms").get<int>();
    c.retries = j.at("retries").get<int>();
    c.maxRepetitions = j.at("max_repetitions").get<int>();
  } catch (const Json::exception&) {
    *error = "a job's device is not a device entry";
    return false;
  }
  return ApplySnmpSettings(secrets, &e->credentials, error);
}

RunSettings SettingsOfRun(const EngineOptions& options, const DiscoveryPlan& plan) {
  RunSettings s;
  s.scope = options.scopeFile.empty() ? "command line" : options.scopeFile;
  s.started = static_cast<std::int64_t>(std::time(nullptr));
  s.startedAt = IsoUtc(s.started);
  s.pingEnabled = !options.noPing;
  if (s.pingEnabled) {
    s.pingAddresses = plan.pingAddresses;
    s.pingSites = plan.pingSites;
  }
  s.staticArp = plan.staticArp;
  s.pingTimeoutMs = options.pingTimeoutMs;
  s.pingRate = options.pingRate;
  s.fdb = options.fdb;
  s.deviceTimeoutSeconds = options.deviceTimeoutSeconds;
  return s;
}

Json RunSettingsJson(const RunSettings& s) {
  Json arp = Json::array();
  for (const StaticArpEntry& e : s.staticArp) arp.push_back(Json::array({e.mac, e.ip}));
  return Json{{"scope", s.scope},
              {"started", s.started},
              {"started_at", s.startedAt},
              {"ping_enabled", s.pingEnabled},
              {"ping_addresses", s.pingAddresses},
              {"ping_sites", s.pingSites},
              {"static_arp", arp},
              {"ping_timeout_ms", s.pingTimeoutMs},
              {"ping_rate", s.pingRate},
              {"fdb", kFdbModes.at(s.fdb)},
              {"device_timeout_seconds", s.deviceTimeoutSeconds}};
}

bool RunSettingsFromJson(const std::string& text, RunSettings* s, std::string* error) {
  Json j = Json::parse(text, nullptr, false);
  try {
    s->scope = j.at("scope").get<std::string>();
    s->started = j.at("started").get<std::int64_t>();
    s->startedAt = j.at("started_at").get<std::string>();
    s->pingEnabled = j.at("ping_enabled").get<bool>();
    s->pingAddresses = j.at("ping_addresses").get<std::vector<std::string>>();
    // Runs enqueued before sites could own ping addresses leave them all to every site.
    s->pingSites = j.value("ping_sites", PingSites());
    s->staticArp.clear();
    for (const Json& e : j.at("static_arp")) {
      s->staticArp.push_back({e.at(0).get<std::string>(), e.at(1).get<std::string>()});
    }
    s->pingTimeoutMs = j.at("ping_timeout_ms").get<int>();
    s->pingRate = j.at("ping_rate").get<int>();
    std::string fdb = j.at("fdb").get<std::string>();
    bool known = false;
    for (const auto& [mode, name] : kFdbModes) {
      if (name == fdb) s->fdb = mode, known = true;
    }
    s->deviceTimeoutSeconds = j.at("device_timeout_seconds").get<double>();
    if (known) return true;
  } catch (const Json::exception&) {
  }
  *error = "a run's settings in the queue are not readable";
  return false;
}

Json DeviceArpJson(const DeviceArp& arp) {
  Json pairs = Json::array();
  for (const ArpPair& p : arp.pairs) pairs.push_back(Json::array({p.ip, p.mac}));
  const CDiscoSnmpCounters& cost = arp.walk.cost;
  return Json{{"forwards_ip", arp.forwardsIp},
              {"address_space", arp.addressSpace},
              {"pairs", pairs},
              {"walk_snmp", Json::array({cost.requests, cost.responses, cost.varbinds})},
              {"walk_refused", arp.walk.refused},
              {"walk_problems", arp.walk.problems}};
}

bool DeviceArpFromJson(const std::string& text, DeviceArp* arp) {
  Json j = Json::parse(text, nullptr, false);
  try {
    arp->forwardsIp = j.at("forwards_ip").get<bool>();
    arp->addressSpace = j.at("address_space").get<std::string>();
    arp->pairs.clear();
    for (const Json& p : j.at("pairs")) {
      arp->pairs.push_back({p.at(0).get<std::string>(), p.at(1).get<std::string>()});
    }
    const Json cost = j.value("walk_snmp", Json::array({0, 0, 0}));
    arp->walk.cost = {cost.at(0).get<long>(), cost.at(1).get<long>(), cost.at(2).get<long>()};
    arp->walk.refused = j.value("walk_refused", RefusedMacCounts());
    arp->walk.problems = j.value("walk_problems", std::vector<std::string>());
  } catch (const Json::exception&) {
    return false;
  }
  return true;
}

}  // namespace disco
