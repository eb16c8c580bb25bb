// Wires an agent to devices the way the engine does, for tests: an in-memory SNMP agent per
// device (from .snmprec text), a counting pinger, an ARP table, and the message bus with the
// in-scope address service.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/CDiscoAgent.h"
#include "host/CDiscoArpService.h"
#include "host/CDiscoMediationData.h"
#include "host/CDiscoPinger.h"
#include "host/CDiscoProcessedData.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CTolEngine.h"
#include "host/CTolRecord.h"

// Subject and query of the in-scope address service.
extern const char* const kDiscoQuerySubject;  // "TOLVANE.3.0.DISCO.QUERY"

// Remembers the addresses of every sweep and reports each as made. While `holdFirstSweep` is set,
// the first sweep waits for it to be cleared (20 s at most, so that a failing test cannot hang the
// sweeping thread).
class FakePinger : public CDiscoPinger {
 public:
  int PingAll(const std::vector<std::string>& addresses) override;
  std::vector<std::vector<std::string>> Sweeps() const;
  std::atomic<bool> holdFirstSweep{false};

 private:
  mutable std::mutex m_Mutex;
  std::vector<std::vector<std::string>> m_Sweeps;
};

// One device as the engine hands it to an agent: record, mediation data, processed data.
struct HarnessDevice {
  std::unique_ptr<CTolRecord> record;
  std::unique_ptr<CDiscoMediationData> med;
  std::unique_ptr<CDiscoProcessedData> proc;
};

class AgentHarness {
 public:
  // `agent` is borrowed and must outlive the harness. Sets its requester's backend, pinger and
  // ARP service and its engine handle. Registers the in-scope address service answering
  // `inScope` (change it with SetInScope).
  explicit AgentHarness(CDiscoAgent& agent);
  ~AgentHarness();  // unbinds every device

  // Adds a device named `name` at `address` answering from `snmprec` (fails the test on a bad
  // recording). The record has "m_Name" and "m_IpAddress"; add more fields through record.
  HarnessDevice& AddDevice(const std::string& name, const std::string& address,
                           const std::string& snmprec);
  // Adds a device that answers nothing (no recording registered).
  HarnessDevice& AddSilentDevice(const std::string& name, const std::string& address);

  void SetInScope(std::vector<std::string> addresses);
  // Splits the bus's answers into messages of at most `bytes` payload.
  void SetMaxMessageBytes(size_t bytes) { engine.RESetMaxMessageBytes(bytes); }

  // Runs the filter, phases 1, 2 and 3 of the mediation layer and the processing layer of phase 3
  // for `device`, as the engine does. Returns the filter's result; stops after a rejection.
  bool Discover(HarnessDevice& device);
  void Mediate(HarnessDevice& device, int phase);
  void Process(HarnessDevice& device, int phase);

  CDiscoAgent& agent;
  std::shared_ptr<CDiscoSnmprecBackend> backend;
  std::shared_ptr<FakePinger> pinger;
  std::shared_ptr<CDiscoArpTable> arp;
  CTolEngine engine;

 private:
  std::mutex m_Mutex;
  std::vector<std::string> m_InScope;
  std::vector<std::unique_ptr<HarnessDevice>> m_Devices;
};

// Builds .snmprec text from "OID|type|value" lines (joined with newlines).
std::string Snmprec(const std::vector<std::string>& lines);
// Reads a file of tests/data (fails the test when it cannot).
std::string ReadTestData(const std::string& name);
