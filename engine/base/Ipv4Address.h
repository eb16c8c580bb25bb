// IPv4 address texts as the engine accepts them on its command line and in scope files: dotted
// quads, host names, "host:port" device addresses and the ping list's ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace disco {

// Parses a strict dotted quad ("192.0.2.1": four decimal parts 0..255, no leading "+", no
// blanks). Returns false for anything else.
bool ParseIpv4(const std::string& text, uint32_t* address);
std::string FormatIpv4(uint32_t address);

// Whether `text` is meant as a numeric address (digits and dots only), so that a typo such as
// "10.0.0.300" is refused instead of being looked up as a host name.
bool LooksNumeric(const std::string& text);

// Turns a host (a dotted quad, or a name resolved to its first IPv4 address) into a dotted quad.
// Returns false with `*error` saying why.
bool ResolveIpv4(const std::string& host, std::string* address, std::string* error);

// Splits a device address in net-snmp's form: "host", "host:port", with an optional "udp:"
// transport prefix. `*port` is -1 when none is given. Returns false with `*error` for an empty
// host, a bad port or another transport.
bool SplitHostPort(const std::string& text, std::string* host, int* port, std::string* error);

// Appends the addresses of one ping-list entry to `*out`: a single address, a CIDR block
// ("192.0.2.0/28": without its network and broadcast addresses when it is /30 or wider) or a
// range ("192.0.2.10-192.0.2.20", or "192.0.2.10-20" within the last octet). A malformed entry
// gives kMalformed with `*error` set; an entry that would make `*out` longer than `limit` gives
// kTooMany and appends nothing.
enum class ExpandResult { kOk, kMalformed, kTooMany };
ExpandResult ExpandAddressEntry(const std::string& entry, size_t limit,
                                std::vector<std::string>* out, std::string* error);

}  // namespace disco
