// Receives the replies to the queries sent with it. It owns a reply thread that calls the
// callback for each reply, one at a time, in arrival order, never from inside the send.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class CTolQryInfo;

// `info` is a new CTolQryInfo that the callback owns; `application` is what the handler was made
// with.
typedef void (*TolReplyCallback)(void* info, void* application);

class CDiscoDataReqHandler {
 public:
  // Starts the reply thread. `id` is kept for the engine's signature.
  CDiscoDataReqHandler(int id, TolReplyCallback callback, void* application);
  CDiscoDataReqHandler(const CDiscoDataReqHandler&) = delete;
  CDiscoDataReqHandler& operator=(const CDiscoDataReqHandler&) = delete;
  // Waits for the callback running (if any) to return, drops the replies not yet delivered and
  // stops the thread. Must not be called from the reply thread.
  virtual ~CDiscoDataReqHandler();

  // Takes ownership of `info` and queues it for the reply thread. Thread-safe.
  void DDRPost(CTolQryInfo* info);
  // Blocks until no reply is queued and the callback is not running. Thread-safe; for tests and
  // orderly shutdown.
  void DDRWaitIdle();

 private:
  void Run();

  TolReplyCallback m_Callback;
  void* m_Application;
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  std::deque<CTolQryInfo*> m_Queue;
  bool m_Busy = false;
  bool m_Stop = false;
  std::thread m_Thread;
};
