#include "host/CDiscoDataReqHandler.h"

#include "host/CTolError.h"
#include "host/CTolQryInfo.h"
#include "host/TolTypes.h"

CDiscoDataReqHandler::CDiscoDataReqHandler(int, TolReplyCallback callback, void* application)
    : m_Callback(callback), m_Application(application) {
  m_Thread = std::thread(&CDiscoDataReqHandler::Run, this);
}

CDiscoDataReqHandler::~CDiscoDataReqHandler() {
  std::deque<CTolQryInfo*> undelivered;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Stop = true;
  }
  m_Changed.notify_all();
  if (m_Thread.joinable()) m_Thread.join();  // waits for a running callback to return
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    undelivered.swap(m_Queue);
  }
  for (CTolQryInfo* info : undelivered) delete info;
  m_Changed.notify_all();  // a DDRWaitIdle caller sees the empty queue
}

void CDiscoDataReqHandler::DDRPost(CTolQryInfo* info) {
  if (info == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Stop) {
      m_Queue.push_back(info);
      info = nullptr;
    }
  }
  delete info;  // refused: the handler is shutting down
  m_Changed.notify_all();
}

void CDiscoDataReqHandler::DDRWaitIdle() {
  std::unique_lock<std::mutex> lock(m_Mutex);
  m_Changed.wait(lock, [this] { return (m_Queue.empty() || m_Stop) && !m_Busy; });
}

void CDiscoDataReqHandler::Run() {
  std::unique_lock<std::mutex> lock(m_Mutex);
  while (true) {
    m_Changed.wait(lock, [this] { return m_Stop || !m_Queue.empty(); });
    if (m_Stop) return;
    CTolQryInfo* info = m_Queue.front();
    m_Queue.pop_front();
    m_Busy = true;
    lock.unlock();
    if (m_Callback != nullptr) {
      try {
        m_Callback(info, m_Application);  // the callback owns `info`
      } catch (...) {
        CTolError(TOL_ERR_FAILED, "CDiscoDataReqHandler", __LINE__,
                  "reply callback ended with an exception; the reply was dropped");
      }
    } else {
      delete info;
    }
    lock.lock();
    m_Busy = false;
    m_Changed.notify_all();
  }
}
