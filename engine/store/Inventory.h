// The inventory's data model: one discovery run as it is kept, what was found and not how. The
// discovery run fills a RunSnapshot and hands it to Store::WriteRun (Store.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace disco {
namespace store {

// The model's text is kept exactly as the discovery run's side has it.
// clang-format off
// One run of the discovery as it is kept: what was found, not how.
struct RunFacts {
  std::string scope;            // the scope file's name (or "command line")
  std::string version;          // program version, e.g. "2.0.0"
  std::int64_t started = 0;     // Unix seconds, UTC
  std::int64_t ended = 0;
  int devicesAsked = 0;         // devices of the run
  int devicesFound = 0;         // devices that answered
};
struct DeviceFact {
  std::string name;             // the scope's name for it, else its address; unique in a run
  std::string address;          // where it was reached
  std::string sysName, sysObjectId;
  std::string bridgeMac;        // "00:04:96:1f:a2:10" (lower case, colons) or empty
  bool answered = true;         // false: asked but did not answer (kept so that `changes` can say "lost")
};
struct InterfaceFact {
  std::string device;           // DeviceFact::name
  std::string port;             // "1:8" (card:port) — or ifName for ports without one
  long long ifIndex = 0;
  std::string description;      // ifDescr
  std::string status;           // "up", "down", ... (as the results show it)
  std::string stp;              // "forwarding", "blocking", ... or empty
  std::string vlans;            // e.g. "Default(1)" / "10,20" as text, or empty
};
struct LinkFact {
  std::string deviceA, portA, deviceB, portB;   // device names; ports may be empty (unknown end)
  std::string evidence;         // "edp", "lldp", "fdb", "edp-one-side", ...
  std::string stp;              // "forwarding" or "blocked"
};
struct HostFact {
  std::string mac;              // "00:11:22:33:44:55" lower case
  std::string ip;               // dotted quad or empty
  int vlan = 0;                 // 0 when unknown
  std::string device, port;     // where it is plugged in
  std::string evidence;         // "fdb" (placed by the forwarding tables), "lldp" (heard), ...
};
struct NeighbourFact {          // an LLDP neighbour as heard on a port
  std::string device, port;
  std::string chassisId, portId, sysName, address;
};
struct RunSnapshot {
  RunFacts run;
  std::vector<DeviceFact> devices;
  std::vector<InterfaceFact> interfaces;
  std::vector<LinkFact> links;
  std::vector<HostFact> hosts;
  std::vector<NeighbourFact> neighbours;
};
// clang-format on

}  // namespace store
}  // namespace disco
