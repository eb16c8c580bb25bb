#include "engine/report/Summary.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "engine/base/DeviceText.h"
#include "engine/base/JsonText.h"
#include "engine/collect/InterfaceFields.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

// Encoded summary: a sequence of items, each a kind byte and length-prefixed texts.
constexpr char kText = 'T';     // text, printed as it is
constexpr char kMac = 'M';      // indent width, MAC, IP: a MAC address behind a port
constexpr char kEdp = 'E';      // indent width, MAC, IP, card, port: an EDP neighbour
constexpr char kVlanMac = 'V';  // indent width, MAC, IP, VLAN: a VLAN forwarding entry

// The texts an item of `kind` carries after its indent.
int TextsOf(char kind) { return kind == kMac ? 2 : kind == kVlanMac ? 3 : 4; }

void PutText(std::string* out, const std::string& text) {
  std::uint64_t n = text.size();
  while (n >= 0x80) {
    out->push_back(static_cast<char>((n & 0x7F) | 0x80));
    n >>= 7;
  }
  out->push_back(static_cast<char>(n));
  out->append(text);
}

// Reads what PutText wrote; false at the end or on a truncated item.
bool GetText(const std::string& in, std::size_t* pos, std::string* text) {
  std::uint64_t n = 0;
  for (int shift = 0; *pos < in.size() && shift < 64; shift += 7) {
    unsigned char b = static_cast<unsigned char>(in[(*pos)++]);
    n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) {
      if (n > in.size() - *pos) return false;
      text->assign(in, *pos, n);
      *pos += n;
      return true;
    }
  }
  return false;
}

std::string Pad(const std::string& text, size_t width) {
  std::size_t n = CharacterCount(text);
  return n >= width ? text : text + std::string(width - n, ' ');
}

// A name, address or identifier a device gave, as a terminal shows it.
std::string Shown(const std::string& text) { return TerminalText(text, kNameWidth); }

bool Has(const CTolVBList& fields, const char* name) { return fields.RVBLFind(name) != nullptr; }

// "users (10), voice (20) tagged", with "native default (1)" first when the port's native VLAN
// is none of its untagged ones.
std::string PortVlansText(const PortVlans& p) {
  auto one = [](const VlanRef& v) {
    return (v.name.empty() ? "" : Shown(v.name) + " ") + "(" + std::to_string(v.id) + ")";
  };
  std::string text;
  auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  bool nativeUntagged = p.native.id == 0;
  for (const VlanRef& v : p.untagged) nativeUntagged = nativeUntagged || v.id == p.native.id;
  if (!nativeUntagged) add("native " + one(p.native));
  for (const VlanRef& v : p.untagged) add(one(v));
  for (const VlanRef& v : p.tagged) add(one(v) + " tagged");
  return text.empty() ? "-" : text;
}

}  // namespace

void KnownDevices::Stake(std::map<std::string, Claim>* map, const std::string& key,
                         const Claim& claim) {
  if (key.empty()) return;
  auto it = map->find(key);
  if (it == map->end()) {
    map->emplace(key, claim);
  } else if (claim.first < it->second.first) {
    it->second = claim;
  }
}

void KnownDevices::Learn(std::size_t order, const std::string& name, const CTolVBList& local) {
  std::string mac = FieldText(local, "m_LocalNbrPhysAddr", "");
  std::string ip = FieldText(local, "m_IpAddress", "");
  std::lock_guard<std::mutex> lock(m_Mutex);
  Stake(&m_ByMac, mac, Claim(order, name));
  Stake(&m_ByIp, ip, Claim(order, name));
}

std::string KnownDevices::Name(const std::string& mac, const std::string& ip) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_ByMac.find(mac);
  if (it != m_ByMac.end()) return it->second.second;
  it = m_ByIp.find(ip);
  return it != m_ByIp.end() ? it->second.second : "";
}

void DeviceSummaryBuilder::AddInterface(const CTolVBList& f) {
  InterfaceFields i = ReadInterface(f, Shown);
  Row r;
  r.ifIndex = i.ifIndex;
  r.label = std::move(i.label);
  r.descr = TerminalText(i.descr, kDescriptionWidth);
  r.status = i.status.empty() ? "-" : std::move(i.status);
  r.stp = i.stp.empty() ? "-" : std::move(i.stp);
  r.vlans = std::move(i.vlans);
  m_Rows.push_back(std::move(r));
}

