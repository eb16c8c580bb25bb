#include "engine/report/ResultsJson.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "engine/collect/VlanLookup.h"
#include "engine/report/CollectedJson.h"
#include "engine/report/SafeFile.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolRecord.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

// Rendered text goes to the spool in pieces of about this size.
constexpr std::size_t kPieceSize = 1 << 20;

// The depth of a device object in the document: {"devices": [ {...} ]}.
constexpr int kDeviceDepth = 2;

Json RenderError(const TolErrorRecord& e) {
  return Json{{"code", e.code}, {"source", e.source}, {"line", e.line}, {"text", e.text}};
}

// The device's own members, before its neighbours.
Json DeviceHead(const DeviceRun& d) {
  Json snmp = Json::array();
  for (const TolErrorRecord& e : d.SnmpFailures()) snmp.push_back(RenderError(e));
  Json agent = Json::array();
  for (const TolErrorRecord& e : d.AgentErrors()) agent.push_back(RenderError(e));
  Json out{{"name", d.entry.name},
           {"address", d.entry.address},
           {"port", d.entry.port},
           {"source", d.entry.recording.empty() ? "snmp" : "recording"},
           {"status", DeviceStatusName(d.Status())},
           {"reason", d.Reason()},
           {"passed_filter", d.passedFilter},
           {"seconds", d.seconds},
           {"arp_entries", d.arpEntries},
           {"snmp_failures", snmp},
           {"agent_errors", agent}};
  if (!d.entry.recording.empty()) out["recording"] = d.entry.recording;
  if (d.snmpCounters) {
    out["snmp"] = Json{{"requests", d.snmpCounters->requests},
                       {"responses", d.snmpCounters->responses},
                       {"varbinds", d.snmpCounters->varbinds}};
  }
  if (!d.refusedMacValues.empty()) out["refused_mac_values"] = RefusedMacJson(d.refusedMacValues);
  if (!d.valueProblems.empty()) out["value_problems"] = d.valueProblems;
  out["collected_by"] = CollectedBy(d.passedFilter, d.collected);
  return out;
}

// Sends `*text` to `spool` once it is big enough (always with `flush`), keeping the extents.
void Drain(std::string* text, Spool& spool, std::vector<Spool::Extent>* extents, bool flush) {
  if (text->empty() || (!flush && text->size() < kPieceSize)) return;
  extents->push_back(spool.Append(*text));
  text->clear();
}

// Renders device `d` as the object of the document's "devices" list, to `spool`.
std::vector<Spool::Extent> RenderDevice(const DeviceRun& d, Spool& spool,
                                        DeviceSummaryBuilder* summary) {
  std::vector<Spool::Extent> extents;
  std::string text;
  AppendOpenObject(&text, DeviceHead(d), kDeviceDepth);
  text.append(",\n");
  if (d.proc) {
    AppendNeighbours(
        &text, *d.proc, kDeviceDepth + 1, summary, [&]() { Drain(&text, spool, &extents, false); },
        &d.collected);
  } else {
    AppendIndent(&text, kDeviceDepth + 1);
    text.append("\"local_neighbours\": []");
  }
  if (!d.leftInMediationData.empty()) {
    text.append(",\n");
    AppendIndent(&text, kDeviceDepth + 1);
    text.append("\"left_in_mediation_data\": ");
    AppendJson(&text, Json(d.leftInMediationData), kDeviceDepth + 1);
  }
  AppendCollections(&text, d.collected, kDeviceDepth + 1,
                    [&]() { Drain(&text, spool, &extents, false); });
  if (summary) summary->AddCollections(d.collected);
  text.push_back('\n');
  AppendIndent(&text, kDeviceDepth);
  text.push_back('}');
  Drain(&text, spool, &extents, true);
  return extents;
}

// {"fields": [...]} at `depth`, or {"fields": [...], "local_fields": [...]}.
// With `vlans`, the VLAN they give the remote's MAC address on `ifIndex` follows the fields.
void AppendRemote(std::string* out, const CTolVBList& fields, const CTolVBList* localFields,
                  int depth, const VlanLookup* vlans = nullptr, long ifIndex = 0) {
  out->append("{\n");
  AppendIndent(out, depth + 1);
  out->append("\"fields\": ");
  AppendFields(out, fields, depth + 1);
  VlanRef vlan;
  if (vlans && vlans->VlanOf(FieldText(fields, "m_RemoteNbrPhysAddr", ""), ifIndex, &vlan)) {
    out->append(",\n");
    AppendIndent(out, depth + 1);
    out->append("\"vlan\": ");
    AppendJson(out, VlanJson(vlan), depth + 1);
  }
  if (localFields != nullptr) {
    out->append(",\n");
    AppendIndent(out, depth + 1);
    out->append("\"local_fields\": ");
    AppendFields(out, *localFields, depth + 1);
  }
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back('}');
}

}  // namespace

