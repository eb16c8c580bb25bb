// MAC and IPv4 addresses as the store keeps them: integers, and back to text.
#pragma once

#include <cstdint>
#include <string>

namespace disco {
namespace store {

// Reads a MAC address in any common notation, either case: "00:11:22:33:44:55",
// "00-11-22-33-44-55", "0011.2233.4455", "001122334455" (and one-digit groups "0:4:96:..."
// when separated by ':' or '-'). The 48 bits go to `*mac`, first octet most significant.
// False for anything else.
bool ParseMac(const std::string& text, std::int64_t* mac);
// "00:11:22:33:44:55", lower case.
std::string FormatMac(std::int64_t mac);

// Reads a strict dotted quad into the 32-bit signed integer the store keeps (a 4-byte column):
// the address's 32 bits, so that 128.0.0.0 and above are negative. False for anything else.
bool ParseIpv4(const std::string& text, std::int64_t* address);
// The dotted quad of an address's low 32 bits: takes the stored (signed) form and the unsigned
// one alike.
std::string FormatIpv4(std::int64_t address);

// "2026-12-06T20:15:00Z" for Unix seconds.
std::string FormatUtc(std::int64_t seconds);

}  // namespace store
}  // namespace disco
