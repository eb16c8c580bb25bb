// Conversion of the variables of a received PDU into raw values (TolSnmpValue).
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <string>
#include <vector>

#include "host/TolSnmpValue.h"

namespace tolnetsnmp {

enum class VariableClass {
  kValue,         // an ordinary value, converted
  kNoSuchObject,  // exceptions of SNMPv2 answers
  kNoSuchInstance,
  kEndOfMibView,
  kUnsupported,  // a type this system does not carry; `*reason` names it
};

// Converts `variable` into `*value`, overwriting every field of it, and returns kValue; for
// anything else `*value` is left as it was. Integer kinds carry their number (32-bit unsigned
// kinds as their unsigned value, Counter64 as its 64 bits), OCTET STRING, IpAddress and Opaque
// their exact octets (an Opaque that the library decoded as a float, double or 64-bit number is
// encoded back into the octets the agent sent), OBJECT IDENTIFIER its sub-identifiers.
VariableClass ConvertVariable(const netsnmp_variable_list& variable, TolSnmpValue* value,
                              std::string* reason);

// The sub-identifiers of `variable`'s name.
std::vector<unsigned long> NameOf(const netsnmp_variable_list& variable);

// Dotted text of sub-identifiers ("1.3.6.1").
std::string DottedOid(const std::vector<unsigned long>& oid);

}  // namespace tolnetsnmp
