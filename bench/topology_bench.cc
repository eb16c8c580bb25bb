// The topology inference's benchmark driver: generates a network (engine/topology/
// SyntheticNetwork.h: switches learn every switch's address and the hosts between them and the
// root), infers its topology and prints one line of key=value pairs: sizes, the inference's CPU
// seconds (getrusage around the call, generation excluded) and how much of the truth it found.
//
//   topology-bench [--switches N] [--hosts N] [--loss F] [--seed N]
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "engine/topology/Infer.h"
#include "engine/topology/SyntheticNetwork.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int Usage(const char* why) {
  std::fprintf(stderr,
               "topology-bench: %s\nusage: topology-bench [--switches N] [--hosts N] "
               "[--loss F] [--seed N]\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace disco::topology;
  SyntheticOptions o;
  o.everywhere = false;
  o.switches = 1000;
  long hosts = 200000;
  for (int i = 1; i < argc; ++i) {
    if (i + 1 >= argc) return Usage("an option needs a value");
    char* end = nullptr;
    if (std::strcmp(argv[i], "--switches") == 0) {
      o.switches = static_cast<int>(std::strtol(argv[++i], &end, 10));
    } else if (std::strcmp(argv[i], "--hosts") == 0) {
      hosts = std::strtol(argv[++i], &end, 10);
    } else if (std::strcmp(argv[i], "--loss") == 0) {
      o.fdbLoss = std::strtod(argv[++i], &end);
    } else if (std::strcmp(argv[i], "--seed") == 0) {
      o.seed = std::strtoull(argv[++i], &end, 10);
    } else {
      return Usage("unknown option");
    }
    if (end == nullptr || *end != '\0') return Usage("a value is not a number");
  }
  if (o.switches < 2 || o.switches > 100000 || hosts < 0 || o.fdbLoss < 0 || o.fdbLoss >= 1) {
    return Usage("--switches 2..100000, --hosts 0 or more, --loss from 0 to below 1");
  }
  o.hubs = o.switches / 10;
  o.redundantLinks = o.switches / 20;
  long hubHosts = static_cast<long>(o.hubs) * o.hostsPerHub;
  o.hostsPerSwitch = static_cast<int>(std::max(0L, hosts - hubHosts) / o.switches);

  SyntheticNetwork net = Generate(o);
  long entries = 0;
  for (const Switch& s : net.network.switches) {
    for (const Port& p : s.ports) entries += static_cast<long>(p.fdb.size());
  }
  double before = CpuSeconds();
  Topology t = Infer(net.network);
  double cpu = CpuSeconds() - before;

  std::set<std::pair<std::pair<unsigned, int>, std::pair<unsigned, int>>> found;
  for (const Link& l : t.links) {
    std::pair<unsigned, int> a{l.a.node, l.a.port}, b{l.b.node, l.b.port};
    found.insert({std::min(a, b), std::max(a, b)});
  }
  long linksFound = 0;
  for (const TruthLink& l : net.links) {
    std::pair<unsigned, int> a{l.a.sw, static_cast<int>(l.a.port)};
    std::pair<unsigned, int> b{
        l.b.sw, l.b.sw >= net.network.switches.size() ? -1 : static_cast<int>(l.b.port)};
    linksFound += found.count({std::min(a, b), std::max(a, b)}) ? 1 : 0;
  }
  std::printf(
      "switches=%zu hosts=%zu entries=%ld links=%zu links_found=%ld "
      "links_inferred=%zu hosts_placed=%zu undecided=%zu infer_cpu_s=%.3f\n",
      net.network.switches.size(), net.hosts.size(), entries, net.links.size(), linksFound,
      t.links.size(), t.hosts.size(), t.undecided.size(), cpu);
  return 0;
}
