#include "engine/run/StoppableCall.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace disco {

namespace {

// Shared with the thread, which may outlive the call.
struct CallState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

}  // namespace

bool CallUnlessStopped(std::function<void()> work, const std::function<bool()>& stopRequested) {
  auto state = std::make_shared<CallState>();
  std::thread thread([state, work = std::move(work)]() {
    work();
    std::lock_guard<std::mutex> lock(state->mutex);
    state->done = true;
    state->finished.notify_all();
  });
  std::unique_lock<std::mutex> lock(state->mutex);
  while (!state->done) {
    if (stopRequested && stopRequested()) {
      lock.unlock();
      thread.detach();
      return false;
    }
    state->finished.wait_for(lock, std::chrono::milliseconds(100));
  }
  lock.unlock();
  thread.join();
  return true;
}

}  // namespace disco
