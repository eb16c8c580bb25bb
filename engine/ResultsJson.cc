#include "engine/ResultsJson.h"

#include "host/CDiscoProcessedData.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

std::string Hex(const unsigned char* bytes, int length) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (int i = 0; i < length; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

}  // namespace

Json RenderAtom(const CTolAtom* atom) {
  if (atom == nullptr) return Json{{"type", "null"}, {"value", nullptr}};
  switch (atom->RAType()) {
    case eTolInteger:
      return Json{{"type", "integer"}, {"value", atom->RAInt64()}};
    case eTolString:
      return Json{{"type", "string"}, {"value", atom->RAString()}};
    case eTolBytes: {
      const unsigned char* bytes = nullptr;
      int length = 0;
      atom->RAUChar(&bytes, &length);
      return Json{{"type", "bytes"}, {"value", Hex(bytes, length)}};
    }
    case eTolObject:
      return Json{{"type", "object"}, {"value", RenderFields(*atom->RAObject())}};
    case eTolVector: {
      Json values = Json::array();
      const CTolAtomVector* v = atom->RAVector();
      for (int i = 0; i < v->RAVSize(); ++i) values.push_back(RenderAtom(v->RAVGetValue(i)));
      return Json{{"type", "vector"}, {"value", values}};
    }
    case eTolNull:
      break;
  }
  return Json{{"type", "null"}, {"value", nullptr}};
}

Json RenderFields(const CTolVBList& fields) {
  Json out = Json::array();
  for (const CTolVarBind* vb = fields.RVBLHead(); vb != nullptr; vb = fields.RVBLGetNext(vb)) {
    Json value = RenderAtom(vb->RVBValue());
    std::string name = vb->RVBName() ? vb->RVBName()->RAText() : std::string();
    out.push_back(Json{{"name", name}, {"type", value["type"]}, {"value", value["value"]}});
  }
  return out;
}

Json RenderNeighbours(const CDiscoProcessedData& processed) {
  Json local = Json::array();
  for (const CTolVBList* fields : processed.DPDLocalNbrs()) {
    local.push_back(Json{{"fields", RenderFields(*fields)}, {"remote_neighbours", Json::array()}});
  }
  Json unmatched = Json::array();
  for (const CDiscoProcessedData::RemoteNbr* r : processed.DPDRemoteNbrs()) {
    Json remote{{"fields", r->remote ? RenderFields(*r->remote) : Json::array()}};
    int index = processed.DPDLocalIndexOf(*r);
    if (index >= 0 && index < static_cast<int>(local.size())) {
      local[index]["remote_neighbours"].push_back(remote);
    } else {
      remote["local_fields"] = r->local ? RenderFields(*r->local) : Json::array();
      unmatched.push_back(remote);
    }
  }
  Json out{{"local_neighbours", local}};
  if (!unmatched.empty()) out["unmatched_remote_neighbours"] = unmatched;
  return out;
}

Json RenderError(const TolErrorRecord& e) {
  return Json{{"code", e.code}, {"source", e.source}, {"line", e.line}, {"text", e.text}};
}

Json RenderDevice(const DeviceRun& d) {
  Json snmp = Json::array();
  for (const TolErrorRecord& e : d.SnmpFailures()) snmp.push_back(RenderError(e));
  Json agent = Json::array();
  for (const TolErrorRecord& e : d.AgentErrors()) agent.push_back(RenderError(e));
  Json out{{"name", d.deviceSpec.name},
           {"address", d.deviceSpec.address},
           {"port", d.deviceSpec.port},
           {"source", d.deviceSpec.recording.empty() ? "snmp" : "recording"},
           {"status", DeviceStatusName(d.Status())},
           {"reason", d.Reason()},
           {"passed_filter", d.passedFilter},
           {"seconds", d.seconds},
           {"arp_entries", d.arp.size()},
           {"snmp_failures", snmp},
           {"agent_errors", agent}};
  if (!d.deviceSpec.recording.empty()) out["recording"] = d.deviceSpec.recording;
  Json neighbours = RenderNeighbours(*d.proc);
  for (auto it = neighbours.begin(); it != neighbours.end(); ++it) out[it.key()] = it.value();
  if (!d.leftInMediationData.empty()) out["left_in_mediation_data"] = d.leftInMediationData;
  return out;
}

Json RenderResults(const DiscoveryReport& report) {
  Json devices = Json::array();
  int discovered = 0;
  for (const auto& d : report.devices) {
    devices.push_back(RenderDevice(*d));
    if (d->Status() == DeviceStatus::kDiscovered) ++discovered;
  }
  Json sweeps = Json::array();
  for (const PingSweepResult& s : report.sweeps) {
    Json sweep{{"addresses", s.addresses}, {"sent", s.sent}, {"answered", s.answered}};
    if (!s.error.empty()) sweep["error"] = s.error;
    sweeps.push_back(sweep);
  }
  Json engineErrors = Json::array();
  for (const TolErrorRecord& e : report.engineErrors) engineErrors.push_back(RenderError(e));
  return Json{{"format_version", kResultsFormatVersion},
              {"agent",
               {{"name", report.agentName},
                {"description", report.agentDescription},
                {"version", report.agentVersion},
                {"plugin", report.pluginPath}}},
              {"run",
               {{"started", report.startedAt},
                {"seconds", report.seconds},
                {"devices", report.devices.size()},
                {"discovered", discovered},
                {"all_discovered", discovered == static_cast<int>(report.devices.size())}}},
              {"ping",
               {{"enabled", report.pingEnabled},
                {"addresses", report.pingAddresses},
                {"queries", report.queries},
                {"sweeps", sweeps}}},
              {"arp",
               {{"entries", report.arp.total},
                {"from_devices", report.arp.fromDevices},
                {"local", report.arp.local},
                {"from_scope", report.arp.fromScope}}},
              {"engine_errors", engineErrors},
              {"devices", devices}};
}

}  // namespace disco
