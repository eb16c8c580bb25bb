#include "engine/run/EngineThreads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace disco {

namespace {

using Clock = std::chrono::steady_clock;

enum class SlotState { kWaiting, kRunning, kFinishing, kDone, kAbandoned };

struct Slot {
  DeviceRun* device = nullptr;  // the run the worker uses; the supervisor never reads it in flight
  SlotState state = SlotState::kWaiting;
  Clock::time_point started;
  // What the device had before this pool, for a stand-in: read while no worker runs.
  double secondsBefore = 0;
  bool passedFilter = false;
  size_t arpEntries = 0;
};

// Everything the workers touch, shared with them so that a worker left inside an abandoned step
// finds it alive whenever that step returns.
struct Pool {
  std::function<void(DeviceRun&)> step;
  std::function<void(size_t, DeviceRun&)> done;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Slot> slots;  // a deque: a worker's slot stays put while the feed adds others
  size_t next = 0;
  bool stopping = false;
  bool feeding = false;          // more devices may come: idle workers wait for them
  size_t idle = 0;               // workers waiting for a device
  size_t abandonedInFlight = 0;  // workers inside an abandoned step
  std::vector<bool> exited;      // per worker
  size_t exitedCount = 0;
};

void RunStep(DeviceRun& device, const std::function<void(DeviceRun&)>& step) {
  auto start = Clock::now();
  CTolErrorSink* previous = TolSetThreadErrorSink(&device.errors);
  step(device);
  TolSetThreadErrorSink(previous);
  device.seconds += std::chrono::duration<double>(Clock::now() - start).count();
}

void Work(const std::shared_ptr<Pool>& pool, size_t worker) {
  std::unique_lock<std::mutex> lock(pool->mutex);
  while (!pool->stopping) {
    if (pool->next >= pool->slots.size()) {
      if (!pool->feeding) break;
      ++pool->idle;
      pool->changed.notify_all();  // the supervisor feeds the idle workers
      pool->changed.wait(lock);
      --pool->idle;
      continue;
    }
    size_t i = pool->next++;
    Slot& slot = pool->slots[i];
    if (slot.state != SlotState::kWaiting) continue;
    slot.state = SlotState::kRunning;
    slot.started = Clock::now();
    DeviceRun* device = slot.device;
    lock.unlock();
    RunStep(*device, pool->step);
    lock.lock();
    if (slot.state == SlotState::kAbandoned) {
      // Back from a step given up on: the stand-in took the device's place, so this run is
      // held by nothing but this thread.
      --pool->abandonedInFlight;
      slot.device = nullptr;
      lock.unlock();
      delete device;
      lock.lock();
      continue;
    }
    slot.state = SlotState::kFinishing;
    lock.unlock();
    if (pool->done) pool->done(i, *device);
    lock.lock();
    slot.state = SlotState::kDone;
    pool->changed.notify_all();
  }
  pool->exited[worker] = true;
  ++pool->exitedCount;
  pool->changed.notify_all();
}

// Gives up on device `i`: its run stays with its worker, a stand-in takes its place.
void Abandon(Pool& pool, size_t i, std::vector<std::unique_ptr<DeviceRun>>& devices, DeviceEnd why,
             double seconds) {
  Slot& slot = pool.slots[i];
  if (slot.state == SlotState::kRunning) {
    auto standIn =
        std::make_unique<DeviceRun>(devices[i]->entry);  // the device entry stays as made
    standIn->passedFilter = slot.passedFilter;
    standIn->arpEntries = slot.arpEntries;
    for (const TolErrorRecord& r : slot.device->errors.Records()) standIn->errors.Report(r);
    standIn->ended = why;
    standIn->seconds = seconds;
    devices[i].release();  // still in use by its worker, which frees it when the step returns
    devices[i] = std::move(standIn);
    ++pool.abandonedInFlight;
  } else {
    devices[i]->ended = why;  // not started: nobody else holds it
  }
  slot.state = SlotState::kAbandoned;
}

}  // namespace

