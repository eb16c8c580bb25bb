#include "engine/inventory/ResultsSnapshot.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "engine/collect/InterfaceFields.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"

namespace disco {

namespace {

using nlohmann::json;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Text(const json& object, const char* key) {
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : "";
}

// "2026-12-06T20:27:55Z" as Unix seconds; 0 when it is not such a time.
std::int64_t UtcSeconds(const std::string& text) {
  std::tm tm{};
  char zone = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &zone) != 7 ||
      zone != 'Z') {
    return 0;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<std::int64_t>(timegm(&tm));
}

std::unique_ptr<CTolAtom> AtomOf(const json& typed);

// The record {"fields": [{"name", "type", "value"}...]} as the agent's field list.
std::unique_ptr<CTolVBList> FieldsOf(const json& fields) {
  auto list = std::make_unique<CTolVBList>();
  if (!fields.is_array()) return list;
  for (const json& f : fields) {
    if (!f.is_object() || !f.contains("name") || !f["name"].is_string()) continue;
    std::unique_ptr<CTolAtom> value = AtomOf(f);
    CTolAtom* raw = value.release();  // the binding takes it (null: a field without value)
    list->RVBLAddToListEnd(new CTolVarBind(f["name"].get<std::string>().c_str(), &raw));
  }
  return list;
}

// {"type", "value"} as an atom; null for "null" and for what is not understood.
std::unique_ptr<CTolAtom> AtomOf(const json& typed) {
  const std::string type = Text(typed, "type");
  auto value = typed.find("value");
  if (value == typed.end()) return nullptr;
  if (type == "integer" && value->is_number_integer()) {
    return std::make_unique<CTolAtom>(CTolAtom::Int64(value->get<long long>()));
  }
  if ((type == "string" || type == "bytes") && value->is_string()) {
    // Bytes stay as their hex text: the interface fields read none.
    return std::make_unique<CTolAtom>(value->get<std::string>().c_str());
  }
  if (type == "object") return std::make_unique<CTolAtom>(FieldsOf(*value).release());
  if (type == "vector" && value->is_array()) {
    auto vector = std::make_unique<CTolAtomVector>();
    for (const json& item : *value) {
      std::unique_ptr<CTolAtom> atom = AtomOf(item);
      vector->RAVAddToEnd(atom ? atom.release() : new CTolAtom());
    }
    return std::make_unique<CTolAtom>(vector.release());
  }
  return nullptr;
}

}  // namespace

bool ReadResultsSnapshot(const std::string& text, const std::string& source,
                         store::RunSnapshot* run, std::string* error) {
  *run = store::RunSnapshot();
  json doc = json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    *error = source + ": not a JSON document";
    return false;
  }
  if (!doc.contains("format_version") || doc["format_version"] != 1 || !doc.contains("devices") ||
      !doc["devices"].is_array()) {
    *error = source + ": not a results file of format version 1";
    return false;
  }
  const json& runInfo = doc.value("run", json::object());
  run->run.scope = source;
  run->run.started = UtcSeconds(Text(runInfo, "started"));
  double seconds = runInfo.value("seconds", 0.0);
  run->run.ended = run->run.started + static_cast<std::int64_t>(seconds + 0.5);
  run->run.devicesAsked = runInfo.value("devices", 0);
  run->run.devicesFound = runInfo.value("discovered", 0);
  run->run.version = "results file";

  const json topology = doc.value("topology", json::object());
  std::map<std::string, json> switches;
  for (const json& s : topology.value("switches", json::array())) {
    if (s.is_object() && s.value("in_scope", false)) switches[Text(s, "name")] = s;
  }
  std::map<std::string, std::map<std::string, int>> vlanOf;  // device -> MAC -> VLAN
  for (const json& d : doc["devices"]) {
    if (!d.is_object() || Text(d, "name").empty()) continue;
    store::DeviceFact device;
    device.name = Text(d, "name");
    device.address = Text(d, "address");
    device.answered = Text(d, "status") != "not answering";
    auto identity = switches.find(device.name);
    if (identity != switches.end()) {
      device.sysName = Text(identity->second, "sys_name");
      device.sysObjectId = Text(identity->second, "sys_object_id");
      device.bridgeMac = Lower(Text(identity->second, "bridge_mac"));
    }
    run->devices.push_back(device);
    std::map<std::string, bool> labels;
    for (const json& local : d.value("local_neighbours", json::array())) {
      if (!local.is_object()) continue;
      std::unique_ptr<CTolVBList> fields = FieldsOf(local.value("fields", json::array()));
      InterfaceFields f = ReadInterface(*fields);
      if (labels[f.label]) continue;  // the first record of a label stays, as in a run
      labels[f.label] = true;
      run->interfaces.push_back(
          {device.name, f.label, f.ifIndex, f.descr, f.status, f.stp, f.vlans});
    }
    for (const json& n : d.value("lldp_neighbours", json::array())) {
      if (!n.is_object()) continue;
      run->neighbours.push_back({device.name, Text(n, "port"), Text(n, "chassis_id"),
                                 Text(n, "port_id"), Text(n, "system_name"),
                                 Text(n, "management_address")});
    }
    for (const json& f : d.value("vlan_fdb", json::array())) {
      if (f.is_object() && f.value("vlan_id", 0) > 0) {
        vlanOf[device.name].emplace(Lower(Text(f, "mac")), f.value("vlan_id", 0));
      }
    }
  }
  for (const json& l : topology.value("links", json::array())) {
    if (!l.is_object() || !l.contains("a") || !l.contains("b")) continue;
    run->links.push_back({Text(l["a"], "switch"), Text(l["a"], "port"), Text(l["b"], "switch"),
                          Text(l["b"], "port"), Text(l, "evidence"),
                          l.value("blocked", false) ? "blocked" : "forwarding"});
  }
  for (const json& h : topology.value("hosts", json::array())) {
    if (!h.is_object()) continue;
    store::HostFact host;
    host.mac = Lower(Text(h, "mac"));
    host.ip = Text(h, "ip");
    host.device = Text(h, "switch");
    host.port = Text(h, "port");
    host.evidence = "fdb";
    auto vlans = vlanOf.find(host.device);
    if (vlans != vlanOf.end() && vlans->second.count(host.mac)) host.vlan = vlans->second[host.mac];
    run->hosts.push_back(host);
  }
  return true;
}

}  // namespace disco