void AppendNeighbours(std::string* out, const CDiscoProcessedData& processed, int depth,
                      DeviceSummaryBuilder* summary, const std::function<void()>& drain,
                      const DeviceCollections* collected) {
  std::vector<const CTolVBList*> locals = processed.DPDLocalNbrs();
  std::unique_ptr<VlanLookup> vlans;
  if (collected) vlans = std::make_unique<VlanLookup>(*collected);
  // Remote neighbours by local neighbour, each list in hand-over order.
  std::vector<std::vector<std::size_t>> remotesOf(locals.size());
  std::vector<std::size_t> unmatched;
  std::size_t remotes = processed.DPDRemoteCount();
  for (std::size_t i = 0; i < remotes; ++i) {
    int local = processed.DPDRemoteLocalIndex(i);
    if (local >= 0 && local < static_cast<int>(locals.size())) {
      remotesOf[static_cast<std::size_t>(local)].push_back(i);
    } else {
      unmatched.push_back(i);
    }
  }

  CTolRecord remote;
  AppendIndent(out, depth);
  out->append("\"local_neighbours\": ");
  if (locals.empty()) out->append("[]");
  for (std::size_t l = 0; l < locals.size(); ++l) {
    out->append(l == 0 ? "[\n" : ",\n");
    AppendIndent(out, depth + 1);
    out->append("{\n");
    AppendIndent(out, depth + 2);
    out->append("\"fields\": ");
    AppendFields(out, *locals[l], depth + 2);
    if (summary) summary->AddInterface(*locals[l]);
    long long ifIndex = 0;
    FieldInteger(*locals[l], "m_IfIndex", &ifIndex);
    const PortVlans* portVlans = vlans ? vlans->PortOf(static_cast<long>(ifIndex)) : nullptr;
    if (portVlans) {
      out->append(",\n");
      AppendIndent(out, depth + 2);
      out->append("\"port_vlans\": ");
      AppendJson(out, PortVlansJson(*portVlans), depth + 2);
    }
    out->append(",\n");
    AppendIndent(out, depth + 2);
    out->append("\"remote_neighbours\": ");
    const std::vector<std::size_t>& mine = remotesOf[l];
    if (mine.empty()) out->append("[]");
    for (std::size_t k = 0; k < mine.size(); ++k) {
      out->append(k == 0 ? "[\n" : ",\n");
      AppendIndent(out, depth + 3);
      processed.DPDRemoteFields(mine[k], &remote);
      AppendRemote(out, remote.RRValues(), nullptr, depth + 3, vlans.get(),
                   static_cast<long>(ifIndex));
      if (summary) summary->AddRemote(remote.RRValues());
      if (drain) drain();
    }
    if (!mine.empty()) {
      out->push_back('\n');
      AppendIndent(out, depth + 2);
      out->push_back(']');
    }
    out->push_back('\n');
    AppendIndent(out, depth + 1);
    out->push_back('}');
    std::vector<std::size_t>().swap(remotesOf[l]);
  }
  if (!locals.empty()) {
    out->push_back('\n');
    AppendIndent(out, depth);
    out->push_back(']');
  }
  if (unmatched.empty()) return;
  out->append(",\n");
  AppendIndent(out, depth);
  out->append("\"unmatched_remote_neighbours\": [\n");
  for (std::size_t k = 0; k < unmatched.size(); ++k) {
    if (k > 0) out->append(",\n");
    AppendIndent(out, depth + 1);
    processed.DPDRemoteFields(unmatched[k], &remote);
    AppendRemote(out, remote.RRValues(), &processed.DPDRemoteLocalFields(unmatched[k]), depth + 1);
    if (drain) drain();
  }
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back(']');
}

ResultsWriter::ResultsWriter(std::size_t devices) : m_Parts(devices) {}

bool ResultsWriter::Open(std::string* error) { return m_Spool.Open(error); }

void ResultsWriter::AddDevice(std::size_t order, const DeviceRun& device) {
  if (device.proc) {
    for (const CTolVBList* local : device.proc->DPDLocalNbrs()) {
      m_Known.Learn(order, device.entry.name, *local);
    }
  }
  DeviceSummaryBuilder summary(device);
  std::vector<Spool::Extent> results = RenderDevice(device, m_Spool, &summary);
  Spool::Extent summaryExtent = m_Spool.Append(summary.Finish());
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Parts.size()) m_Parts.resize(order + 1);
  DeviceParts& parts = m_Parts[order];
  parts.added = true;
  parts.discovered = device.Status() == DeviceStatus::kDiscovered;
  parts.results = std::move(results);
  parts.summary = summaryExtent;
}

bool ResultsWriter::ExportDevice(std::size_t order, std::string* results, std::string* summary) {
  DeviceParts parts;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (order >= m_Parts.size() || !m_Parts[order].added) return false;
    parts = m_Parts[order];
  }
  results->clear();
  std::string piece;
  for (const Spool::Extent& e : parts.results) {
    if (!m_Spool.Read(e, &piece)) return false;
    results->append(piece);
  }
  return m_Spool.Read(parts.summary, summary);
}

void ResultsWriter::ImportDevice(std::size_t order, const std::string& results,
                                 const std::string& summary, bool discovered) {
  std::vector<Spool::Extent> pieces = {m_Spool.Append(results)};
  Spool::Extent summaryExtent = m_Spool.Append(summary);
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (order >= m_Parts.size()) m_Parts.resize(order + 1);
  DeviceParts& parts = m_Parts[order];
  parts.added = true;
  parts.discovered = discovered;
  parts.results = std::move(pieces);
  parts.summary = summaryExtent;
}

