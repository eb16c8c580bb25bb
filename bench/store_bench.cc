// The inventory store's benchmark: a synthetic network of 1,000 switches (48 ports each, linked
// as a tree) and 200,000 hosts written run after run into SQLite and into PostgreSQL (a
// throwaway server this program starts), 1% of the hosts moving to another port at every run
// after the second. Prints one Markdown table row per store (doc/inventory.md):
//   store-bench [--runs N] [--switches N] [--hosts N] [--store sqlite|postgresql|both]
//               [--postgresql URI (an existing, empty database instead of a throwaway server)]
//               [--keep FILE (the SQLite store is written to FILE and kept, for the web view's
//               benchmark)]
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "engine/store/Store.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

using namespace disco::store;

namespace {

struct Settings {
  int runs = 100, switches = 1000, hosts = 200000;
  std::string stores = "both";
  std::string postgres;  // an existing database instead of a throwaway server
  std::string keep;      // where the SQLite store is kept ("": a temporary folder)
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Mac(std::int64_t n) {
  char text[18];
  std::snprintf(text, sizeof text, "02:00:%02x:%02x:%02x:%02x", int(n >> 24 & 0xff),
                int(n >> 16 & 0xff), int(n >> 8 & 0xff), int(n & 0xff));
  return text;
}

std::string Ip(std::int64_t n) {
  return "10." + std::to_string(n >> 16 & 0xff) + "." + std::to_string(n >> 8 & 0xff) + "." +
         std::to_string(n & 0xff);
}

std::string Switch(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "sw-%04d", i);
  return text;
}

// Ports 1:1..1:40 are access ports, 1:41..1:47 lead to the switch's children (fan-out 7) and
// 1:48 to its parent.
RunSnapshot Network(const Settings& s) {
  RunSnapshot r;
  r.run = {"bench.yaml", "2.0.0", 0, 0, s.switches, s.switches};
  for (int i = 0; i < s.switches; ++i) {
    r.devices.push_back({Switch(i), Ip(0x100000 + i), Switch(i) + ".example",
                         "1.3.6.1.4.1.1916.2.1", Mac(0x7f000000 + i), true});
    for (int p = 1; p <= 48; ++p) {
      r.interfaces.push_back({Switch(i), "1:" + std::to_string(p), 1000 + p,
                              "Port " + std::to_string(p), p <= 30 ? "up" : "down",
                              p > 40 ? "forwarding" : "", "Default(1)"});
    }
    if (i > 0) {
      int parent = (i - 1) / 7, k = (i - 1) % 7;
      r.links.push_back(
          {Switch(parent), "1:" + std::to_string(41 + k), Switch(i), "1:48", "edp", "forwarding"});
    }
  }
  for (int h = 0; h < s.hosts; ++h) {
    r.hosts.push_back({Mac(h), Ip(h), 10 + h % 4, Switch(h % s.switches),
                       "1:" + std::to_string(1 + (h / s.switches) % 40), "fdb"});
  }
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::int64_t FileBytes(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

bool Bench(const std::string& name, const std::string& target, const std::string& file,
           const Settings& s) {
  std::string error;
  auto store = OpenStore(target, {}, &error);
  if (!store) {
    std::cerr << name << ": " << error << "\n";
    return false;
  }
  RunSnapshot run = Network(s);
  std::mt19937 random(7);
  double firstWrite = 0, secondWrite = 0, movingWrites = 0;
  std::int64_t t = 1796587200;
  for (int i = 0; i < s.runs; ++i, t += 3600) {
    run.run.started = t;
    run.run.ended = t + 600;
    if (i >= 2) {
      for (int m = 0; m < s.hosts / 100; ++m) {
        HostFact& h = run.hosts[random() % run.hosts.size()];
        h.port = "1:" + std::to_string(1 + random() % 40);
      }
    }
    auto start = std::chrono::steady_clock::now();
    if (store->WriteRun(run, nullptr, &error) == 0) {
      std::cerr << name << ": run " << i + 1 << ": " << error << "\n";
      return false;
    }
    double took = Seconds(start);
    (i == 0 ? firstWrite : i == 1 ? secondWrite : movingWrites) += took;
    if (i % 10 == 9) std::cerr << name << ": " << i + 1 << " runs written\n";
  }
  std::vector<double> byMac, byIp;
  for (int i = 0; i < 201; ++i) {
    std::int64_t h = random() % s.hosts;
    FindResult found;
    for (auto* times : {&byMac, &byIp}) {
      auto start = std::chrono::steady_clock::now();
      if (!store->Find(times == &byMac ? Mac(h) : Ip(h), &found, &error) || found.matches.empty()) {
        std::cerr << name << ": find " << h << " failed: " << error << "\n";
        return false;
      }
      times->push_back(Seconds(start) * 1000);
    }
  }
  ChangesResult changes;
  auto start = std::chrono::steady_clock::now();
  if (!store->Changes(0, 0, &changes, &error)) {
    std::cerr << name << ": changes: " << error << "\n";
    return false;
  }
  double changesSeconds = Seconds(start);
  std::int64_t rows = 0, bytes = 0;
  if (!store->Stats(&rows, &bytes, &error)) {
    std::cerr << name << ": " << error << "\n";
    return false;
  }
  store.reset();  // SQLite checkpoints its log into the file when the last connection closes
  if (!file.empty()) bytes = FileBytes(file) + FileBytes(file + "-wal");
  std::printf(
      "| %s | %.2f s | %.2f s | %.2f s | %d | %lld | %.0f | %.2f ms | %.2f ms | %.3f s "
      "(%zu moved) |\n",
      name.c_str(), firstWrite, secondWrite, s.runs > 2 ? movingWrites / (s.runs - 2) : 0.0, s.runs,
      static_cast<long long>(rows), rows ? double(bytes) / double(rows) : 0.0, Median(byMac),
      Median(byIp), changesSeconds, changes.hostsMoved.size());
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i], value = argv[i + 1];
    if (option == "--runs") {
      s.runs = std::max(2, std::atoi(value.c_str()));
    } else if (option == "--switches") {
      s.switches = std::max(2, std::atoi(value.c_str()));
    } else if (option == "--hosts") {
      s.hosts = std::max(100, std::atoi(value.c_str()));
    } else if (option == "--postgresql") {
      s.postgres = value;
    } else if (option == "--store") {
      s.stores = value;
    } else if (option == "--keep") {
      s.keep = value;
    } else {
      std::cerr << "usage: store-bench [--runs N] [--switches N] [--hosts N]"
                   " [--store sqlite|postgresql|both] [--postgresql URI] [--keep FILE]\n";
      return 2;
    }
  }
  std::printf(
      "| store | first run | second, identical | later runs (mean) | runs | sighting "
      "rows | bytes per row | find by MAC (median) | find by IP (median) | changes |\n"
      "|---|---|---|---|---|---|---|---|---|---|\n");
  bool ok = true;
  TempDir dir;
  if (s.stores != "postgresql") {
    std::string file = s.keep.empty() ? dir.Path() + "/inventory.db" : s.keep;
    ok = Bench("SQLite", file, file, s) && ok;
  }
  if (s.stores != "sqlite" && !s.postgres.empty()) {
    ok = Bench("PostgreSQL", s.postgres, "", s) && ok;
  } else if (s.stores != "sqlite") {
    PostgresServer server;
    std::string error;
    if (!server.Start(true, &error)) {
      std::cerr << "PostgreSQL: " << error << "\n";
      return 1;
    }
    ok = Bench("PostgreSQL", server.Uri(), "", s) && ok;
  }
  return ok ? 0 : 1;
}
