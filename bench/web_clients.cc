// The web view benchmark's load: CLIENTS threads, each with one kept-alive connection, fetching
// the pages /switch/sw-NNNN of random switches from the view at ADDRESS for SECONDS. Prints
// "PAGES_PER_SECOND ERRORS" (bench/bench_web.py runs it):
//   web-bench-clients HOST PORT CLIENTS SECONDS SWITCHES
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: web-bench-clients HOST PORT CLIENTS SECONDS SWITCHES\n");
    return 2;
  }
  const std::string host = argv[1];
  const int port = std::atoi(argv[2]), clients = std::atoi(argv[3]);
  const double seconds = std::atof(argv[4]);
  const int switches = std::atoi(argv[5]);
  std::atomic<long> pages{0}, errors{0};
  const auto start = std::chrono::steady_clock::now();
  const auto stop = start + std::chrono::duration<double>(seconds);
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&, i] {
      std::mt19937 random(static_cast<unsigned>(i));
      httplib::Client client(host, port);
      client.set_keep_alive(true);
      char path[32];
      while (std::chrono::steady_clock::now() < stop) {
        std::snprintf(path, sizeof path, "/switch/sw-%04d", static_cast<int>(random() % switches));
        auto answer = client.Get(path);
        if (answer && answer->status == 200) {
          ++pages;
        } else {
          ++errors;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.1f %ld\n", static_cast<double>(pages) / took, static_cast<long>(errors));
  return 0;
}
