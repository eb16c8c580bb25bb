#include "engine/report/TopologyDot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/base/DeviceText.h"
#include "engine/report/SafeFile.h"
#include "engine/report/TopologyJson.h"

extern char** environ;

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
        << " [shape=box, style=bold, label=" << Quoted(Line(sw.name) + "\n" + Line(sw.address))
        << "];\n";
  }
  for (std::size_t k = 0; k < v.topology.outside.size(); ++k) {
    auto node = static_cast<std::uint32_t>(v.network.switches.size() + k);
    dot << "  " << NodeId(v, node) << " [shape=box, style=dashed, label="
        << Quoted(Line(v.NodeName(node)) + "\n" +
                  Line(TopologyView::OutsideId(v.topology.outside[k])) + "\n(outside the scope)")
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

bool GraphvizAvailable() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && access((dir + "/dot").c_str(), X_OK) == 0) return true;
  }
  return false;
}

namespace {

// Runs `dot -Tsvg input` with its output on `outFd`. False with `*why` set: dot missing, or its
// own message when it failed.
bool RunDot(const char* input, int outFd, std::string* why) {
  char messages[] = "/tmp/extreme-disco-dot-errors.XXXXXX";
  int errFd = mkstemp(messages);
  if (errFd < 0) {
    *why = std::string("cannot make a temporary file: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  char* argv[] = {const_cast<char*>("dot"), const_cast<char*>("-Tsvg"), const_cast<char*>(input),
                  nullptr};
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "dot", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  bool ok = true;
  if (rc != 0) {
    *why = std::string("cannot run Graphviz's dot (Debian package graphviz): ") + std::strerror(rc);
    ok = false;
  } else if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::ifstream in(messages);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *why = "dot failed" + (text.empty() ? std::string() : ": " + text);
    while (!why->empty() && why->back() == '\n') why->pop_back();
    ok = false;
  }
  close(errFd);
  std::remove(messages);
  return ok;
}

}  // namespace

bool RenderSvg(const std::string& dotText, const std::string& svgPath, std::string* error) {
  char input[] = "/tmp/extreme-disco-topology.XXXXXX";
  int fd = mkstemp(input);
  if (fd < 0) {
    *error = std::string("cannot make a temporary file for dot: ") + std::strerror(errno);
    return false;
  }
  bool ok = WriteAll(fd, dotText);
  std::string why = ok ? "" : std::strerror(errno);
  close(fd);
  // dot writes into a file made beside the target, renamed over it once complete.
  if (ok)
    ok = WriteFileWhole(
        svgPath, [&](int out, std::string* w) { return RunDot(input, out, w); }, &why);
  std::remove(input);
  if (!ok) *error = "cannot write " + svgPath + ": " + why;
  return ok;
}

}  // namespace disco
