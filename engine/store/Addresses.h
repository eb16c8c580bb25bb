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

// Reads a strict dotted quad. False for anything else.
bool ParseIpv4(const std::string& text, std::int64_t* address);
std::string FormatIpv4(std::int64_t address);

// "2026-12-06T20:15:00Z" for Unix seconds.
std::string FormatUtc(std::int64_t seconds);

}  // namespace store
}  // namespace disco
