// The SNMPv3 USM authentication and privacy protocols that the installed net-snmp offers, by the
// names used in CDiscoSnmpCredentials.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <string>

namespace tolnetsnmp {

// The protocol's object identifier (borrowed from the library) with its length in `*length`, or
// null for an unknown name. Names compare without regard to case; a dash may be left out
// ("SHA256" = "SHA-256"). Authentication: MD5, SHA (SHA-1), SHA-224, SHA-256, SHA-384,
// SHA-512. Privacy: DES, AES (AES-128), AES-192, AES-256, and the Cisco key extension
// AES-192-C, AES-256-C.
const oid* AuthProtocolOid(const std::string& name, size_t* length);
const oid* PrivProtocolOid(const std::string& name, size_t* length);

// Lists of the accepted names, for error messages.
const char* AuthProtocolNames();
const char* PrivProtocolNames();

}  // namespace tolnetsnmp