bool ResultsWriter::WriteDocumentTo(const DiscoveryReport& report, const Sink& sink,
                                    std::string* error) {
  for (std::size_t i = 0; i < report.devices.size(); ++i) {
    bool added = false;
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      added = i < m_Parts.size() && m_Parts[i].added;
    }
    if (!added) AddDevice(i, *report.devices[i]);
  }
  // A run whose devices were imported has none in its report.
  const std::size_t devices = report.devices.empty() ? m_Parts.size() : report.devices.size();
  int discovered = 0;
  for (const auto& d : report.devices) {
    if (d->Status() == DeviceStatus::kDiscovered) ++discovered;
  }
  if (report.devices.empty()) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (const DeviceParts& p : m_Parts) discovered += p.added && p.discovered ? 1 : 0;
  }
  Json sweeps = Json::array();
  for (const PingSweepResult& s : report.sweeps) {
    Json sweep{{"addresses", s.addresses}, {"sent", s.sent}, {"answered", s.answered}};
    if (!s.error.empty()) sweep["error"] = s.error;
    sweeps.push_back(sweep);
  }
  Json engineErrors = Json::array();
  for (const TolErrorRecord& e : report.engineErrors) engineErrors.push_back(RenderError(e));
  Json head{{"format_version", kResultsFormatVersion},
            {"agent",
             {{"name", report.agentName},
              {"description", report.agentDescription},
              {"version", report.agentVersion},
              {"plugin", report.pluginPath}}},
            {"run",
             {{"started", report.startedAt},
              {"seconds", report.seconds},
              {"devices", devices},
              {"discovered", discovered},
              {"all_discovered", discovered == static_cast<int>(devices)}}},
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
            {"engine_errors", engineErrors}};
  std::string text;
  AppendOpenObject(&text, head, 0);
  text.append(",\n  \"devices\": ");
  text.append(devices == 0 ? "[]" : "[\n");
  bool ok = sink.write(text);
  for (std::size_t i = 0; i < devices && ok; ++i) {
    ok = sink.write(i == 0 ? "    " : ",\n    ");
    for (const Spool::Extent& e : m_Parts[i].results) ok = ok && sink.copy(e);
  }
  ok = ok && sink.write(devices == 0 ? "" : "\n  ]");
  if (m_TopologyMember) ok = ok && sink.write(",\n") && m_TopologyMember(sink.write);
  ok = ok && sink.write("\n}\n");
  std::string spoolError = m_Spool.Error();
  if (!spoolError.empty()) {
    *error = spoolError;
    return false;
  }
  if (!ok) {
    *error = errno != 0 ? std::strerror(errno) : "write failed";
    return false;
  }
  return true;
}

bool ResultsWriter::WriteDocument(const DiscoveryReport& report, std::ostream& out,
                                  std::string* error) {
  Sink sink{[&out](const std::string& text) { return static_cast<bool>(out << text); },
            [&](const Spool::Extent& e) { return m_Spool.CopyTo(e, out); }};
  errno = 0;
  bool ok = WriteDocumentTo(report, sink, error) && out.flush();
  if (!ok && error->empty()) *error = "write failed";
  return ok;
}

bool ResultsWriter::WriteDocumentToFd(const DiscoveryReport& report, int fd, std::string* error) {
  Sink sink{[fd](const std::string& text) { return WriteAll(fd, text); },
            [&](const Spool::Extent& e) { return m_Spool.CopyToFd(e, fd); }};
  errno = 0;
  return WriteDocumentTo(report, sink, error);
}

void ResultsWriter::WriteSummary(const DiscoveryReport& report, const std::string& resultsPath,
                                 std::ostream& out) {
  out << "\n";
  int discovered = 0;
  std::string encoded;
  for (std::size_t i = 0; i < report.devices.size(); ++i) {
    if (report.devices[i]->Status() == DeviceStatus::kDiscovered) ++discovered;
    if (i < m_Parts.size() && m_Parts[i].added && m_Spool.Read(m_Parts[i].summary, &encoded)) {
      WriteDeviceSummary(encoded, m_Known, out);
    }
  }
  out << m_TopologySummary;
  WriteRunLine(discovered, static_cast<int>(report.devices.size()), report.seconds, resultsPath,
               out);
}

bool WriteResults(const DiscoveryReport& report, ResultsWriter& writer, const std::string& path,
                  std::ostream& out, std::string* error) {
  std::string why;
  if (path == "-") {
    if (writer.WriteDocument(report, out, &why)) return true;
    *error = "cannot write results to standard output: " + why;
    return false;
  }
  auto fill = [&](int fd, std::string* w) { return writer.WriteDocumentToFd(report, fd, w); };
  if (WriteFileWhole(path, fill, &why)) return true;
  *error = "cannot write results to " + path + (why.empty() ? "" : ": " + why);
  return false;
}

}  // namespace disco
