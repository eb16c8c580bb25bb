// Receives the replies to the queries sent with it. It owns a reply thread that calls the
// callback for each reply, one at a time, in arrival order, never from inside the send.
//
// Every answer reaches its reader: when an answer's messages have all been delivered and none
// of them was decoded (a message lost or malformed, an undecodable payload) or a callback ended
// with an exception, the handler delivers an empty answer in its place (one message, an empty
// bag), so that a reader waiting for the answer always gets one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
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
  // Marks the end of an answer whose messages were all posted; `taken` is their shared flag.
  // Thread-safe.
  void DDRPostAnswerEnd(std::shared_ptr<std::atomic<bool>> taken);
  // Blocks until no reply is queued and the callback is not running. Thread-safe; for tests and
  // orderly shutdown.
  void DDRWaitIdle();

 private:
  // A reply to deliver, or (info null) the end of an answer.
  struct Entry {
    CTolQryInfo* info = nullptr;
    std::shared_ptr<std::atomic<bool>> taken;
    bool replacement = false;  // the end of an empty answer posted in place of a lost one
  };

  void Run();
  void Push(Entry entry);
  // Delivers one reply; false when the callback ended with an exception.
  bool Deliver(CTolQryInfo* info);
  // Queues the empty answer that stands for a lost one.
  void PostReplacement();

  TolReplyCallback m_Callback;
  void* m_Application;
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  std::deque<Entry> m_Queue;
  std::set<const void*> m_Threw;  // answers (by taken flag) a callback threw on; reply thread
  unsigned long m_NextReplacementId = ~0UL;  // counts down, away from the engine's answer ids
  bool m_Busy = false;
  bool m_Stop = false;
  std::thread m_Thread;
};
