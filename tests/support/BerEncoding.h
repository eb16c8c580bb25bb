// Hand-made BER encoding, just enough for tests to build SNMP messages octet by octet (probes,
// scripted agent answers, malformed datagrams).
#pragma once

#include <string>
#include <vector>

// `tag`, the definite length of `content` (short or long form), then `content`.
std::string BerTlv(unsigned char tag, const std::string& content);
// The content octets of an INTEGER: two's complement, as few octets as the value needs.
std::string BerIntegerContent(long value);
// A whole INTEGER (tag 0x02).
std::string BerInteger(long value);
// The content octets of an OBJECT IDENTIFIER ("" for fewer than two arcs).
std::string BerOidContent(const std::vector<unsigned long>& oid);
