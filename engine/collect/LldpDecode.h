// LLDP-MIB identifiers as readable text: chassis and port IDs by their subtype, network
// addresses by their IANA address family, and the system capabilities bit map.
#pragma once

#include <string>
#include <vector>

namespace disco {

// An identifier decoded: its subtype's LLDP-MIB name and its text. `problem` is empty when the
// octets are what the subtype promises; otherwise it says what is wrong, and `text` then holds
// the octets as "0x" and upper-case hex so that nothing is lost.
struct LldpId {
  std::string subtype;
  std::string text;
  std::string problem;
};

// LldpChassisIdSubtype: 1 chassisComponent, 2 interfaceAlias, 3 portComponent, 4 macAddress,
// 5 networkAddress, 6 interfaceName, 7 local. Unknown subtypes are "unknown(N)", with a problem.
LldpId DecodeChassisId(long subtype, const std::string& octets);
// LldpPortIdSubtype: 1 interfaceAlias, 2 portComponent, 3 macAddress, 4 networkAddress,
// 5 interfaceName, 6 agentCircuitId, 7 local.
LldpId DecodePortId(long subtype, const std::string& octets);

// An address of IANA address family `family` (1 IPv4: dotted quad, 2 IPv6: RFC 5952 text);
// false for another family or a wrong length, with `*text` then the octets in 0x-hex.
bool DecodeAddress(long family, const std::string& octets, std::string* text);

// The names of the capabilities set in an LldpSystemCapabilitiesMap (BITS: bit 0 is the high bit
// of the first octet): other, repeater, bridge, wlanAccessPoint, router, telephone,
// docsisCableDevice, stationOnly; further bits as "bitN".
std::vector<std::string> DecodeCapabilities(const std::string& bits);

// "0x" and the octets in upper-case hex.
std::string HexText(const std::string& octets);
// The octets as text when they are printable ASCII (trailing NULs dropped), else HexText; ""
// for no octets.
std::string PrintableOrHex(const std::string& octets);

}  // namespace disco
