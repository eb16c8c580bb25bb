#include "engine/report/TopologyJson.h"

#include <functional>

#include "engine/base/JsonText.h"
#include "engine/collect/InterfaceFields.h"

namespace disco {

namespace {

using topology::LinkEnd;
using topology::PortRef;

Json EndJson(const TopologyView& v, const LinkEnd& end) {
  Json j{{"switch", v.NodeName(end.node)}};
  std::string port = v.PortName(end);
  j["port"] = port.empty() ? Json(nullptr) : Json(port);
  if (v.InScope(end.node) && end.port >= 0) {
    std::string stp = StpStateText(end.stpState);
    j["stp"] = stp.empty() ? Json(nullptr) : Json(stp);
  }
  return j;
}

Json PortJson(const TopologyView& v, const PortRef& p) {
  return Json{{"switch", v.NodeName(p.sw)}, {"port", v.PortName(p)}};
}

Json SwitchesJson(const TopologyView& v) {
  Json list = Json::array();
  for (std::size_t i = 0; i < v.network.switches.size(); ++i) {
    const topology::Switch& sw = v.network.switches[i];
    const SwitchFacts& f = v.facts[i];
    list.push_back(Json{{"name", sw.name},
                        {"in_scope", true},
                        {"address", sw.address},
                        {"sys_name", f.sysName},
                        {"sys_descr", f.sysDescr},
                        {"sys_object_id", f.sysObjectId},
                        {"bridge_mac", f.bridgeMac},
                        {"root", static_cast<int>(i) == v.topology.root}});
  }
  for (std::size_t k = 0; k < v.topology.outside.size(); ++k) {
    const topology::OutsideSwitch& o = v.topology.outside[k];
    auto node = static_cast<std::uint32_t>(v.network.switches.size() + k);
    Json j{{"name", v.NodeName(node)},
           {"in_scope", false},
           {"address", o.address},
           {"mac", o.mac != 0 ? Json(topology::MacText(o.mac)) : Json()},
           {"heard_by", o.protocol}};
    if (o.mac == 0) j["chassis_id"] = o.chassis.empty() ? Json() : Json(o.chassis);
    list.push_back(std::move(j));
  }
  return list;
}

Json LinksJson(const TopologyView& v) {
  Json list = Json::array();
  for (const topology::Link& l : v.topology.links) {
    Json j{{"a", EndJson(v, l.a)},
           {"b", EndJson(v, l.b)},
           {"evidence", l.evidence},
           {"blocked", l.Blocked()}};
    if (!l.alsoHeard.empty()) j["also_heard"] = l.alsoHeard;
    list.push_back(std::move(j));
  }
  return list;
}

// One end of a note's claim or loop: the switch and its port (null when unknown).
Json NoteEndJson(const TopologyView& v, const LinkEnd& end) {
  std::string port = v.PortName(end);
  return Json{{"switch", v.NodeName(end.node)}, {"port", port.empty() ? Json() : Json(port)}};
}

Json NotesJson(const TopologyView& v) {
  Json list = Json::array();
  for (const topology::Note& n : v.topology.notes) {
    Json j;
    switch (n.kind) {
      case topology::Note::kNameConflict: {
        Json switches = Json::array();
        for (std::uint32_t node : n.nodes) {
          switches.push_back(Json{
              {"switch", v.NodeName(node)}, {"in_scope", v.InScope(node)}, {"id", v.NodeId(node)}});
        }
        j = Json{{"kind", "name_conflict"}, {"name", n.name}, {"switches", switches}};
        break;
      }
      case topology::Note::kContradictedClaim:
        j = Json{{"kind", "contradicted_claim"},
                 {"protocol", n.protocol},
                 {"heard_on", NoteEndJson(v, n.a)},
                 {"names", NoteEndJson(v, n.b)}};
        break;
      case topology::Note::kLoop:
        j = Json{{"kind", "loop"},
                 {"protocol", n.protocol},
                 {"a", NoteEndJson(v, n.a)},
                 {"b", NoteEndJson(v, n.b)}};
        break;
      case topology::Note::kSpecialMacs:
        j = Json{{"kind", "special_macs"}, {"forwarding_entries", n.count}};
        break;
      case topology::Note::kSharedSegment: {
        Json neighbours = Json::array();
        for (std::uint32_t node : n.nodes) neighbours.push_back(v.NodeName(node));
        j = Json{{"kind", "shared_segment"},
                 {"switch", v.NodeName(n.a.node)},
                 {"port", v.PortName(n.a)},
                 {"neighbours", neighbours}};
        break;
      }
    }
    list.push_back(std::move(j));
  }
  return list;
}

// Text gathered in pieces of about kPiece bytes before it is handed to the writer.
constexpr std::size_t kPiece = 64 * 1024;

// Appends "key": [items...] with `count` items made by `item`, one at a time, handing `*out` to
// `write` whenever it holds a piece. False as soon as `write` fails.
bool AppendList(std::string* out, const char* key, std::size_t count,
                const std::function<Json(std::size_t)>& item, int depth, const TextWriter& write) {
  AppendIndent(out, depth);
  AppendJsonString(out, key);
  out->append(": ");
  if (count == 0) {
    out->append("[]");
    return true;
  }
  out->append("[\n");
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out->append(",\n");
    AppendIndent(out, depth + 1);
    AppendJson(out, item(i), depth + 1);
    if (out->size() >= kPiece) {
      if (!write(*out)) return false;
      out->clear();
    }
  }
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back(']');
  return true;
}

}  // namespace

