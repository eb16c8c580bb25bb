// The pollers' job queue benchmark: a run of N devices enqueued in a throwaway PostgreSQL server
// this program starts, then P poller threads (each its own connection, as a poller process has)
// taking one job at a time through both stages and writing each device's results of a typical
// size, without SNMP. Prints the queue's own cost: enqueue time, jobs per second, and the time of
// a take and of a finishing write per job. With --read-batch, then reads every device's results
// back as `export` does, that many devices per statement, and prints to standard error how long
// it took and how far the resident memory rose meanwhile.
//   queue-bench [--devices N] [--pollers P] [--result-bytes B] [--read-batch K]
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/store/JobQueue.h"
#include "support/PostgresServer.h"

using namespace disco::store;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The process's resident memory now, from /proc/self/statm.
long ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

int main(int argc, char** argv) {
  int devices = 2000, pollers = 4, resultBytes = 20000, readBatch = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    int value = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--devices") == 0) devices = value;
    if (std::strcmp(argv[i], "--pollers") == 0) pollers = value;
    if (std::strcmp(argv[i], "--result-bytes") == 0) resultBytes = value;
    if (std::strcmp(argv[i], "--read-batch") == 0) readBatch = value;
  }
  PostgresServer server;
  std::string error;
  if (!server.Start(true, &error)) {
    std::cerr << "queue-bench: " << error << "\n";
    return 1;
  }
  std::unique_ptr<JobQueue> queue = JobQueue::Open(server.Uri(), "enqueue", 60, 3, &error);
  if (!queue) {
    std::cerr << "queue-bench: " << error << "\n";
    return 1;
  }
  std::vector<QueuedDevice> jobs;
  for (int i = 0; i < devices; ++i) {
    std::string name = "sw-" + std::to_string(i);
    jobs.push_back({name, "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250), "",
                    161, "{\"name\": \"" + name + "\"}"});
  }
  auto start = Clock::now();
  std::int64_t run = queue->Enqueue("bench", "{}", jobs, &error);
  double enqueueSeconds = Seconds(start);
  if (run == 0) {
    std::cerr << "queue-bench: " << error << "\n";
    return 1;
  }
  DeviceResult result;
  result.results = std::string(static_cast<std::size_t>(resultBytes), 'r');
  result.summary = std::string(static_cast<std::size_t>(resultBytes / 10), 's');
  result.topology =
      "{\"switch\": \"" + std::string(static_cast<std::size_t>(resultBytes / 2), 't') + "\"}";
  result.inventory =
      "{\"device\": \"" + std::string(static_cast<std::size_t>(resultBytes / 4), 'i') + "\"}";
  result.facts = "{}";
  std::atomic<long> takes{0}, finishes{0};
  std::atomic<long long> takeMicros{0}, finishMicros{0};
  std::mutex errorMutex;
  std::vector<std::thread> threads;
  start = Clock::now();
  for (int p = 0; p < pollers; ++p) {
    threads.emplace_back([&, p]() {
      std::string why;
      auto mine = JobQueue::Open(server.Uri(), "poller-" + std::to_string(p), 60, 3, &why);
      for (int idle = 0; mine && idle < 50;) {
        std::vector<TakenJob> taken;
        auto t = Clock::now();
        if (!mine->Take(TakeFilter(), &taken, &why)) break;
        if (!taken.empty()) {
          takeMicros += static_cast<long long>(Seconds(t) * 1e6);
          ++takes;
        }
        if (taken.empty()) {
          ++idle;  // the other stage waits for the first to end
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
          continue;
        }
        idle = 0;
        for (const TakenJob& job : taken) {
          t = Clock::now();
          JobQueue::Finished f = job.stage == "arp" ? mine->FinishArp(job, "{}", &why)
                                                    : mine->FinishDevice(job, result, &why);
          finishMicros += static_cast<long long>(Seconds(t) * 1e6);
          ++finishes;
          if (f != JobQueue::Finished::kDone) {
            std::lock_guard<std::mutex> lock(errorMutex);
            std::cerr << "queue-bench: a job was not finished: " << why << "\n";
          }
        }
      }
      if (!why.empty()) {
        std::lock_guard<std::mutex> lock(errorMutex);
        std::cerr << "queue-bench: " << why << "\n";
      }
    });
  }
  for (std::thread& t : threads) t.join();
  double seconds = Seconds(start);
  std::vector<QueueRunRow> runs;
  if (!queue->Runs(&runs, &error) || runs.empty() || runs[0].done != devices) {
    std::cerr << "queue-bench: not every job is done\n";
    return 1;
  }
  std::printf("| %d | %d | %d | %.2f | %.0f | %.2f | %.2f |\n", devices, pollers, resultBytes,
              enqueueSeconds, devices / seconds, takeMicros / 1000.0 / takes,
              finishMicros / 1000.0 / finishes);
  if (readBatch > 0) {
    queue->SetResultsBatch(readBatch);
    const long before = ResidentBytes();
    long peak = before, bytes = 0, read = 0;
    start = Clock::now();
    bool ok = queue->RunResults(
        run, true,
        [&](DeviceResult&& r, std::string*) {
          peak = std::max(peak, ResidentBytes());
          bytes += static_cast<long>(r.results.size() + r.summary.size() + r.topology.size() +
                                     r.inventory.size());
          ++read;
          return true;
        },
        &error);
    if (!ok) {
      std::cerr << "queue-bench: " << error << "\n";
      return 1;
    }
    std::fprintf(stderr,
                 "read back %ld devices (%.0f MB) %d at a time in %.2f s; resident memory rose "
                 "%.0f MiB\n",
                 read, bytes / 1e6, readBatch, Seconds(start), (peak - before) / 1048576.0);
  }
  return 0;
}
