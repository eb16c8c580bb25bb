// What a run discovers: the devices with everything needed to reach them, the addresses the
// agent's ping sweeps cover and the static ARP entries, resolved from the command line and the
// scope file and checked before anything is sent.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/cli/EngineOptions.h"
#include "engine/cli/ScopeFile.h"
#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace disco {

// One device of the scope file or the command line, as the run discovers it.
struct DeviceEntry {
  std::string name;     // "m_Name": unique within the run
  std::string address;  // "m_IpAddress": dotted quad
  int port = 161;       // "m_SnmpPort" (written to the record when not 161)
  CDiscoSnmpCredentials credentials;
  std::optional<bool> downloadFdb;  // "m_DownloadFdbData" 1/0 when set
  std::string addressSpace;         // "m_AddressSpace" when not empty
  std::string recording;            // .snmprec answered instead of the network; empty for SNMP
  std::string site;                 // the pollers' site that takes it; empty for any

  std::string Endpoint() const { return address + ":" + std::to_string(port); }
  // How the SNMP requester tells it from other devices on its endpoint
  // (CDiscoSnmpTarget::DeviceKey() of its record).
  std::string DeviceKey() const { return Endpoint() + " " + name; }
};

// Ping addresses that only the devices of some sites need, with those sites: an address is
// there when every entry giving it names a site (or, without a ping list, when its device has
// one). The pollers of other sites leave it out of their sweeps.
using PingSites = std::map<std::string, std::vector<std::string>>;

struct DiscoveryPlan {
  std::vector<DeviceEntry> devices;
  std::vector<std::string> pingAddresses;  // in-scope addresses, without repeats, in order
  PingSites pingSites;
  std::vector<StaticArpEntry> staticArp;
};

// The addresses of `addresses` that the devices of `site` need, in order: those `sites` leaves
// to every site and those it gives to `site`. An empty `site` (a poller that takes any device)
// keeps them all.
std::vector<std::string> PingAddressesOfSite(const std::vector<std::string>& addresses,
                                             const PingSites& sites, const std::string& site);

// Builds the plan from the options and, when given, the scope document. SNMP settings apply in
// this order, later ones winning: built-in defaults, the scope's defaults, the command line,
// the device's own. Without a ping list the in-scope addresses are the addresses of the devices
// reached over the network (replayed devices are offline and never pinged). Returns false with
// `*error` for unresolvable or repeated devices, bad credentials, missing recordings, a bad
// ping entry or a ping list over the limit.
bool BuildDiscoveryPlan(const EngineOptions& options, const ScopeDocument* scope,
                        DiscoveryPlan* plan, std::string* error);

}  // namespace disco
