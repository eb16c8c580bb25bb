#include "engine/report/TopologyDot.h"

#include <map>
#include <sstream>

#include "engine/base/DeviceText.h"
#include "engine/report/PictureLayout.h"
#include "engine/report/SafeFile.h"
#include "engine/report/TopologyJson.h"

namespace disco {

namespace {

// A DOT double-quoted string whose lines are the lines of `text`, each made safe for a label.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (std::size_t at = 0;;) {
    std::size_t end = text.find('\n', at);
    out += DotLabelText(std::string_view(text).substr(at, end - at), kLabelWidth);
    if (end == std::string::npos) break;
    out.append("\\n");
    at = end + 1;
  }
  return out + "\"";
}

// A name a device gave, as one line of a label.
std::string Line(const std::string& text) { return TerminalText(text, kLabelWidth); }

std::string NodeId(const TopologyView& v, std::uint32_t node) {
  return Quoted((v.InScope(node) ? "switch " : "outside ") + std::to_string(node));
}

// "12 hosts on 3 edge ports" of {hosts, ports}.
std::string HostCount(const std::pair<std::size_t, std::size_t>& counts) {
  return std::to_string(counts.first) + " hosts on " + std::to_string(counts.second) +
         " edge ports";
}

}  // namespace

std::string TopologyDot(const TopologyView& v, std::size_t hostsPerNote, std::size_t maxNotes) {
  const PictureLayout layout = PlanPicture(v, maxNotes);
  std::ostringstream dot;
  dot << "graph topology {\n"
      << "  graph [overlap=false, splines=" << (layout.large ? "line" : "true")
      << ", fontname=\"Helvetica\"";
  if (!layout.caption.empty()) dot << ", labelloc=t, label=" << Quoted(layout.caption);
  dot << "];\n"
      << "  node [fontname=\"Helvetica\", fontsize=10];\n"
      << "  edge [fontname=\"Helvetica\", fontsize=9];\n";
  std::map<std::uint32_t, std::pair<std::size_t, std::size_t>> hostsOf;  // hosts, edge ports
  for (const auto& port : v.hostsOnPort) {
    auto& counts = hostsOf[port.first.sw];
    counts.first += port.second.size();
    ++counts.second;
  }
  for (std::uint32_t i = 0; i < v.network.switches.size(); ++i) {
    const topology::Switch& sw = v.network.switches[i];
    std::string label = Line(sw.name) + "\n" + Line(sw.address);
    auto hosts = hostsOf.find(i);
    if (layout.large && hosts != hostsOf.end()) {  // in the box: no note of its own
      label += "\n" + HostCount(hosts->second);
    }
    if (layout.outsideInBox[i] > 0) {
      label += "\n" + std::to_string(layout.outsideInBox[i]) + " switches outside the scope";
    }
    dot << "  " << NodeId(v, i) << " [shape=box, style=bold, label=" << Quoted(label) << "];\n";
  }
  const auto inScope = static_cast<std::uint32_t>(v.network.switches.size());
  for (std::size_t k = 0; k < v.topology.outside.size(); ++k) {
    if (layout.boxOf[k] != k) continue;  // in another's box, or counted in a switch's
    auto node = static_cast<std::uint32_t>(inScope + k);
    const std::vector<std::size_t>& sharing = layout.sharing[k];
    std::string label;
    if (sharing.empty()) {
      label = Line(v.NodeName(node));
      std::string id = TopologyView::OutsideId(v.topology.outside[k]);
      if (!id.empty() && id != v.NodeName(node)) label += "\n" + Line(id);
    } else {
      label = std::to_string(sharing.size()) + " switches";
      for (std::size_t m = 0; m < sharing.size() && m < hostsPerNote; ++m) {
        label += "\n" + Line(v.NodeName(static_cast<std::uint32_t>(inScope + sharing[m])));
      }
      if (sharing.size() > hostsPerNote) {
        label += "\n(" + std::to_string(sharing.size() - hostsPerNote) + " more)";
      }
    }
    dot << "  " << NodeId(v, node)
        << " [shape=box, style=dashed, label=" << Quoted(label + "\n(outside the scope)") << "];\n";
  }
  for (std::size_t i = 0; i < v.topology.links.size(); ++i) {
    if (layout.linkLeftOut[i]) continue;
    const topology::Link& l = v.topology.links[i];
    std::uint32_t a = l.a.node, b = l.b.node;
    if (!v.InScope(a)) a = static_cast<std::uint32_t>(inScope + layout.boxOf[a - inScope]);
    if (!v.InScope(b)) b = static_cast<std::uint32_t>(inScope + layout.boxOf[b - inScope]);
    bool shared = (!v.InScope(a) && !layout.sharing[a - inScope].empty()) ||
                  (!v.InScope(b) && !layout.sharing[b - inScope].empty());
    std::string portA = v.PortName(l.a), portB = shared && !v.InScope(b) ? "" : v.PortName(l.b);
    if (shared && !v.InScope(a)) portA = "";
    dot << "  " << NodeId(v, a) << " -- " << NodeId(v, b) << " [";
    if (!layout.large) {
      dot << "label="
          << Quoted((portA.empty() ? "?" : portA) + " - " + (portB.empty() ? "?" : portB) + "\n" +
                    TopologyView::EvidenceText(l))
          << ", ";
    }
    dot << "taillabel=" << Quoted(portA) << ", headlabel=" << Quoted(portB);
    if (l.Blocked()) dot << ", style=dashed, color=gray40";
    dot << "];\n";
  }
  std::size_t note = 0;
  if (layout.hostsPerSwitch) {
    for (const auto& sw : hostsOf) {
      if (layout.large) break;  // counted in the switches' boxes
      std::string id = Quoted("hosts " + std::to_string(note++));
      dot << "  " << id << " [shape=note, fontsize=8, label=" << Quoted(HostCount(sw.second))
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
      std::string ip = v.HostAddress(h);
      label += Line(v.HostId(h)) + (ip.empty() ? "" : "  " + ip) + "\n";
    }
    if (hosts.size() > hostsPerNote) {
      label += "(" + std::to_string(hosts.size() - hostsPerNote) + " more)\n";
    }
    const topology::HostPlacement& first = v.topology.hosts[hosts[0]];
    if (first.behind >= 0)
      label +=
          "behind " +
          Line(v.NodeName(static_cast<std::uint32_t>(v.network.switches.size() + first.behind)));
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
