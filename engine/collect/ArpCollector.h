// The engine's ARP data for the agent's MAC-to-IP resolution: the ARP tables of the devices
// (ipNetToMediaPhysAddress), the local system's (/proc/net/arp) and the scope's static entries,
// gathered into a CDiscoArpTable before any device's forwarding database is read.
#pragma once

#include <string>
#include <utility>
#include <vector>

class CDiscoArpTable;
class CDiscoStdRequester;
class CTolRecord;

namespace disco {

// One address-to-MAC pair: IPv4 dotted quad and normalised MAC text.
struct ArpPair {
  std::string ip;
  std::string mac;
};

// The complete entries of a /proc/net/arp text (incomplete and all-zero ones are left out).
std::vector<ArpPair> ParseProcNetArp(const std::string& text);

// The local system's ARP table; empty when /proc/net/arp cannot be read.
std::vector<ArpPair> ReadLocalArpTable();

// Walks ipNetToMediaPhysAddress of `device` through `requester` (failures are reported by the
// requester to the calling thread's error sink). The pairs of its rows whose index ends in an
// IPv4 address and whose value is a MAC; empty when the walk gave nothing.
std::vector<ArpPair> WalkDeviceArpTable(CDiscoStdRequester& requester, CTolRecord& device);

// Adds pairs to `table` in `addressSpace` ("" for the default). Returns how many were given.
int AddArpPairs(const std::vector<ArpPair>& pairs, const std::string& addressSpace,
                CDiscoArpTable& table);

}  // namespace disco
