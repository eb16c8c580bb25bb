// A lock with one condition variable. No thread is started by it.
#pragma once

#include <condition_variable>
#include <mutex>

class CTolThread {
 public:
  CTolThread() = default;
  CTolThread(const CTolThread&) = delete;
  CTolThread& operator=(const CTolThread&) = delete;
  virtual ~CTolThread() = default;

  int RTLock();
  int RTUnLock();
  // REQUIRES: the lock is held by the caller. Releases it while waiting and holds it again on
  // return. May wake spuriously: callers wait in a loop on their own condition.
  int RTConditionWaitNoLock();
  // Wakes every waiter. Needs no lock.
  int RTBroadcast();

 private:
  std::mutex m_Mutex;
  std::condition_variable m_Condition;
};
