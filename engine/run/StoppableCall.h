// A long computation of the main thread (the topology's inference) that a stop request may cut
// short: it runs on a thread of its own while the caller watches for the stop.
#pragma once

#include <functional>

namespace disco {

// Runs `work` on a new thread and waits for it, polling `stopRequested` about ten times a
// second. True when `work` returned. False as soon as a stop is requested first: `work` then goes
// on alone and is never joined, so everything it uses must live until the process ends (the
// caller ends it with _Exit once its output is written).
bool CallUnlessStopped(std::function<void()> work, const std::function<bool()>& stopRequested);

}  // namespace disco
