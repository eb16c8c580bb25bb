// The sample network's five switches (examples/sample-network), each served over SNMP by its own
// snmpsimd on loopback, and the scope that discovers them, for tests that run the whole program
// on the network.
//
//   SampleNetworkSims sims;  // only where Snmpsim::Installed()
//   std::string error;
//   ASSERT_TRUE(sims.Start(&error)) << error;
//   std::string scope = dir.Write("scope.yaml", sims.ScopeText());
#pragma once

#include <map>
#include <memory>
#include <string>

#include "support/Snmpsim.h"

class SampleNetworkSims {
 public:
  // The switches' names, in the scope's order.
  static constexpr const char* kSwitches[] = {"core-1", "edge-1", "edge-2", "exos-1", "bridge-1"};

  // Starts one simulator a switch, serving its recording to community "public". True, or false
  // with `*error` when a recording cannot be read or a simulator does not start (those started
  // run until destruction). Call once, from the test's own thread (as Snmpsim::Start says).
  bool Start(std::string* error);

  // The simulator of switch `name`, one of kSwitches; throws std::out_of_range before Start.
  const Snmpsim& Sim(const std::string& name) const { return *m_Sims.at(name); }

  // A scope file's text, after Start: defaults SNMPv2c with community public, timeout 2 and
  // 1 retry, then `defaults` (", key: value" settings); the devices: the switches, then
  // `extraDevices` (YAML list items); the ping list: the switches' addresses.
  std::string ScopeText(const std::string& extraDevices = "",
                        const std::string& defaults = "") const;

 private:
  std::map<std::string, std::unique_ptr<Snmpsim>> m_Sims;
};
