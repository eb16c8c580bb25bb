// The engine's sleep, scaled so that tests can shorten every pause at once.
#include "host/TolSleep.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

double Sanitize(double scale) { return std::isfinite(scale) && scale > 0.0 ? scale : 0.0; }

double InitialScale() {
  const char* text = std::getenv("TOL_SLEEP_SCALE");
  if (text == nullptr || *text == '\0') {
    return 1.0;
  }
  char* end = nullptr;
  double scale = std::strtod(text, &end);
  if (end == text || *end != '\0') {
    return 1.0;  // not a number: keep real time rather than guess
  }
  return Sanitize(scale);
}

// Read from the environment once, at first use.
std::atomic<double>& Scale() {
  static std::atomic<double> scale(InitialScale());
  return scale;
}

// Whether pauses are ended, and the condition a pause waits on so that ending wakes it.
struct SleepGate {
  std::mutex mutex;
  std::condition_variable changed;
  bool ended = false;
};

SleepGate& Gate() {
  static SleepGate gate;
  return gate;
}

void SetEnded(bool ended) {
  SleepGate& gate = Gate();
  {
    std::lock_guard<std::mutex> lock(gate.mutex);
    gate.ended = ended;
  }
  gate.changed.notify_all();
}

}  // namespace

void TolEndSleeps() { SetEnded(true); }

void TolResumeSleeps() { SetEnded(false); }

void TolSetSleepScale(double scale) { Scale().store(Sanitize(scale)); }

double TolGetSleepScale() { return Scale().load(); }

void TolSleep(unsigned long milliseconds) {
  // Bound the pause to about a year so that huge arguments cannot overflow the duration type.
  constexpr double kMaxMicroseconds = 365.0 * 24 * 3600 * 1e6;
  double microseconds = static_cast<double>(milliseconds) * TolGetSleepScale() * 1000.0;
  if (microseconds > kMaxMicroseconds) {
    microseconds = kMaxMicroseconds;
  }
  long long whole = std::llround(microseconds);
  if (whole <= 0) {
    // A scaled-away sleep still gives other threads a turn, as a real one would.
    std::this_thread::yield();
    return;
  }
  SleepGate& gate = Gate();
  std::unique_lock<std::mutex> lock(gate.mutex);
  gate.changed.wait_for(lock, std::chrono::microseconds(whole), [&gate] { return gate.ended; });
}
