// A second, forgiving reading of the SNMP v1/v2c RESPONSE messages that the library refused.
// The library drops a whole message when one value in it is badly encoded (an IpAddress of 5
// octets, a Counter64 of 10, an Opaque that does not decode, a length running past its variable
// binding), so that one bad value would cost a whole table column. Read here, such a value
// becomes noSuchInstance for its identifier and is named; every other variable binding is
// decoded by the library itself, as in a whole message. Anything wrong outside a value (the
// message, the PDU header, a variable binding's framing or identifier) still refuses the whole
// message. SNMPv3 messages are not read here: their security processing stays the library's.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tolnetsnmp {

// A value of a RESPONSE that could not be decoded.
struct UnreadableValue {
  size_t index = 0;    // position of its variable binding in the PDU, from 0
  std::string oid;     // its identifier, dotted
  std::string reason;  // what is wrong with it ("IpAddress of 5 octets")

  std::string Text() const { return oid + ": " + reason; }
};

// Reads the `length` octets at `data` (one datagram) as an SNMP message of `version`
// (SNMP_VERSION_1 or SNMP_VERSION_2c) carrying a RESPONSE PDU in which at least one value cannot
// be decoded. On success sets `pdu`'s version, security model and level, command, request ID,
// error status and index, replaces its community and variables (freeing what it held), appends
// one entry per value replaced by noSuchInstance to `*unreadable` (in PDU order) and returns
// true. Otherwise returns false with `*why` and leaves `pdu` and `*unreadable` as they were:
// a message that is not such a RESPONSE, whose framing, header or identifiers cannot be read,
// or whose values all decode (the library refused it for another reason).
bool ParseResponseLeniently(const u_char* data, size_t length, long version, netsnmp_pdu* pdu,
                            std::vector<UnreadableValue>* unreadable, std::string* why);

}  // namespace tolnetsnmp
