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
// The index as dotted text ("0.5.1").
std::string IndexText(const Index& index);

}  // namespace disco
