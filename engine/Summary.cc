#include "engine/Summary.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace disco {

namespace {

// The value of the field `name` in a rendered field list, or null.
const Json* Field(const Json& fields, const char* name) {
  for (const Json& f : fields) {
    if (f["name"] == name) return &f["value"];
  }
  return nullptr;
}

std::string Text(const Json* value, const std::string& absent = "-") {
  if (value == nullptr || value->is_null()) return absent;
  if (value->is_string()) return value->get<std::string>();
  if (value->is_number_integer()) return std::to_string(value->get<long long>());
  return value->dump();
}

bool Integer(const Json* value, long long* out) {
  if (value == nullptr || !value->is_number_integer()) return false;
  *out = value->get<long long>();
  return true;
}

std::string Pad(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Clip(const std::string& text, size_t width) {
  return text.size() <= width ? text : text.substr(0, width - 3) + "...";
}

std::string InterfaceLabel(const Json& fields) {
  long long card = 0;
  long long port = 0;
  long long ifIndex = 0;
  if (Integer(Field(fields, "m_LocalNbrCard"), &card) &&
      Integer(Field(fields, "m_LocalNbrPort"), &port)) {
    return std::to_string(card) + ":" + std::to_string(port);
  }
  if (Integer(Field(fields, "m_IfIndex"), &ifIndex)) return "if " + std::to_string(ifIndex);
  return "?";
}

// "Default (1), users (2) tag 10": each VLAN with its identifier, and for a VLAN the interface
// carries encapsulated its 802.1Q tag (or "tagged" when the tag is unknown).
std::string VlanText(const Json& fields) {
  std::map<long long, long long> tags;
  const Json* trunked = Field(fields, "m_TrunkedVlans");
  const Json* trunkTags = Field(fields, "m_TrunkedVlanTags");
  if (trunked && trunkTags && trunked->is_array() && trunkTags->is_array()) {
    for (size_t i = 0; i < trunked->size() && i < trunkTags->size(); ++i) {
      long long vlan = 0;
      long long tag = 0;
      if (Integer(&(*trunked)[i]["value"], &vlan) && Integer(&(*trunkTags)[i]["value"], &tag)) {
        tags[vlan] = tag;
      }
    }
  }
  auto one = [&](const Json& f, bool encapsulated) {
    long long id = 0;
    bool hasId = Integer(Field(f, "m_LocalNbrVlan"), &id);
    std::string text = Text(Field(f, "m_LocalNbrVlanDescr"), "");
    if (hasId) text += (text.empty() ? "" : " ") + std::string("(") + std::to_string(id) + ")";
    if (encapsulated && hasId && tags.count(id)) {
      text += " tag " + std::to_string(tags[id]);
    } else if (encapsulated) {
      text += " tagged";
    }
    return text;
  };
  const Json* data = Field(fields, "m_LocalNbrVlanData");
  if (data != nullptr && data->is_array()) {
    std::string text;
    for (const Json& entry : *data) {
      if (entry["type"] != "object") continue;
      long long encapsulated = 0;
      Integer(Field(entry["value"], "m_Encapsulated"), &encapsulated);
      text += (text.empty() ? "" : ", ") + one(entry["value"], encapsulated != 0);
    }
    return text;
  }
  // One VLAN: it has trunk fields only when the interface carries it encapsulated.
  return one(fields, trunked != nullptr && !tags.empty());
}

struct KnownDevices {
  std::map<std::string, std::string> byMac;
  std::map<std::string, std::string> byIp;

  std::string Name(const Json& remote) const {
    auto it = byMac.find(Text(Field(remote, "m_RemoteNbrPhysAddr"), ""));
    if (it != byMac.end()) return it->second;
    it = byIp.find(Text(Field(remote, "m_RemoteNbrIpAddr"), ""));
    return it != byIp.end() ? it->second : "";
  }
};

KnownDevices Learn(const Json& devices) {
  KnownDevices known;
  for (const Json& d : devices) {
    std::string name = d["name"];
    for (const Json& local : d.value("local_neighbours", Json::array())) {
      std::string mac = Text(Field(local["fields"], "m_LocalNbrPhysAddr"), "");
      std::string ip = Text(Field(local["fields"], "m_IpAddress"), "");
      if (!mac.empty()) known.byMac.emplace(mac, name);
      if (!ip.empty()) known.byIp.emplace(ip, name);
    }
  }
  return known;
}

void WriteDevice(const Json& d, const KnownDevices& known, std::ostream& out) {
  const Json& locals = d.value("local_neighbours", Json::array());
  int edp = 0;
  int macs = 0;
  for (const Json& local : locals) {
    for (const Json& remote : local["remote_neighbours"]) {
      const Json& f = remote["fields"];
      if (Field(f, "m_Card") != nullptr) {
        ++edp;
      } else if (Field(f, "m_RemoteNbrPhysAddr") != nullptr) {
        ++macs;
      }
    }
  }
  out << d["name"].get<std::string>() << "  " << d["address"].get<std::string>() << ":"
      << d["port"].get<int>() << "  " << d["status"].get<std::string>();
  if (!d["passed_filter"].get<bool>()) {
    out << ": " << d["reason"].get<std::string>() << "\n\n";
    return;
  }
  out << ": " << locals.size() << " interfaces, " << edp << " EDP neighbours, " << macs
      << " MAC addresses\n";
  if (d["status"] != "discovered") out << "  " << d["reason"].get<std::string>() << "\n";

  struct Row {
    std::string label, descr, status, stp, vlans;
  };
  std::vector<Row> rows;
  size_t wLabel = 9, wDescr = 11, wStatus = 6, wStp = 3;
  for (const Json& local : locals) {
    const Json& f = local["fields"];
    Row r;
    r.label = InterfaceLabel(f);
    r.descr = Clip(Text(Field(f, "m_IfDescr"), ""), 32);
    long long v = 0;
    r.status = Integer(Field(f, "m_LocalNbrStatus"), &v) ? IfOperStatusName(v) : "-";
    r.stp = Integer(Field(f, "m_StpPortState"), &v) ? StpPortStateName(v) : "-";
    r.vlans = VlanText(f);
    wLabel = std::max(wLabel, r.label.size());
    wDescr = std::max(wDescr, r.descr.size());
    wStatus = std::max(wStatus, r.status.size());
    wStp = std::max(wStp, r.stp.size());
    rows.push_back(r);
  }
  out << "  " << Pad("interface", wLabel) << "  " << Pad("description", wDescr) << "  "
      << Pad("status", wStatus) << "  " << Pad("STP", wStp) << "  VLANs\n";
  std::string indent(2 + wLabel + 2, ' ');
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    out << "  " << Pad(r.label, wLabel) << "  " << Pad(r.descr, wDescr) << "  "
        << Pad(r.status, wStatus) << "  " << Pad(r.stp, wStp) << "  " << r.vlans << "\n";
    for (const Json& remote : locals[i]["remote_neighbours"]) {
      const Json& f = remote["fields"];
      if (Field(f, "m_NoConnectionAtThisLayer") != nullptr) {
        out << indent << "no connection at this layer\n";
        continue;
      }
      std::string mac = Text(Field(f, "m_RemoteNbrPhysAddr"));
      std::string ip = Text(Field(f, "m_RemoteNbrIpAddr"));
      std::string name = known.Name(f);
      if (Field(f, "m_Card") != nullptr) {
        out << indent << "EDP  " << Pad(mac, 17) << "  " << Pad(ip, 15) << "  "
            << (name.empty() ? "" : name + " ") << "port " << Text(Field(f, "m_Card")) << ":"
            << Text(Field(f, "m_Port")) << "\n";
      } else {
        out << indent << "MAC  " << Pad(mac, 17) << "  " << (name.empty() ? ip : Pad(ip, 15))
            << (name.empty() ? "" : "  " + name) << "\n";
      }
    }
  }
  out << "\n";
}

}  // namespace

std::string IfOperStatusName(long long s) {
  static const char* const names[] = {"up",      "down",       "testing",       "unknown",
                                      "dormant", "notPresent", "lowerLayerDown"};
  return s >= 1 && s <= 7 ? names[s - 1] : std::to_string(s);
}

std::string StpPortStateName(long long s) {
  static const char* const names[] = {"disabled", "blocking",   "listening",
                                      "learning", "forwarding", "broken"};
  return s >= 1 && s <= 6 ? names[s - 1] : std::to_string(s);
}

void WriteSummary(const Json& results, const std::string& resultsPath, std::ostream& out) {
  const Json& devices = results["devices"];
  KnownDevices known = Learn(devices);
  out << "\n";
  for (const Json& d : devices) WriteDevice(d, known, out);
  const Json& run = results["run"];
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", run["seconds"].get<double>());
  out << run["discovered"].get<int>() << " of " << run["devices"].get<int>()
      << " devices discovered in " << seconds << " s; results written to "
      << (resultsPath == "-" ? std::string("standard output") : resultsPath) << "\n";
  out.flush();
}

}  // namespace disco
