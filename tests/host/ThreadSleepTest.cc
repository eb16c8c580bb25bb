// TolSleep scaling and the CTolThread lock with its condition.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "host/CTolThread.h"
#include "host/TolSleep.h"

TEST(TolSleepTest, ScaleShortensEverySleep) {
  // A fresh process reads the initial scale from the environment at its first use
  // (nothing in this test may read it before).
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("TOL_SLEEP_SCALE", "0.25", 1);
        std::exit(TolGetSleepScale() == 0.25 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  const double before = TolGetSleepScale();
  // A day's sleep returns: unscaled, this test would hang until ctest ends it.
  TolSetSleepScale(1e-7);
  TolSleep(24 * 3600 * 1000UL);
  TolSetSleepScale(0);
  TolSleep(24 * 3600 * 1000UL);  // scaled to nothing: returns after yielding
  TolSetSleepScale(-3);
  EXPECT_DOUBLE_EQ(0.0, TolGetSleepScale());
  TolSetSleepScale(before);
}

TEST(TolSleepTest, EndingSleepsWakesAPauseAndShortensLaterOnes) {
  const double before = TolGetSleepScale();
  TolSetSleepScale(1.0);
  // A day's real pause: only TolEndSleeps lets it end within the (generous) bound.
  std::future<void> sleeper = std::async(std::launch::async, [] { TolSleep(24 * 3600 * 1000UL); });
  TolEndSleeps();
  EXPECT_EQ(std::future_status::ready, sleeper.wait_for(std::chrono::seconds(60)));
  TolSleep(24 * 3600 * 1000UL);  // ended: a later pause returns at once too
  TolResumeSleeps();
  TolSetSleepScale(before);
}

TEST(CTolThreadTest, BroadcastWakesEveryWaiterHoldingTheLock) {
  CTolThread lock;
  const int kWaiters = 4;
  int waiting = 0;     // guarded by lock
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
  for (bool all = false; !all; std::this_thread::yield()) {
    lock.RTLock();
    all = ready = waiting == kWaiters;
    lock.RTUnLock();
  }
  lock.RTBroadcast();
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(kWaiters, woken.load());
  EXPECT_EQ(0, overlaps.load());
}