PoolEnd ForEachDevice(std::vector<std::unique_ptr<DeviceRun>>& devices, int threads,
                      const std::function<void(DeviceRun&)>& step,
                      const std::function<void(size_t, DeviceRun&)>& done, const PoolLimits& limits,
                      const std::function<bool(size_t)>& feed) {
  auto pool = std::make_shared<Pool>();
  pool->step = step;
  pool->done = done;
  pool->feeding = static_cast<bool>(feed);
  size_t waiting = 0;
  auto addSlots = [&]() {  // for the devices past the slots, with the lock held once workers run
    for (size_t i = pool->slots.size(); i < devices.size(); ++i) {
      const DeviceRun& d = *devices[i];
      Slot slot;
      slot.device = devices[i].get();
      slot.secondsBefore = d.seconds;
      slot.passedFilter = d.passedFilter;
      slot.arpEntries = d.arpEntries;
      if (d.ended != DeviceEnd::kThrough) {
        slot.state = SlotState::kDone;
      } else {
        ++waiting;
      }
      pool->slots.push_back(slot);
    }
  };
  addSlots();
  size_t count = static_cast<size_t>(std::max(1, threads));
  if (!feed) count = std::min(waiting, count);
  std::vector<std::thread> workers;
  auto startWorker = [&]() {  // with the lock held
    pool->exited.push_back(false);
    workers.emplace_back(Work, pool, workers.size());
  };
  PoolEnd end;
  std::unique_lock<std::mutex> lock(pool->mutex);
  for (size_t t = 0; t < count; ++t) startWorker();
  for (;;) {
    bool settled = true;
    bool anyWaiting = false;
    for (const Slot& s : pool->slots) {
      if (s.state != SlotState::kDone && s.state != SlotState::kAbandoned) settled = false;
      if (s.state == SlotState::kWaiting) anyWaiting = true;
    }
    // Settled, and every worker either gone or inside an abandoned step.
    if (settled && pool->exitedCount + pool->abandonedInFlight == workers.size()) break;
    if (anyWaiting && !pool->stopping &&
        pool->exitedCount + pool->abandonedInFlight == workers.size()) {
      startWorker();  // every worker is held by an abandoned device: the others need one
    }
    bool stop = limits.stopRequested && limits.stopRequested();
    if (stop && !pool->stopping) {
      pool->stopping = true;
      pool->changed.notify_all();  // idle workers leave
    }
    size_t unstarted = pool->slots.size() - pool->next;
    if (pool->feeding && !pool->stopping && pool->idle > unstarted) {
      size_t before = devices.size();
      size_t wanted = pool->idle - unstarted;
      lock.unlock();
      bool more = feed(wanted);
      lock.lock();
      addSlots();
      if (!more || devices.size() == before) pool->feeding = false;
      pool->changed.notify_all();
      continue;  // look again at once: the new devices may already be taken
    }
    auto now = Clock::now();
    for (size_t i = 0; i < pool->slots.size(); ++i) {
      Slot& s = pool->slots[i];
      double seconds = s.secondsBefore;
      if (s.state == SlotState::kRunning) {
        seconds += std::chrono::duration<double>(now - s.started).count();
      }
      bool late = limits.deviceSeconds > 0 && s.state == SlotState::kRunning &&
                  seconds > limits.deviceSeconds;
      bool cut = stop && (s.state == SlotState::kWaiting || s.state == SlotState::kRunning);
      if (!late && !cut) continue;
      Abandon(*pool, i, devices, late ? DeviceEnd::kTimedOut : DeviceEnd::kInterrupted, seconds);
      if (limits.ended) limits.ended(*devices[i]);
    }
    pool->changed.wait_for(lock, std::chrono::milliseconds(100));
  }
  // Workers still out are inside abandoned steps; they are let go, the others joined.
  end.stuck = pool->abandonedInFlight;
  std::vector<bool> exited = pool->exited;
  lock.unlock();
  for (size_t t = 0; t < workers.size(); ++t) {
    if (exited[t]) {
      workers[t].join();
    } else {
      workers[t].detach();
    }
  }
  return end;
}

}  // namespace disco