void DeviceSummaryBuilder::AddRemote(const CTolVBList& f) {
  if (m_Rows.empty()) return;
  std::string& out = m_Rows.back().remotes;
  bool edp = Has(f, "m_Card");
  if (edp) {
    ++m_Edp;
  } else if (Has(f, "m_RemoteNbrPhysAddr")) {
    ++m_Macs;
    m_AgentMacs.insert(m_Rows.back().label + " " + FieldText(f, "m_RemoteNbrPhysAddr", ""));
  }
  if (Has(f, "m_NoConnectionAtThisLayer")) {
    out.push_back(kText);
    PutText(&out, "no connection at this layer\n");
    return;
  }
  out.push_back(edp ? kEdp : kMac);
  PutText(&out, Shown(FieldText(f, "m_RemoteNbrPhysAddr", "-")));
  PutText(&out, Shown(FieldText(f, "m_RemoteNbrIpAddr", "-")));
  if (edp) {
    PutText(&out, Shown(FieldText(f, "m_Card", "-")));
    PutText(&out, Shown(FieldText(f, "m_Port", "-")));
  }
}

void DeviceSummaryBuilder::AddCollections(const DeviceCollections& c) {
  // The engine's label of an interface the agent handed over is the agent's, but where the
  // agent's numbering collides: its findings go under the agent's row all the same.
  std::map<long long, std::string> agentLabel;
  for (const Row& r : m_Rows) agentLabel.emplace(r.ifIndex, r.label);
  std::map<std::string, std::string> rowOf;
  for (const EngineInterface& e : c.interfaces) {
    auto agent = agentLabel.find(e.ifIndex);
    if (agent != agentLabel.end()) rowOf.emplace(e.label, agent->second);
  }
  auto rowLabel = [&](const std::string& label) -> const std::string& {
    auto row = rowOf.find(label);
    return row != rowOf.end() ? row->second : label;
  };
  auto lines = [&](const std::string& label) -> std::string& {
    return m_Collected[rowLabel(label)];
  };
  // The interfaces the agent did not hand over, VLAN and loopback interfaces by their type.
  for (const EngineInterface& e : c.interfaces) {
    if (agentLabel.count(e.ifIndex) > 0) continue;
    Row r;
    r.ifIndex = e.ifIndex;
    r.label = e.label;  // printable: ifName and ifDescr are read as text or hex
    r.descr = TerminalText(e.descr, kDescriptionWidth);
    r.status = e.operStatus != 0 ? IfOperStatusName(e.operStatus) : "-";
    r.stp = "-";
    r.vlans = e.isVirtual ? "virtual (ifType " + std::to_string(e.ifType) + ")" : "-";
    m_Rows.push_back(std::move(r));
  }
  // A standard bridge's own port VLANs say more than the agent's view of it.
  for (const PortVlans& p : c.portVlans) {
    for (Row& r : m_Rows) {
      if (!p.local.label.empty() && r.label == p.local.label) r.vlans = PortVlansText(p);
    }
  }
  for (const LldpNeighbour& n : c.lldp) {
    ++m_Lldp;
    std::string& out = lines(n.local.label);
    std::string name = !n.systemName.empty() ? n.systemName : n.chassisId;
    out.push_back(kText);
    PutText(&out, "LLDP " + Pad(Shown(name), 17) + "  " + Pad(Shown(n.managementAddress), 15) +
                      "  port " + Shown(n.portId) + "\n");
  }
  for (const VlanFdbEntry& e : c.vlanFdb) {
    ++m_VlanMacs;
    if (m_AgentMacs.count(rowLabel(e.local.label) + " " + e.mac)) continue;
    std::string& out = lines(e.local.label);
    out.push_back(kVlanMac);
    PutText(&out, Shown(e.mac));
    PutText(&out, e.ip.empty() ? "-" : Shown(e.ip));
    PutText(&out, (e.vlanName.empty() ? "" : Shown(e.vlanName) + " ") + "(" +
                      std::to_string(e.vlanId) + ")");
  }
}

