// The engine threads: the pool on which devices go through the agent's steps, several at once,
// watched by the calling thread so that a stop request or a device over its time limit never
// holds the run.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "engine/run/DeviceRun.h"

namespace disco {

// How a pool may be cut short.
struct PoolLimits {
  // Polled about ten times a second; once true, no device starts and those in flight are
  // abandoned as interrupted.
  std::function<bool()> stopRequested;
  // When above 0: a device whose steps (in this pool and the ones before) took longer is
  // abandoned as timed out.
  double deviceSeconds = 0;
  // Told at once, on the calling thread, of each device the pool ends (its stand-in, below).
  std::function<void(const DeviceRun&)> ended;
};

// What a pool left behind.
struct PoolEnd {
  size_t stuck = 0;  // engine threads still inside an abandoned device's step
};

// Runs `step` once for every device not already ended on up to `threads` engine threads and
// returns when each is done or abandoned, so that consecutive calls are phases separated by a
// barrier. While a device's step runs, its error log is the thread's error sink, so every report
// raised on that thread is the device's; the time spent is added to its `seconds`. `done`, when
// set, is then called on the same thread with the device's index, outside the step's time and
// error sink.
//
// A device abandoned while its step runs cannot be taken from its thread: its run is left to
// that thread, which frees it if the step ever returns, and its place in `devices` goes to a
// stand-in holding its device entry, what it had before the pool began, its error reports so far
// and its `ended`. `done` is not called for it. While PoolEnd::stuck is above 0, the objects `step`
// uses must live on: the process ends without tearing them down.
//
// With `feed` set, the pool also takes devices while it runs: whenever engine threads are idle
// and no device is left to start, `feed(idle)` is called on the calling thread, outside the
// pool's lock, to append up to that many devices to `devices`. It returns false once no more
// will come; a call that appends none ends the feeding too. Idle engine threads wait for it, and
// the pool returns once the feeding ended and every device is done or abandoned.
PoolEnd ForEachDevice(std::vector<std::unique_ptr<DeviceRun>>& devices, int threads,
                      const std::function<void(DeviceRun&)>& step,
                      const std::function<void(size_t, DeviceRun&)>& done = {},
                      const PoolLimits& limits = {},
                      const std::function<bool(size_t idle)>& feed = {});

}  // namespace disco
