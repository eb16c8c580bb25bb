// What the store's queries answer: plain values, formatted by StoreText.h and StoreJson.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace disco {
namespace store {

// A run as listed by Store::Runs().
struct RunRow {
  std::int64_t id = 0;
  std::int64_t started = 0, ended = 0;
  std::string scope, version;
  int devicesAsked = 0, devicesFound = 0;
};

// One place where a thing was seen, for the time from firstSeen to lastSeen.
struct Placement {
  std::string mac, ip;  // "" when unknown
  int vlan = 0;
  std::string device, port;
  std::string evidence;  // "fdb", "lldp", "device" (a switch itself), "neighbour" (LLDP-heard)
  std::string vendor;    // of the MAC; "" when unknown
  std::string name;      // the switch's sysName, or the neighbour's system name
  std::int64_t firstSeen = 0, lastSeen = 0;
  std::int64_t firstRun = 0, lastRun = 0;
  bool current = false;  // seen in the store's latest run
};

struct LinkRow {
  std::string deviceA, portA, deviceB, portB;
  std::string evidence, stp;
  std::int64_t firstSeen = 0, lastSeen = 0;
  bool current = false;
};

// What `find` answers: every place the thing was seen, most recent first, and, for a switch,
// its links in the latest run.
struct FindResult {
  std::string query;
  std::string kind;  // "mac", "ip", "switch", "port", "name"
  std::vector<Placement> matches;
  std::vector<LinkRow> links;
};

struct PortRef {
  std::string device, port;
};
struct HostMove {
  std::string mac;
  PortRef from, to;
};
struct PortChange {
  std::string device, port;
  std::string statusFrom, statusTo, stpFrom, stpTo;
};

// What changed between two runs.
struct ChangesResult {
  std::int64_t fromRun = 0, toRun = 0;
  std::vector<Placement> hostsNew, hostsGone;
  std::vector<HostMove> hostsMoved;
  std::vector<LinkRow> linksAdded, linksRemoved;
  std::vector<PortChange> portsChanged;
  std::vector<std::string> devicesLost;
};

// A port of the latest run on which no host was seen for the asked number of days.
struct IdlePort {
  std::string device, port, status;
  std::string lastMac;        // the last host seen there; "" when none ever was
  std::int64_t lastSeen = 0;  // 0 when none ever was
};

// A switch of the latest run as the web view lists it: one the run asked (inScope), or one only
// a link of the latest run names (outside the scope; only its name is known).
struct DeviceRow {
  std::string name, address, sysName, sysObjectId, bridgeMac;
  bool inScope = true;
  bool answered = true;
};

// An interface of the latest run.
struct InterfaceRow {
  std::string port;
  long long ifIndex = 0;
  std::string description, status, stp, vlans;
};

// An LLDP neighbour heard on a port of the latest run.
struct NeighbourRow {
  std::string port;  // the local port
  std::string chassisId, remotePort, sysName, address;
  std::int64_t firstSeen = 0, lastSeen = 0;
};

// A switch with everything of the latest run behind its ports: interfaces in ifIndex order,
// its links, the LLDP neighbours heard and the hosts placed on its ports (by port, then MAC),
// each with the time it was first and last seen.
struct DeviceView {
  DeviceRow device;
  std::vector<InterfaceRow> interfaces;
  std::vector<LinkRow> links;
  std::vector<NeighbourRow> neighbours;
  std::vector<Placement> hosts;
};

struct PruneResult {
  int runsRemoved = 0;
  std::int64_t rowsRemoved = 0;
};

}  // namespace store
}  // namespace disco
