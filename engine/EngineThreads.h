// The engine threads: the pool on which devices go through the agent's steps, several at once.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "engine/DeviceRun.h"

namespace disco {

// Runs `step` once for every device on up to `threads` engine threads and returns when all are
// done, so that consecutive calls are phases separated by a barrier. While a device's step runs,
// its error log is the thread's error sink, so every report raised on that thread is the
// device's; the time spent is added to its `seconds`. `done`, when set, is then called on the
// same thread with the device's index, outside the step's time and error sink.
void ForEachDevice(std::vector<std::unique_ptr<DeviceRun>>& devices, int threads,
                   const std::function<void(DeviceRun&)>& step,
                   const std::function<void(size_t, DeviceRun&)>& done = {});

}  // namespace disco
