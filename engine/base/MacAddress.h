// MAC address texts as operators write them and as the engine files them in its ARP table.
#pragma once

#include <string>

namespace disco {

// Normalises a MAC address to six upper-case two-digit groups separated by colons, the form the
// SNMP layer gives ("00:04:96:1F:A2:10"). Accepts ':' or '-' separated groups of one or two hex
// digits, Cisco's dotted form ("0004.961f.a210") and twelve bare hex digits. Returns false for
// anything else.
bool NormalizeMac(const std::string& text, std::string* mac);

}  // namespace disco
