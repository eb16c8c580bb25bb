// A lock with one condition variable.
#include "host/CTolThread.h"

#include "host/TolTypes.h"

int CTolThread::RTLock() {
  m_Mutex.lock();
  return TOL_OK;
}

int CTolThread::RTUnLock() {
  m_Mutex.unlock();
  return TOL_OK;
}

int CTolThread::RTConditionWaitNoLock() {
  // The caller already holds m_Mutex (RTLock): adopt it for the wait and keep it held afterwards.
  std::unique_lock<std::mutex> held(m_Mutex, std::adopt_lock);
  m_Condition.wait(held);
  held.release();
  return TOL_OK;
}

int CTolThread::RTBroadcast() {
  m_Condition.notify_all();
  return TOL_OK;
}
