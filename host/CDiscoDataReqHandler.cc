#include "host/CDiscoDataReqHandler.h"

#include "host/CTolBag.h"
#include "host/CTolError.h"
#include "host/CTolMessage.h"
#include "host/CTolQryInfo.h"
#include "host/TolTypes.h"

namespace {

const char kSource[] = "CDiscoDataReqHandler";

}  // namespace

CDiscoDataReqHandler::CDiscoDataReqHandler(int, TolReplyCallback callback, void* application)
    : m_Callback(callback), m_Application(application) {
  m_Thread = std::thread(&CDiscoDataReqHandler::Run, this);
}

CDiscoDataReqHandler::~CDiscoDataReqHandler() {
  std::deque<Entry> undelivered;
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
  for (const Entry& e : undelivered) delete e.info;
  m_Changed.notify_all();  // a DDRWaitIdle caller sees the empty queue
}

void CDiscoDataReqHandler::Push(Entry entry) {
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Stop) {
      m_Queue.push_back(entry);
      entry.info = nullptr;
    }
  }
  delete entry.info;  // refused: the handler is shutting down
  m_Changed.notify_all();
}

void CDiscoDataReqHandler::DDRPost(CTolQryInfo* info) {
  if (info == nullptr) return;
  Entry entry;
  entry.info = info;
  Push(entry);
}

void CDiscoDataReqHandler::DDRPostAnswerEnd(std::shared_ptr<std::atomic<bool>> taken) {
  if (!taken) return;
  Entry entry;
  entry.taken = std::move(taken);
  Push(entry);
}

void CDiscoDataReqHandler::DDRWaitIdle() {
  std::unique_lock<std::mutex> lock(m_Mutex);
  m_Changed.wait(lock, [this] { return (m_Queue.empty() || m_Stop) && !m_Busy; });
}

bool CDiscoDataReqHandler::Deliver(CTolQryInfo* info) {
  if (m_Callback == nullptr) {
    delete info;
    return true;
  }
  try {
    m_Callback(info, m_Application);  // the callback owns `info`
    return true;
  } catch (...) {
    CTolError(TOL_ERR_FAILED, kSource, __LINE__,
              "reply callback ended with an exception; the reply was dropped");
    return false;
  }
}

void CDiscoDataReqHandler::PostReplacement() {
  CTolMessage* message = new CTolMessage();
  message->answerId = m_NextReplacementId--;
  message->payload = CTolBag::RBEncode({});
  message->taken = std::make_shared<std::atomic<bool>>(false);
  Entry reply;
  reply.info = new CTolQryInfo(message);
  Entry end;
  end.taken = message->taken;
  end.replacement = true;
  Push(reply);
  Push(end);
}

void CDiscoDataReqHandler::Run() {
  std::unique_lock<std::mutex> lock(m_Mutex);
  while (true) {
    m_Changed.wait(lock, [this] { return m_Stop || !m_Queue.empty(); });
    if (m_Stop) return;
    Entry entry = m_Queue.front();
    m_Queue.pop_front();
    m_Busy = true;
    lock.unlock();
    if (entry.info != nullptr) {
      const CTolMessage* message = entry.info->RQIDatum();
      const void* answer = message != nullptr ? message->taken.get() : nullptr;
      if (!Deliver(entry.info) && answer != nullptr) m_Threw.insert(answer);
    } else {
      // The end of an answer: it must have been read whole, or its reader waits for ever.
      bool threw = m_Threw.erase(entry.taken.get()) > 0;
      if (threw || !*entry.taken) {
        if (entry.replacement) {
          CTolError(TOL_ERR_FAILED, kSource, __LINE__,
                    "the empty answer put in place of a lost one was lost too");
        } else {
          CTolError(TOL_ERR_FAILED, kSource, __LINE__,
                    "an answer was not read whole; an empty answer takes its place");
          PostReplacement();
        }
      }
    }
    lock.lock();
    m_Busy = false;
    m_Changed.notify_all();
  }
}
