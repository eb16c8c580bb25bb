// A long computation the run watches: waited for to its end, or left to its thread as soon as a
// stop is requested (the topology's inference after Ctrl-C).
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "engine/run/StoppableCall.h"

namespace {

TEST(StoppableCallTest, WaitsForTheWorkOrLeavesItAtAStop) {
  int result = 0;
  EXPECT_TRUE(disco::CallUnlessStopped([&result] { result = 42; }, [] { return false; }));
  EXPECT_EQ(result, 42);

  // Work that would never end unless released: the call must return at the stop.
  auto release = std::make_shared<std::promise<void>>();
  std::shared_future<void> released = release->get_future().share();
  auto finished = std::make_shared<std::atomic<bool>>(false);
  std::atomic<int> polls{0};
  EXPECT_FALSE(disco::CallUnlessStopped(
      [released, finished] {
        released.wait();
        *finished = true;
      },
      [&polls] { return ++polls >= 3; }));
  EXPECT_FALSE(*finished);
  release->set_value();  // the left work ends on its own thread
}

}  // namespace
