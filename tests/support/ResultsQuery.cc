#include "support/ResultsQuery.h"

namespace {
const Json kNull;
}

const Json& Entry(const Json& list, const std::string& key, const std::string& value) {
  for (const Json& e : list) {
    if (e.value(key, Json()) == value) return e;
  }
  return kNull;
}

const Json& DeviceNamed(const Json& results, const std::string& name) {
  return Entry(results["devices"], "name", name);
}

Json FieldValue(const Json& fields, const std::string& name) {
  for (const Json& f : fields) {
    if (f["name"] == name) return f["value"];
  }
  return Json();
}

std::string PortLabel(const Json& local) {
  Json card = FieldValue(local["fields"], "m_LocalNbrCard");
  Json port = FieldValue(local["fields"], "m_LocalNbrPort");
  if (card.is_number() && port.is_number()) {
    return std::to_string(card.get<int>()) + ":" + std::to_string(port.get<int>());
  }
  return "if " + FieldValue(local["fields"], "m_IfIndex").dump();
}

const Json& LocalAt(const Json& device, const std::string& label) {
  for (const Json& local : device["local_neighbours"]) {
    if (PortLabel(local) == label) return local;
  }
  return kNull;
}

std::vector<Remote> RemotesOf(const Json& device) {
  std::vector<Remote> out;
  for (const Json& local : device["local_neighbours"]) {
    for (const Json& remote : local["remote_neighbours"]) {
      const Json& f = remote["fields"];
      Json mac = FieldValue(f, "m_RemoteNbrPhysAddr");
      if (!mac.is_string()) continue;
      Remote r;
      r.port = PortLabel(local);
      r.mac = mac.get<std::string>();
      Json ip = FieldValue(f, "m_RemoteNbrIpAddr");
      r.ip = ip.is_string() ? ip.get<std::string>() : "";
      Json card = FieldValue(f, "m_Card");
      Json port = FieldValue(f, "m_Port");
      if (card.is_number() && port.is_number()) {
        r.edpPeer = std::to_string(card.get<int>()) + ":" + std::to_string(port.get<int>());
      }
      out.push_back(r);
    }
  }
  return out;
}
