// The MIB objects the system reads, by name, with their numeric identifiers. Object names are
// resolved here, without MIB files.
#pragma once

#include <string>
#include <vector>

struct TolOidEntry {
  const char* name;
  const char* oid;  // dotted, no leading dot
  bool isScalar;    // read at instance .0
  bool isMac;       // an OCTET STRING holding a MAC address (PhysAddress, MacAddress)
  bool isMacIndex;  // a column indexed by a MAC address alone (six sub-identifiers)
};

// The entry for `name`, or null.
const TolOidEntry* TolFindOidEntry(const char* name);
// Resolves a name from the table or a numeric identifier ("1.3.6.1.2.1.1.5", leading dot allowed)
// into sub-identifiers. Returns false for an unknown name or malformed identifier.
bool TolResolveOid(const char* nameOrNumeric, std::vector<unsigned long>* oid);
// Every entry, in table order.
const std::vector<TolOidEntry>& TolOidEntries();
