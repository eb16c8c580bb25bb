#include "engine/EngineThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace disco {

namespace {

void RunStep(DeviceRun& device, const std::function<void(DeviceRun&)>& step) {
  auto start = std::chrono::steady_clock::now();
  CTolErrorSink* previous = TolSetThreadErrorSink(&device.errors);
  step(device);
  TolSetThreadErrorSink(previous);
  device.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

void ForEachDevice(std::vector<std::unique_ptr<DeviceRun>>& devices, int threads,
                   const std::function<void(DeviceRun&)>& step,
                   const std::function<void(size_t, DeviceRun&)>& done) {
  std::atomic<size_t> next{0};
  auto worker = [&]() {
    for (size_t i = next++; i < devices.size(); i = next++) {
      RunStep(*devices[i], step);
      if (done) done(i, *devices[i]);
    }
  };
  size_t count = std::min(devices.size(), static_cast<size_t>(std::max(1, threads)));
  std::vector<std::thread> pool;
  for (size_t t = 1; t < count; ++t) pool.emplace_back(worker);
  worker();  // the calling thread is one of the engine threads
  for (std::thread& t : pool) t.join();
}

}  // namespace disco
