#include "engine/report/TopologySummary.h"

#include <algorithm>

#include "engine/base/DeviceText.h"
#include "engine/report/TopologyJson.h"

namespace disco {

namespace {

std::string Pad(const std::string& text, std::size_t width) {
  std::size_t n = CharacterCount(text);
  return n >= width ? text : text + std::string(width - n, ' ');
}

// A link's end: the switch's name (an outside switch names itself) and port, made safe.
std::string EndText(const TopologyView& v, const topology::LinkEnd& end) {
  std::string port = v.PortName(end);
  return TerminalText(v.NodeName(end.node), kNameWidth) + " " +
         (port.empty() ? "?" : TerminalText(port, kNameWidth));
}

std::string StpText(const TopologyView& v, const topology::LinkEnd& end) {
  std::string stp = v.InScope(end.node) && end.port >= 0 ? StpStateText(end.stpState) : "";
  return stp.empty() ? "-" : stp;
}

std::string Name(const TopologyView& v, std::uint32_t node) {
  return TerminalText(v.NodeName(node), kNameWidth);
}

// The neighbours a shared segment's line names; the results list them all.
constexpr std::size_t kSegmentNames = 8;

std::string NoteText(const TopologyView& v, const topology::Note& n) {
  switch (n.kind) {
    case topology::Note::kNameConflict: {
      std::string text = "name conflict: " + std::to_string(n.nodes.size()) +
                         " switches are named " + TerminalText(n.name, kNameWidth) + ":";
      for (std::size_t i = 0; i < n.nodes.size(); ++i) {
        text += std::string(i == 0 ? " " : ", ") + Name(v, n.nodes[i]) + " (" +
                (v.InScope(n.nodes[i]) ? "" : "outside, ") +
                TerminalText(v.NodeId(n.nodes[i]), kNameWidth) + ")";
      }
      return text;
    }
    case topology::Note::kContradictedClaim:
      return "contradicted claim, not a link: " + n.protocol + " on " + EndText(v, n.a) +
             " hears " + EndText(v, n.b) + ", but both ends' evidence ties the port elsewhere";
    case topology::Note::kLoop:
      return "loop: " + EndText(v, n.a) + " hears " + EndText(v, n.b) + " (" + n.protocol + ")";
    case topology::Note::kSpecialMacs:
      return std::to_string(n.count) +
             " forwarding entries of the all-zero, broadcast or multicast MAC address, not hosts";
    case topology::Note::kSharedSegment: {
      std::string text = "shared segment: " + EndText(v, n.a) + " hears " +
                         std::to_string(n.nodes.size()) + " switches, its hosts stay on it:";
      for (std::size_t i = 0; i < n.nodes.size() && i < kSegmentNames; ++i) {
        text += std::string(i == 0 ? " " : ", ") + Name(v, n.nodes[i]);
      }
      if (n.nodes.size() > kSegmentNames) {
        text += " and " + std::to_string(n.nodes.size() - kSegmentNames) + " more";
      }
      return text;
    }
  }
  return "";
}

}  // namespace

std::string TopologySummaryText(const TopologyView& v) {
  const topology::Topology& t = v.topology;
  std::string out = "Links (" + std::to_string(t.links.size()) + ")\n";
  std::size_t wa = 0, wb = 0, we = 0;
  for (const topology::Link& l : t.links) {
    wa = std::max(wa, CharacterCount(EndText(v, l.a)));
    wb = std::max(wb, CharacterCount(EndText(v, l.b)));
    we = std::max(we, TopologyView::EvidenceText(l).size());
  }
  for (const topology::Link& l : t.links) {
    out += "  " + Pad(EndText(v, l.a), wa) + "  -  " + Pad(EndText(v, l.b), wb) + "  " +
           Pad(TopologyView::EvidenceText(l), we) + "  " + StpText(v, l.a) + " / " +
           StpText(v, l.b) + (l.Blocked() ? "  (blocked)" : "") + "\n";
  }
  std::size_t shared = 0;
  for (const auto& port : v.hostsOnPort) shared += port.second.size() > 1 ? 1 : 0;
  out += "Hosts: " + std::to_string(t.hosts.size()) + " on " +
         std::to_string(v.hostsOnPort.size()) + " edge ports (" + std::to_string(shared) +
         " shared), " + std::to_string(t.undecided.size()) + " undecided; " +
         std::to_string(t.outside.size()) + " switch(es) outside the scope\n";
  if (!t.notes.empty()) {
    out += "Notes (" + std::to_string(t.notes.size()) + ")\n";
    for (const topology::Note& n : t.notes) out += "  " + NoteText(v, n) + "\n";
  }
  return out + "\n";
}

}  // namespace disco
