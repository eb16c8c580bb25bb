// The picture benchmark's driver: generates a network (engine/topology/SyntheticNetwork.h) with
// switches outside the scope heard by LLDP on edge ports of the discovered ones, infers its
// topology and writes the DOT text the engine writes for --dot; with --svg it also renders the
// picture as --svg does. Prints one line of key=value pairs: sizes, the nodes and edges of the
// picture, and the wall seconds of the rendering alone.
//
//   topology-picture-bench [--switches N] [--outside N] [--per-port N] [--hosts N]
//                          [--dot FILE] [--svg FILE]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/map/TopologyView.h"
#include "engine/report/Graphviz.h"
#include "engine/report/SafeFile.h"
#include "engine/report/TopologyDot.h"
#include "engine/topology/SyntheticNetwork.h"

namespace {

int Usage(const char* why) {
  std::fprintf(stderr,
               "topology-picture-bench: %s\nusage: topology-picture-bench [--switches N] "
               "[--outside N] [--per-port N] [--hosts N] [--dot FILE] [--svg FILE]\n",
               why);
  return 2;
}

// Hangs `outside` switches outside the scope on new edge ports of the network's switches, in
// turn, `perPort` of them heard on each port.
void AddOutsideSwitches(disco::topology::Network* n, long outside, long perPort) {
  using namespace disco::topology;
  for (long k = 0; k < outside; ++k) {
    auto sw = static_cast<std::uint32_t>((k / perPort) % static_cast<long>(n->switches.size()));
    std::vector<Port>& ports = n->switches[sw].ports;
    if (k % perPort == 0) {
      Port p;
      p.card = 9;
      p.number = static_cast<int>(ports.size()) + 1;
      p.name = "9:" + std::to_string(p.number);
      p.stpState = kStpForwarding;
      ports.push_back(p);
    }
    NeighbourClaim c;
    c.protocol = "lldp";
    c.sw = sw;
    c.port = static_cast<std::uint32_t>(ports.size() - 1);
    c.remoteMac = 0x02AA00000000ULL + static_cast<Mac>(k);
    c.remoteName = "far-" + std::to_string(k);
    c.remoteCard = 1;
    c.remotePort = 1;
    n->claims.push_back(c);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace disco::topology;
  SyntheticOptions o;
  o.everywhere = false;
  o.switches = 200;
  long outside = 800, perPort = 1, hosts = 2000;
  std::string dotPath, svgPath;
  for (int i = 1; i < argc; ++i) {
    if (i + 1 >= argc) return Usage("an option needs a value");
    std::string name = argv[i], value = argv[++i];
    if (name == "--dot") {
      dotPath = value;
      continue;
    }
    if (name == "--svg") {
      svgPath = value;
      continue;
    }
    char* end = nullptr;
    long n = std::strtol(value.c_str(), &end, 10);
    if (*end != '\0' || value.empty()) return Usage("a value is not a number");
    if (name == "--switches") {
      o.switches = static_cast<int>(n);
    } else if (name == "--outside") {
      outside = n;
    } else if (name == "--per-port") {
      perPort = n;
    } else if (name == "--hosts") {
      hosts = n;
    } else {
      return Usage("unknown option");
    }
  }
  if (o.switches < 2 || o.switches > 100000 || outside < 0 || perPort < 1 || hosts < 0) {
    return Usage("--switches 2..100000, --outside and --hosts 0 or more, --per-port 1 or more");
  }
  o.hubs = o.switches / 10;
  o.redundantLinks = o.switches / 20;
  o.hostsPerSwitch = static_cast<int>(hosts / o.switches);
  SyntheticNetwork net = Generate(o);
  AddOutsideSwitches(&net.network, outside, perPort);
  disco::TopologyView view =
      disco::TopologyView::Build(std::move(net.network), {}, [](Mac) { return std::string(); });
  std::string dot = disco::TopologyDot(view);
  std::string error;
  if (!dotPath.empty() && !disco::WriteTextFile(dotPath, dot, &error)) {
    std::fprintf(stderr, "topology-picture-bench: %s\n", error.c_str());
    return 1;
  }
  double renderSeconds = 0;
  if (!svgPath.empty()) {
    auto start = std::chrono::steady_clock::now();
    if (disco::RenderSvg(dot, svgPath, {}, &error) != disco::RenderOutcome::kWritten) {
      std::fprintf(stderr, "topology-picture-bench: %s\n", error.c_str());
      return 1;
    }
    renderSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  std::size_t nodes = 0, edges = 0;
  for (std::size_t at = dot.find(" [shape="); at != std::string::npos;
       at = dot.find(" [shape=", at + 1)) {
    ++nodes;
  }
  for (std::size_t at = dot.find(" -- "); at != std::string::npos; at = dot.find(" -- ", at + 1)) {
    ++edges;
  }
  std::printf(
      "switches=%zu outside=%zu links=%zu hosts=%zu nodes=%zu edges=%zu dot_bytes=%zu "
      "render_s=%.3f\n",
      view.network.switches.size(), view.topology.outside.size(), view.topology.links.size(),
      view.topology.hosts.size(), nodes, edges, dot.size(), renderSeconds);
  return 0;
}
