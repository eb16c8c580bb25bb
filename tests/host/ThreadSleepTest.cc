// TolSleep scaling and the CTolThread lock with its condition.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "host/CTolThread.h"
#include "host/TolSleep.h"

namespace {

double MillisecondsOf(unsigned long sleep) {
  auto start = std::chrono::steady_clock::now();
  TolSleep(sleep);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(TolSleepTest, ScaleShortensEverySleep) {
  const double before = TolGetSleepScale();
  TolSetSleepScale(0.01);
  EXPECT_DOUBLE_EQ(0.01, TolGetSleepScale());
  double elapsed = MillisecondsOf(2000);
  EXPECT_GE(elapsed, 20.0);
  EXPECT_LT(elapsed, 1000.0);
  TolSetSleepScale(0);
  EXPECT_LT(MillisecondsOf(120000), 1000.0);  // scaled to nothing: returns after yielding
  TolSetSleepScale(-3);
  EXPECT_DOUBLE_EQ(0.0, TolGetSleepScale());
  TolSetSleepScale(before);
}

TEST(TolSleepTest, InitialScaleComesFromTheEnvironment) {
  // A fresh process, so that the environment is read at its first use.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("TOL_SLEEP_SCALE", "0.25", 1);
        std::exit(TolGetSleepScale() == 0.25 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(CTolThreadTest, BroadcastWakesEveryWaiterHoldingTheLock) {
  CTolThread lock;
  const int kWaiters = 4;
  int waiting = 0;  // guarded by lock
  bool ready = false;  // guarded by lock
  std::atomic<int> inside{0}, woken{0}, overlaps{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kWaiters; ++i) {
    threads.emplace_back([&] {
      lock.RTLock();
      ++waiting;
      while (!ready) lock.RTConditionWaitNoLock();
      // Back from the wait with the lock held: no other waiter can be in here now.
      if (inside.fetch_add(1) != 0) ++overlaps;
      for (int k = 0; k < 100; ++k) std::this_thread::yield();
      inside.fetch_sub(1);
      ++woken;
      lock.RTUnLock();
    });
  }
  // The waiters give the lock up while they wait, so this loop can take it.
  for (;;) {
    lock.RTLock();
    bool all = waiting == kWaiters;
    if (all) ready = true;
    lock.RTUnLock();
    if (all) break;
    std::this_thread::yield();
  }
  lock.RTBroadcast();
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(kWaiters, woken.load());
  EXPECT_EQ(0, overlaps.load());
}
