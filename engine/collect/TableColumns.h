// Columns of an SNMP table read raw through the requester and joined by instance index.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/TolSnmpValue.h"

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

using Index = std::vector<unsigned long>;
using Column = std::map<Index, TolSnmpValue>;

// Walks the column `oid` of `device` into `*column` (index -> value). Returns false when the walk
// failed (the requester has reported it), with `*column` empty.
bool ReadColumn(CDiscoStdRequester& requester, CTolRecord& device, const char* oid, Column* column);

// The octets of `index`'s value in `column`; "" when absent or not an octet string.
std::string OctetsAt(const Column& column, const Index& index);
// The integer value at `index`; false when absent or not an integer kind.
bool IntegerAt(const Column& column, const Index& index, long long* value);
// An ifIndex from an integer value: 1..2^32-1. Devices that number interfaces past 2^31 (access
// nodes) send those as negative 32-bit INTEGERs, which are the unsigned numbers they encode
// (-268435455 is ifIndex 4026531841, the number the row's own index carries). 0 for anything
// else: no interface.
long IfIndexOf(long long value);
// The ifIndex value at `index` (IfIndexOf); false when absent, not an integer kind, or not an
// ifIndex.
bool IfIndexAt(const Column& column, const Index& index, long* ifIndex);
// The index as dotted text ("0.5.1").
std::string IndexText(const Index& index);

}  // namespace disco
