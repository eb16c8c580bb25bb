#include "host/TolOidTable.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// One row per object the agent reads: name, numeric identifier, scalar, MAC syntax, MAC index.
const std::vector<TolOidEntry> kEntries = {
    // IF-MIB, IP-MIB, BRIDGE-MIB, SNMPv2-MIB
    {"sysDescr", "1.3.6.1.2.1.1.1", true, false, false},
    {"sysObjectID", "1.3.6.1.2.1.1.2", true, false, false},
    {"sysName", "1.3.6.1.2.1.1.5", true, false, false},
    {"ifDescr", "1.3.6.1.2.1.2.2.1.2", false, false, false},
    {"ifType", "1.3.6.1.2.1.2.2.1.3", false, false, false},
    {"ifPhysAddress", "1.3.6.1.2.1.2.2.1.6", false, true, false},
    {"ifOperStatus", "1.3.6.1.2.1.2.2.1.8", false, false, false},
    {"ifStackStatus", "1.3.6.1.2.1.31.1.2.1.3", false, false, false},
    {"ipAdEntIfIndex", "1.3.6.1.2.1.4.20.1.2", false, false, false},
    {"ipNetToMediaPhysAddress", "1.3.6.1.2.1.4.22.1.2", false, true, false},
    {"dot1dBaseBridgeAddress", "1.3.6.1.2.1.17.1.1", true, true, false},
    {"dot1dBasePortIfIndex", "1.3.6.1.2.1.17.1.4.1.2", false, false, false},
    {"dot1dStpPortState", "1.3.6.1.2.1.17.2.15.1.3", false, false, false},
    {"dot1dTpAgingTime", "1.3.6.1.2.1.17.4.2", true, false, false},
    {"dot1dTpFdbAddress", "1.3.6.1.2.1.17.4.3.1.1", false, true, true},
    {"dot1dTpFdbPort", "1.3.6.1.2.1.17.4.3.1.2", false, false, true},
    {"dot1dTpFdbStatus", "1.3.6.1.2.1.17.4.3.1.3", false, false, true},
    // EXTREME-VLAN-MIB
    {"extremeVlanGlobalMappingIfIndex", "1.3.6.1.4.1.1916.1.2.1.1.1.2", false, false, false},
    {"extremeVlanIfDescr", "1.3.6.1.4.1.1916.1.2.1.2.1.2", false, false, false},
    {"extremeVlanIfGlobalIdentifier", "1.3.6.1.4.1.1916.1.2.1.2.1.4", false, false, false},
    {"extremeVlanIfVlanId", "1.3.6.1.4.1.1916.1.2.1.2.1.10", false, false, false},
    {"extremeVlanEncapsIfTag", "1.3.6.1.4.1.1916.1.2.3.1.1.3", false, false, false},
    {"extremeVlanStackLowerLayer", "1.3.6.1.4.1.1916.1.2.7.1.1.2", false, false, false},
    // EXTREME-FDB-MIB
    {"extremeFdbMacFdbMacAddress", "1.3.6.1.4.1.1916.1.16.1.1.3", false, true, false},
    {"extremeFdbMacFdbPortIfIndex", "1.3.6.1.4.1.1916.1.16.1.1.4", false, false, false},
    {"extremeFdbMacFdbStatus", "1.3.6.1.4.1.1916.1.16.1.1.5", false, false, false},
    // EXTREME-EDP-MIB
    {"extremeEdpNeighborName", "1.3.6.1.4.1.1916.1.13.2.1.3", false, false, false},
    {"extremeEdpNeighborSlot", "1.3.6.1.4.1.1916.1.13.2.1.5", false, false, false},
    {"extremeEdpNeighborPort", "1.3.6.1.4.1.1916.1.13.2.1.6", false, false, false},
};

// Parses dotted decimal sub-identifiers (a leading dot allowed) and appends them to `oid`.
// Each sub-identifier must fit 32 bits, as in SNMP.
bool ParseDotted(const char* text, std::vector<unsigned long>* oid) {
  const char* p = text;
  if (*p == '.') ++p;
  if (*p == '\0') return false;
  while (true) {
    if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(p, &end, 10);
    if (errno != 0 || v > 0xFFFFFFFFull) return false;
    oid->push_back(static_cast<unsigned long>(v));
    p = end;
    if (*p == '\0') return true;
    if (*p != '.') return false;
    ++p;
  }
}

}  // namespace

const TolOidEntry* TolFindOidEntry(const char* name) {
  if (name == nullptr) return nullptr;
  for (const TolOidEntry& e : kEntries) {
    if (std::strcmp(e.name, name) == 0) return &e;
  }
  return nullptr;
}

bool TolResolveOid(const char* nameOrNumeric, std::vector<unsigned long>* oid) {
  if (nameOrNumeric == nullptr || oid == nullptr) return false;
  std::vector<unsigned long> out;
  const char* text = nameOrNumeric;
  if (*text != '.' && (*text < '0' || *text > '9')) {
    // A name, optionally followed by a dotted instance ("sysName.0").
    const char* dot = std::strchr(text, '.');
    std::string name = dot ? std::string(text, dot) : std::string(text);
    const TolOidEntry* e = TolFindOidEntry(name.c_str());
    if (e == nullptr || !ParseDotted(e->oid, &out)) return false;
    if (dot != nullptr && !ParseDotted(dot, &out)) return false;
  } else if (!ParseDotted(text, &out)) {
    return false;
  }
  *oid = std::move(out);
  return true;
}

const std::vector<TolOidEntry>& TolOidEntries() { return kEntries; }
