// The scope file: which switches to discover, how to reach each, which addresses the agent's
// ping sweeps cover and static ARP entries. YAML:
//
//   defaults:                 # optional; SNMP settings and port for every device
//     version: 2c
//     community: public
//     port: 16100
//     site: lab               # optional; the site whose pollers take the devices (poll --site)
//   devices:                  # required, at least one
//     - address: 127.0.0.11   # IPv4 address or host name, optionally ADDRESS:PORT
//       name: core-1          # optional; the address when absent
//       download_fdb: true    # optional; false turns the forwarding-database download off
//       address_space: lab    # optional; the ARP address space of the device
//       site: branch-7        # optional; overrides the defaults' site
//       recording: core-1.snmprec  # optional; replay this recording instead of SNMP
//       community: secret     # any SNMP setting (see SnmpSettings.h) overrides the defaults
//   ping:                     # optional; addresses, CIDR blocks or ranges; the device
//     - 127.0.0.0/28          #   addresses when absent
//     - addresses: 10.7.0.0/24  # only the pollers of this site's devices ping these
//       site: branch-7
//   static_arp:               # optional; MAC -> IPv4 address, in the default address space
//     "00:04:96:20:00:01": 10.0.1.12
//
// Unknown keys are refused, so that a misspelt setting never passes silently, and so is a key
// given twice in one mapping (YAML would let the later one override or extend the first).
// A file holding a passphrase or a community must be private to its owner (Secrets.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/cli/SnmpSettings.h"

namespace disco {

struct ScopeDevice {
  std::string address;  // as written: host, host:port or udp:host:port
  std::string name;     // empty when not given
  int port = -1;        // -1 when not given here
  SnmpSettings snmp;    // the device's own settings
  std::optional<bool> downloadFdb;
  std::string addressSpace;
  std::string site;       // empty when not given here
  std::string recording;  // a path (relative ones taken from the scope file's folder), or empty
  int line = 0;           // where the device is written, for messages
};

struct StaticArpEntry {
  std::string mac;  // normalised (MacAddress.h)
  std::string ip;   // dotted quad
};

struct ScopeDocument {
  SnmpSettings defaults;
  int defaultPort = -1;
  std::string defaultSite;  // empty when not given
  std::vector<ScopeDevice> devices;
  bool hasPingList = false;
  std::vector<std::string> ping;       // entries as written
  std::vector<std::string> pingSites;  // the site of each entry; empty for every site
  std::vector<int> pingLines;          // the line of each entry, for messages
  std::vector<StaticArpEntry> staticArp;
};

// Parses scope text. `baseDir` resolves relative recording paths. Returns false with `*error`
// ("line N: ...") for malformed YAML, unknown or repeated keys, missing devices or bad values.
// A message names the line and the key, never a value: a scope file holds secrets, and a
// malformed line ("community:S3cr3t") may be taken for something else.
bool ParseScopeText(const std::string& text, const std::string& baseDir, ScopeDocument* scope,
                    std::string* error);

// Reads and parses a scope file. Errors begin with the file's path.
bool LoadScopeFile(const std::string& path, ScopeDocument* scope, std::string* error);

}  // namespace disco
