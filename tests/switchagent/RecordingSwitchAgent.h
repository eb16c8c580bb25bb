// A concrete switch agent for tests: its steps do no work but record each call, and it exposes
// the ping state for assertions. Also small waiting and trace-capturing helpers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/CDiscoDataReqHandler.h"
#include "host/CTolThread.h"
#include "host/TolDebug.h"
#include "support/TraceCapture.h"
#include "switchagent/CDiscoSwitchAgent.h"

// Polls `done` every millisecond until it holds or 20 s have passed; returns its last value.
inline bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// Runs `fn` at trace level `level` and returns what it wrote to standard output.
inline std::string Traced(int level, const std::function<void()>& fn) {
  TraceCapture trace(level);
  fn();
  return trace.Text();
}

struct PingState {
  int requestSent, initialPingDone, count;
  bool Idle() const { return requestSent == 0 && initialPingDone == 0 && count == 0; }
};

class RecordingSwitchAgent : public CDiscoSwitchAgent {
 public:
  using CDiscoSwitchAgent::IsPortStatusAcceptable;

  // Each call as "<slot>" (slot 25 as "25:<aging time>"), with "@<ping count>" for 22 and 26, so
  // that the place of DSAInitPing and DSAStopPing shows. "!" marks a call with wrong stores.
  std::vector<std::string> TakeCalls() {  // the calls so far, forgetting them
    std::lock_guard<std::mutex> lock(m_CallsMutex);
    return std::exchange(m_Calls, {});
  }
  int CountCalls(const std::string& prefix) {  // calls so far that begin with `prefix`
    std::lock_guard<std::mutex> lock(m_CallsMutex);
    int n = 0;
    for (const std::string& c : m_Calls) n += (c.compare(0, prefix.size(), prefix) == 0);
    return n;
  }

  PingState State() {
    m_PingLock->RTLock();
    PingState s{m_DiscoRequestSent, m_InitialPingDone, m_PingCount};
    m_PingLock->RTUnLock();
    return s;
  }
  // REQUIRES: the reply thread idle (WaitReplyIdle).
  bool HasPingList() const { return m_PingList != nullptr; }
  // Waits until no device is in the cycle, then until the reply thread has finished its loop
  // (it reads the count after each pause, so it ends within one pause).
  bool WaitReplyIdle() {
    if (!WaitUntil([this] { return State().count <= 0; })) return false;
    m_PingLock->RTLock();
    CDiscoDataReqHandler* handler = m_DataReqHandler;
    m_PingLock->RTUnLock();
    if (handler != nullptr) handler->DDRWaitIdle();
    return true;
  }

 protected:
  int DSADownloadAgingTime(CTolRecord* d, CDiscoMediationData* m) override {
    Record("22@" + std::to_string(State().count), d, m);
    return 42;
  }
  void DSADownloadLocalNeighbours(CTolRecord* d, CDiscoMediationData* m) override {
    Record("23", d, m);
  }
  void DSADownloadVlanInfo(CTolRecord* d, CDiscoMediationData* m) override { Record("24", d, m); }
  void DSADownloadFdbTable(CTolRecord* d, CDiscoMediationData* m, int aging) override {
    Record("25:" + std::to_string(aging), d, m);
  }
  void DSAFurtherMediation(CTolRecord* d, CDiscoMediationData* m) override {
    Record("26@" + std::to_string(State().count), d, m);
  }
  void DSADownloadVlanTrunkInfo(CTolRecord& d, CDiscoMediationData& m) override {
    Record("27", &d, &m);
  }
  void DSAProcessFdbTable(CTolRecord* d, CDiscoMediationData* m) override { Record("28", d, m); }
  void DSAFurtherProcessing(CTolRecord* d, CDiscoMediationData* m) override { Record("29", d, m); }

 private:
  void Record(const std::string& call, CTolRecord* d, CDiscoMediationData* m) {
    const bool storesOk = d != nullptr && m != nullptr && DAGetMediationData(d) == m;
    std::lock_guard<std::mutex> lock(m_CallsMutex);
    m_Calls.push_back(storesOk ? call : call + "!");
  }

  std::mutex m_CallsMutex;
  std::vector<std::string> m_Calls;
};
