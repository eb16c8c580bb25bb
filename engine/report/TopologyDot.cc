#include "engine/report/TopologyDot.h"

#include <map>
#include <sstream>

#include "engine/report/SafeFile.h"
#include "engine/report/TopologyJson.h"

namespace disco {

namespace {

// A DOT double-quoted string.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\n') {
      out.append("\\n");
      continue;
    }
    out.push_back(c);
  }
  return out + "\"";
}

std::string NodeId(const TopologyView& v, std::uint32_t node) {
  return Quoted((v.InScope(node) ? "switch " : "outside ") + std::to_string(node));
}

}  // namespace

std::string TopologyDot(const TopologyView& v, std::size_t hostsPerNote, std::size_t maxNotes) {
  std::ostringstream dot;
  dot << "graph topology {\n"
      << "  graph [overlap=false, splines=true, fontname=\"Helvetica\"];\n"
      << "  node [fontname=\"Helvetica\", fontsize=10];\n"
      << "  edge [fontname=\"Helvetica\", fontsize=9];\n";
  for (std::uint32_t i = 0; i < v.network.switches.size(); ++i) {
    const topology::Switch& sw = v.network.switches[i];
    dot << "  " << NodeId(v, i)
        << " [shape=box, style=bold, label=" << Quoted(sw.name + "\n" + sw.address) << "];\n";
  }
  for (std::size_t k = 0; k < v.topology.outside.size(); ++k) {
    auto node = static_cast<std::uint32_t>(v.network.switches.size() + k);
    dot << "  " << NodeId(v, node) << " [shape=box, style=dashed, label="
        << Quoted(v.NodeName(node) + "\n" + TopologyView::OutsideId(v.topology.outside[k]) +
                  "\n(outside the scope)")
        << "];\n";
  }
  for (const topology::Link& l : v.topology.links) {
    std::string a = v.PortName(l.a), b = v.PortName(l.b);
    dot << "  " << NodeId(v, l.a.node) << " -- " << NodeId(v, l.b.node) << " [label="
        << Quoted((a.empty() ? "?" : a) + " - " + (b.empty() ? "?" : b) + "\n" +
                  TopologyView::EvidenceText(l))
        << ", taillabel=" << Quoted(a) << ", headlabel=" << Quoted(b);
    if (l.Blocked()) dot << ", style=dashed, color=gray40";
    dot << "];\n";
  }
  std::size_t note = 0;
  if (v.hostsOnPort.size() > maxNotes) {
    std::map<std::uint32_t, std::pair<std::size_t, std::size_t>> perSwitch;  // hosts, ports
    for (const auto& port : v.hostsOnPort) {
      auto& counts = perSwitch[port.first.sw];
      counts.first += port.second.size();
      ++counts.second;
    }
    for (const auto& sw : perSwitch) {
      std::string id = Quoted("hosts " + std::to_string(note++));
      dot << "  " << id << " [shape=note, fontsize=8, label="
          << Quoted(std::to_string(sw.second.first) + " hosts on " +
                    std::to_string(sw.second.second) + " edge ports")
          << "];\n  " << NodeId(v, sw.first) << " -- " << id << ";\n";
    }
    dot << "}\n";
    return dot.str();
  }
  for (const auto& port : v.hostsOnPort) {
    std::string label;
    const auto& hosts = port.second;
    for (std::size_t k = 0; k < hosts.size() && k < hostsPerNote; ++k) {
      const topology::HostPlacement& h = v.topology.hosts[hosts[k]];
      std::string ip = v.AddressOf(h.mac);
      label += topology::MacText(h.mac) + (ip.empty() ? "" : "  " + ip) + "\n";
    }
    if (hosts.size() > hostsPerNote) {
      label += "(" + std::to_string(hosts.size() - hostsPerNote) + " more)\n";
    }
    const topology::HostPlacement& first = v.topology.hosts[hosts[0]];
    if (first.behind >= 0)
      label += "behind " +
               v.NodeName(static_cast<std::uint32_t>(v.network.switches.size() + first.behind));
    if (!label.empty() && label.back() == '\n') label.pop_back();
    std::string id = Quoted("hosts " + std::to_string(note++));
    dot << "  " << id << " [shape=note, fontsize=8, label=" << Quoted(label) << "];\n";
    dot << "  " << NodeId(v, port.first.sw) << " -- " << id
        << " [label=" << Quoted(v.PortName(port.first) + (hosts.size() > 1 ? " (shared)" : ""))
        << "];\n";
  }
  dot << "}\n";
  return dot.str();
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string* error) {
  std::string why;
  if (WriteFileWhole(
          path, [&text](int fd, std::string*) { return WriteAll(fd, text); }, &why)) {
    return true;
  }
  *error = "cannot write " + path + ": " + why;
  return false;
}

}  // namespace disco
