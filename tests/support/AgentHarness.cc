#include "support/AgentHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "host/CTolVarBind.h"
#include "support/TempDir.h"

const char* const kDiscoQuerySubject = "TOLVANE.3.0.DISCO.QUERY";

int FakePinger::PingAll(const std::vector<std::string>& addresses) {
  size_t sweeps = 0;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Sweeps.push_back(addresses);
    sweeps = m_Sweeps.size();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (sweeps == 1 && holdFirstSweep && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 1;
}

std::vector<std::vector<std::string>> FakePinger::Sweeps() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Sweeps;
}

AgentHarness::AgentHarness(CDiscoAgent& a)
    : agent(a),
      backend(std::make_shared<CDiscoSnmprecBackend>()),
      pinger(std::make_shared<FakePinger>()),
      arp(std::make_shared<CDiscoArpTable>()) {
  agent.DAGetRequester()->DSRSetSnmpBackend(backend);
  agent.DAGetRequester()->DSRSetPinger(pinger);
  agent.DAGetRequester()->DSRSetArpService(arp);
  agent.DASetEngine(&engine);
  engine.RERegisterQueryService(kDiscoQuerySubject,
                                [this](const std::string&, std::vector<CTolRecord*>* rows) {
                                  std::lock_guard<std::mutex> lock(m_Mutex);
                                  for (const std::string& ip : m_InScope) {
                                    CTolRecord* row = new CTolRecord();
                                    row->RRAddValue(new CTolVarBind("m_IpAddress", ip.c_str()));
                                    rows->push_back(row);
                                  }
                                  return 1;
                                });
}

AgentHarness::~AgentHarness() {
  for (auto& d : m_Devices) agent.DAUnbindDevice(d->record.get());
}

HarnessDevice& AgentHarness::AddSilentDevice(const std::string& name, const std::string& address) {
  auto d = std::make_unique<HarnessDevice>();
  d->record = std::make_unique<CTolRecord>();
  d->record->RRAddValue(new CTolVarBind("m_Name", name.c_str()));
  d->record->RRAddValue(new CTolVarBind("m_IpAddress", address.c_str()));
  d->med = std::make_unique<CDiscoMediationData>();
  d->proc = std::make_unique<CDiscoProcessedData>();
  agent.DABindDevice(d->record.get(), d->med.get(), d->proc.get());
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Devices.push_back(std::move(d));
  return *m_Devices.back();
}

HarnessDevice& AgentHarness::AddDevice(const std::string& name, const std::string& address,
                                       const std::string& snmprec) {
  std::string error;
  EXPECT_TRUE(backend->AddDevice(address, snmprec, &error)) << error;
  return AddSilentDevice(name, address);
}

void AgentHarness::SetInScope(std::vector<std::string> addresses) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_InScope = std::move(addresses);
}

void AgentHarness::Mediate(HarnessDevice& device, int phase) {
  agent.DASetNeRecordPhase(device.record.get(), phase);
  agent.DADoMediationLayer(device.record.get());
}

void AgentHarness::Process(HarnessDevice& device, int phase) {
  agent.DASetNeRecordPhase(device.record.get(), phase);
  agent.DADoProcessLayer(device.record.get());
}

bool AgentHarness::Discover(HarnessDevice& device) {
  if (!agent.DAFilter(device.record.get())) return false;
  for (int phase = 1; phase <= 3; ++phase) Mediate(device, phase);
  Process(device, 3);
  return true;
}

std::string Snmprec(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

std::string ReadTestData(const std::string& name) {
  const std::string path = std::string(DISCO_TEST_DATA) + "/" + name;
  EXPECT_EQ(access(path.c_str(), R_OK), 0) << "cannot read test data " << name;
  return ReadFile(path);
}