std::string StpStateText(int state) {
  return state == topology::kStpUnknown ? "" : StpPortStateName(state);
}

bool WriteTopology(const TopologyView& v, int depth, const TextWriter& write) {
  std::string text;
  std::string* out = &text;
  const topology::Topology& t = v.topology;
  std::size_t blocked = 0;
  for (const topology::Link& l : t.links) blocked += l.Blocked() ? 1 : 0;
  std::size_t shared = 0;
  for (const auto& port : v.hostsOnPort) shared += port.second.size() > 1 ? 1 : 0;
  Json counts{{"switches", v.network.switches.size()},
              {"outside_switches", t.outside.size()},
              {"links", t.links.size()},
              {"blocked_links", blocked},
              {"hosts", t.hosts.size()},
              {"shared_ports", shared},
              {"undecided_hosts", t.undecided.size()}};
  AppendIndent(out, depth);
  out->append("\"topology\": {\n");
  AppendIndent(out, depth + 1);
  out->append("\"counts\": ");
  AppendJson(out, counts, depth + 1);
  out->append(",\n");
  AppendIndent(out, depth + 1);
  out->append("\"switches\": ");
  AppendJson(out, SwitchesJson(v), depth + 1);
  out->append(",\n");
  AppendIndent(out, depth + 1);
  out->append("\"links\": ");
  AppendJson(out, LinksJson(v), depth + 1);
  out->append(",\n");
  bool ok = AppendList(
      out, "hosts", t.hosts.size(),
      [&](std::size_t i) {
        const topology::HostPlacement& h = t.hosts[i];
        Json j{{"mac", h.mac != 0 ? Json(topology::MacText(h.mac)) : Json(nullptr)}};
        std::string ip = v.HostAddress(h);
        j["ip"] = ip.empty() ? Json(nullptr) : Json(ip);
        j["switch"] = v.NodeName(h.at.sw);
        j["port"] = v.PortName(h.at);
        j["shared"] = v.Shared(h.at);
        if (long vlan = v.HostVlan(h); vlan > 0) j["vlan"] = vlan;
        if (h.behind >= 0) {
          j["behind"] = v.NodeName(static_cast<std::uint32_t>(v.network.switches.size()) +
                                   static_cast<std::uint32_t>(h.behind));
        }
        if (h.heard >= 0) {
          const topology::HeardHost& heard = t.heard[static_cast<std::size_t>(h.heard)];
          j["heard_by"] = heard.protocol;
          if (!heard.chassis.empty()) j["chassis_id"] = heard.chassis;
          if (!heard.name.empty()) j["sys_name"] = heard.name;
        }
        return j;
      },
      depth + 1, write);
  out->append(",\n");
  ok = ok && AppendList(
                 out, "undecided_hosts", t.undecided.size(),
                 [&](std::size_t i) {
                   const topology::UndecidedHost& h = t.undecided[i];
                   Json candidates = Json::array();
                   for (const PortRef& p : h.candidates) candidates.push_back(PortJson(v, p));
                   std::string ip = v.AddressOf(h.mac);
                   return Json{{"mac", topology::MacText(h.mac)},
                               {"ip", ip.empty() ? Json(nullptr) : Json(ip)},
                               {"reason", h.reason},
                               {"candidates", candidates}};
                 },
                 depth + 1, write);
  if (!t.notes.empty()) {
    out->append(",\n");
    AppendIndent(out, depth + 1);
    out->append("\"notes\": ");
    AppendJson(out, NotesJson(v), depth + 1);
  }
  out->push_back('\n');
  AppendIndent(out, depth);
  out->push_back('}');
  return ok && write(text);
}

}  // namespace disco
