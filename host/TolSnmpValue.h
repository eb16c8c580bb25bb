// A raw SNMP value as a backend receives it, and its conversion into an atom. Every backend hands
// raw values to the requester, which converts them here, in one place, so that a value reads the
// same whichever backend carried it.
#pragma once

#include <string>
#include <vector>

class CTolAtom;

struct TolSnmpValue {
  enum Kind {
    kInteger,   // INTEGER / Integer32
    kUnsigned,  // Unsigned32 / Gauge32
    kCounter32,
    kCounter64,
    kTimeTicks,
    kOctetString,
    kIpAddress,  // four octets in `bytes`
    kObjectId,   // sub-identifiers in `oid`
    kNull,
    kOpaque,  // octets in `bytes`
  };
  Kind kind = kNull;
  long long integer = 0;           // integer kinds
  std::string bytes;               // octet kinds
  std::vector<unsigned long> oid;  // kObjectId
};

// One row of a walk: the full object identifier of the instance and its value.
struct TolSnmpRow {
  std::vector<unsigned long> oid;
  TolSnmpValue value;
};

// Six octets as upper-case two-digit hex separated by colons: "00:1A:2B:3C:4D:5E". Empty for any
// other number of octets: only six octets are a MAC address.
std::string TolFormatMac(const std::string& octets);

// Whether a value of an object with MAC syntax is refused: anything but a six-octet OCTET STRING
// or a MAC address written as text ("0:4:96:12:a3:1", "00-04-96-12-A3-01"); a null value is no
// value, not a refused one. Devices send empty, truncated or padded strings
// in such columns; none of them names an interface or a station.
bool TolIsRefusedMac(const TolSnmpValue& value);

// Converts a raw value into a new atom owned by the caller (null for kNull):
// integer kinds become integer atoms; IpAddress dotted decimal text; OBJECT IDENTIFIER dotted
// text; a value of an object with MAC syntax (`isMac`) the MAC form above, or null when it is
// refused (TolIsRefusedMac), as if the row had no value; another printable OCTET STRING its text;
// a non-printable one "0x" followed by upper-case hex.
CTolAtom* TolSnmpValueToAtom(const TolSnmpValue& value, bool isMac);
// The same conversion into `*out`, for rows that hold their value: false (and `*out` untouched)
// where the other form gives null.
bool TolSnmpValueToAtom(const TolSnmpValue& value, bool isMac, CTolAtom* out);
