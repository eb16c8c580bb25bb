// The terminal summary of a run: per device its interfaces (card:port, description, status,
// spanning-tree state, VLANs) and what was found behind each (MAC addresses with their IP
// addresses, EDP peers with their card and port, LLDP neighbours, and MAC addresses of the
// VLAN-aware forwarding database with their VLAN), naming the discovered switches among them.
//
// A device's part is made as soon as the device is through (DeviceSummaryBuilder) and kept encoded,
// small, until the run ends; the names of neighbour switches are filled in when it is written
// (WriteDeviceSummary), once every device's interfaces are known.
#pragma once

#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/collect/CollectedData.h"
#include "engine/run/DeviceRun.h"

namespace disco {

// The discovered switches, known by the MAC and IP addresses of their interfaces. Thread-safe.
class KnownDevices {
 public:
  // Learns an interface (a local neighbour's fields) of the device `name`, which stands at
  // `order` in the plan: where two devices claim an address, the first in the plan has it.
  void Learn(std::size_t order, const std::string& name, const CTolVBList& local);
  // The name of the device with the MAC address `mac`, else the IP address `ip`; "" for none.
  std::string Name(const std::string& mac, const std::string& ip) const;

 private:
  mutable std::mutex m_Mutex;
  using Claim = std::pair<std::size_t, std::string>;  // plan order, name
  static void Stake(std::map<std::string, Claim>* map, const std::string& key, const Claim& c);
  std::map<std::string, Claim> m_ByMac;
  std::map<std::string, Claim> m_ByIp;
};

// Builds one device's summary while its neighbours are rendered: its interfaces in order, each
// followed by its remote neighbours in order.
class DeviceSummaryBuilder {
 public:
  explicit DeviceSummaryBuilder(const DeviceRun& device) : m_Device(device) {}
  // Adds an interface (a local neighbour's fields).
  void AddInterface(const CTolVBList& local);
  // Adds a remote neighbour of the interface added last.
  void AddRemote(const CTolVBList& remote);
  // Adds the engine's collectors' findings: LLDP neighbours and VLAN forwarding entries go
  // under their interface (by label); those of no interface, and forwarding entries of a MAC the
  // agent already listed on that interface, are only counted. A standard bridge's port VLANs
  // replace the agent's VLANs of their interface. The interfaces the engine read that the agent
  // did not hand over (all of them, for a device the agent declined) are added after the
  // agent's. Call after the agent's interfaces are added.
  void AddCollections(const DeviceCollections& collected);
  // The device's summary, encoded for WriteDeviceSummary.
  std::string Finish() const;

 private:
  struct Row {
    long long ifIndex = 0;
    std::string label, descr, status, stp, vlans;
    std::string remotes;  // encoded remote lines
  };
  const DeviceRun& m_Device;
  std::vector<Row> m_Rows;
  long m_Edp = 0;
  long m_Macs = 0;
  std::unordered_set<std::string> m_AgentMacs;     // "<interface label> <MAC>"
  std::map<std::string, std::string> m_Collected;  // interface label -> encoded lines
  long m_Lldp = 0;
  long m_VlanMacs = 0;
};

// Writes the summary encoded by SummariseDevice, with names from `known`.
void WriteDeviceSummary(const std::string& encoded, const KnownDevices& known, std::ostream& out);
// The closing line: "2 of 3 devices discovered in 1.2 s; results written to FILE".
void WriteRunLine(int discovered, int devices, double seconds, const std::string& resultsPath,
                  std::ostream& out);

}  // namespace disco