std::string DeviceSummaryBuilder::Finish() const {
  const DeviceRun& d = m_Device;
  std::string head = Shown(d.entry.name) + "  " + Shown(d.entry.address) + ":" +
                     std::to_string(d.entry.port) + "  " + DeviceStatusName(d.Status());
  // Values left out are named in the results; the summary points there.
  const std::string leftOut = d.valueProblems.empty()
                                  ? ""
                                  : "  values left out (value_problems in the results), first: " +
                                        TerminalText(d.valueProblems[0], 0) + "\n";
  std::string out;
  if (!d.passedFilter && m_Rows.empty()) {
    out.push_back(kText);
    PutText(&out, head + ": " + TerminalText(d.Reason(), 0) + "\n" + leftOut + "\n");
    return out;
  }
  head += ": " + std::to_string(m_Rows.size()) + " interfaces, " + std::to_string(m_Edp) +
          " EDP neighbours, " + std::to_string(m_Macs) + " MAC addresses" +
          (m_Lldp > 0 ? ", " + std::to_string(m_Lldp) + " LLDP neighbours" : "") +
          (m_VlanMacs > 0 ? ", " + std::to_string(m_VlanMacs) + " VLAN forwarding entries" : "") +
          "\n";
  if (d.Status() != DeviceStatus::kDiscovered) head += "  " + TerminalText(d.Reason(), 0) + "\n";
  head += RefusedMacWarning(d.refusedMacValues);
  head += leftOut;

  size_t wLabel = 9, wDescr = 11, wStatus = 6, wStp = 3;
  for (const Row& r : m_Rows) {
    wLabel = std::max(wLabel, CharacterCount(r.label));
    wDescr = std::max(wDescr, CharacterCount(r.descr));
    wStatus = std::max(wStatus, r.status.size());
    wStp = std::max(wStp, r.stp.size());
  }
  head += "  " + Pad("interface", wLabel) + "  " + Pad("description", wDescr) + "  " +
          Pad("status", wStatus) + "  " + Pad("STP", wStp) + "  VLANs\n";
  out.push_back(kText);
  PutText(&out, head);
  std::string indent(2 + wLabel + 2, ' ');
  for (const Row& r : m_Rows) {
    out.push_back(kText);
    PutText(&out, "  " + Pad(r.label, wLabel) + "  " + Pad(r.descr, wDescr) + "  " +
                      Pad(r.status, wStatus) + "  " + Pad(r.stp, wStp) + "  " + r.vlans + "\n");
    // Remote lines are indented under the interface column.
    auto collected = m_Collected.find(r.label);
    for (const std::string* lines :
         {&r.remotes, collected != m_Collected.end() ? &collected->second : nullptr}) {
      std::size_t pos = 0;
      while (lines != nullptr && pos < lines->size()) {
        char kind = (*lines)[pos++];
        out.push_back(kind);
        std::string text;
        if (kind == kText) {
          if (GetText(*lines, &pos, &text)) PutText(&out, indent + text);
          continue;
        }
        PutText(&out, indent);
        for (int i = TextsOf(kind); i > 0 && GetText(*lines, &pos, &text); --i) {
          PutText(&out, text);
        }
      }
    }
  }
  out.push_back(kText);
  PutText(&out, "\n");
  return out;
}

void WriteDeviceSummary(const std::string& encoded, const KnownDevices& known, std::ostream& out) {
  std::string text;  // written out in blocks: a big switch has a line per MAC address
  std::string item, indent, mac, ip, card, port, vlan;
  std::size_t pos = 0;
  while (pos < encoded.size()) {
    if (text.size() >= (1 << 16)) {
      out << text;
      text.clear();
    }
    char kind = encoded[pos++];
    if (kind == kText) {
      if (!GetText(encoded, &pos, &item)) break;
      text += item;
      continue;
    }
    if (!GetText(encoded, &pos, &indent) || !GetText(encoded, &pos, &mac) ||
        !GetText(encoded, &pos, &ip)) {
      break;
    }
    std::string name = Shown(known.Name(mac, ip));
    text += indent;
    if (kind == kEdp) {
      if (!GetText(encoded, &pos, &card) || !GetText(encoded, &pos, &port)) break;
      text += "EDP  " + Pad(mac, 17) + "  " + Pad(ip, 15) + "  " +
              (name.empty() ? "" : name + " ") + "port " + card + ":" + port + "\n";
    } else if (kind == kVlanMac) {
      if (!GetText(encoded, &pos, &vlan)) break;
      text += "MAC  " + Pad(mac, 17) + "  " + Pad(ip, 15) + "  VLAN " + vlan +
              (name.empty() ? "" : "  " + name) + "\n";
    } else {
      text += "MAC  " + Pad(mac, 17) + "  " + (name.empty() ? ip : Pad(ip, 15)) +
              (name.empty() ? "" : "  " + name) + "\n";
    }
  }
  out << text;
}

void WriteRunLine(int discovered, int devices, double seconds, const std::string& resultsPath,
                  std::ostream& out) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  out << discovered << " of " << devices << " devices discovered in " << text
      << " s; results written to "
      << (resultsPath == "-" ? std::string("standard output") : resultsPath) << "\n";
  out.flush();
}

}  // namespace disco
