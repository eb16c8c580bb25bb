// A pool fed devices while it runs (a poller's engine threads taking the next job as soon as
// they are free): every device fed goes through its step once, on the index it was fed at; the
// feed is asked only for what idle threads can take; the pool ends when the feed does, and a
// stop ends it even while the feed would go on for ever.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/run/EngineThreads.h"

namespace disco {
namespace {

std::unique_ptr<DeviceRun> Device(int n) {
  DeviceEntry entry;
  entry.name = "sw-" + std::to_string(n);
  entry.address = "127.0.0.1";
  return std::make_unique<DeviceRun>(entry);
}

TEST(EngineThreadsFeedTest, EveryFedDeviceRunsOnceAndThePoolEndsWithTheFeed) {
  std::vector<std::unique_ptr<DeviceRun>> devices;
  devices.push_back(Device(0));  // one there from the start
  std::mutex mutex;
  std::vector<std::string> stepped, done;
  std::vector<size_t> asked;
  int fed = 1;
  const int kTotal = 23;
  auto feed = [&](size_t idle) {
    asked.push_back(idle);
    // Fewer than asked at times, as a queue other pollers share hands out.
    for (size_t i = 0; i < (idle > 1 ? idle - 1 : 1) && fed < kTotal; ++i) {
      devices.push_back(Device(fed++));
    }
    return fed < kTotal;
  };
  PoolEnd end = ForEachDevice(
      devices, 4,
      [&](DeviceRun& d) {
        std::lock_guard<std::mutex> lock(mutex);
        stepped.push_back(d.entry.name);
      },
      [&](size_t i, DeviceRun& d) {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(d.entry.name, "sw-" + std::to_string(i));
        done.push_back(d.entry.name);
      },
      {}, feed);
  EXPECT_EQ(end.stuck, 0u);
  ASSERT_EQ(devices.size(), static_cast<size_t>(kTotal));
  std::sort(stepped.begin(), stepped.end());
  std::vector<std::string> all;
  for (const auto& d : devices) all.push_back(d->entry.name);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(stepped, all);  // each once
  EXPECT_EQ(done.size(), all.size());
  for (size_t idle : asked) {
    EXPECT_GE(idle, 1u);
    EXPECT_LE(idle, 4u);
  }
}

TEST(EngineThreadsFeedTest, AStopEndsAPoolWhoseFeedNeverEnds) {
  std::vector<std::unique_ptr<DeviceRun>> devices;
  std::atomic<int> finished{0};
  int fed = 0;
  PoolLimits limits;
  limits.stopRequested = [&]() { return finished.load() >= 10; };
  PoolEnd end = ForEachDevice(
      devices, 3, [](DeviceRun&) {}, [&](size_t, DeviceRun&) { ++finished; }, limits,
      [&](size_t idle) {
        for (size_t i = 0; i < idle; ++i) devices.push_back(Device(fed++));
        return true;
      });
  // A stop does not wait for the steps it cuts: their workers (three at most) are left out.
  EXPECT_LE(end.stuck, 3u);
  EXPECT_GE(finished.load(), 10);
  // Whatever was fed and not through when the stop came is interrupted, never lost.
  int through = 0, interrupted = 0;
  for (const auto& d : devices) {
    (d->ended == DeviceEnd::kInterrupted ? interrupted : through) += 1;
  }
  EXPECT_EQ(through, finished.load());
  EXPECT_EQ(through + interrupted, fed);
}

}  // namespace
}  // namespace disco
