#include "engine/collect/LldpDecode.h"

#include <arpa/inet.h>

#include "host/TolSnmpValue.h"

namespace disco {

namespace {

bool Printable(const std::string& octets, std::size_t* length) {
  std::size_t n = octets.size();
  while (n > 0 && octets[n - 1] == '\0') --n;
  if (n == 0) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(octets[i]);
    if (c < 0x20 || c > 0x7E) return false;
  }
  *length = n;
  return true;
}

// Subtypes whose octets are a name an operator typed or the device made up: shown as text.
LldpId TextId(const char* subtype, const std::string& octets) {
  LldpId id{subtype, PrintableOrHex(octets), ""};
  if (octets.empty()) id.problem = std::string(subtype) + " identifier is empty";
  return id;
}

LldpId MacId(const std::string& octets) {
  if (octets.size() == 6) return LldpId{"macAddress", TolFormatMac(octets), ""};
  return LldpId{
      "macAddress", HexText(octets),
      "macAddress identifier has " + std::to_string(octets.size()) + " octets instead of 6"};
}

LldpId NetworkAddressId(const std::string& octets) {
  LldpId id{"networkAddress", "", ""};
  if (octets.empty()) {
    id.problem = "networkAddress identifier is empty";
    return id;
  }
  long family = static_cast<unsigned char>(octets[0]);
  if (!DecodeAddress(family, octets.substr(1), &id.text)) {
    id.text = HexText(octets);
    id.problem = "networkAddress identifier of address family " + std::to_string(family) +
                 " with " + std::to_string(octets.size() - 1) +
                 " address octets is not IPv4 or IPv6";
  }
  return id;
}

LldpId UnknownId(long subtype, const std::string& octets) {
  std::string name = "unknown(" + std::to_string(subtype) + ")";
  return LldpId{name, HexText(octets),
                "identifier subtype " + std::to_string(subtype) + " is not one LLDP-MIB defines"};
}

}  // namespace

std::string HexText(const std::string& octets) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "0x";
  for (unsigned char c : octets) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::string PrintableOrHex(const std::string& octets) {
  if (octets.empty()) return "";
  std::size_t length = 0;
  return Printable(octets, &length) ? octets.substr(0, length) : HexText(octets);
}

bool DecodeAddress(long family, const std::string& octets, std::string* text) {
  char buffer[INET6_ADDRSTRLEN];
  int af = family == 1 ? AF_INET : family == 2 ? AF_INET6 : 0;
  if ((af == AF_INET && octets.size() == 4) || (af == AF_INET6 && octets.size() == 16)) {
    if (inet_ntop(af, octets.data(), buffer, sizeof buffer) != nullptr) {
      *text = buffer;
      return true;
    }
  }
  *text = HexText(octets);
  return false;
}

LldpId DecodeChassisId(long subtype, const std::string& octets) {
  switch (subtype) {
    case 1:
      return TextId("chassisComponent", octets);
    case 2:
      return TextId("interfaceAlias", octets);
    case 3:
      return TextId("portComponent", octets);
    case 4:
      return MacId(octets);
    case 5:
      return NetworkAddressId(octets);
    case 6:
      return TextId("interfaceName", octets);
    case 7:
      return TextId("local", octets);
    default:
      return UnknownId(subtype, octets);
  }
}

LldpId DecodePortId(long subtype, const std::string& octets) {
  switch (subtype) {
    case 1:
      return TextId("interfaceAlias", octets);
    case 2:
      return TextId("portComponent", octets);
    case 3:
      return MacId(octets);
    case 4:
      return NetworkAddressId(octets);
    case 5:
      return TextId("interfaceName", octets);
    case 6: {
      LldpId id = TextId("agentCircuitId", octets);
      id.text = HexText(octets);  // an opaque identifier given by a relay agent
      return id;
    }
    case 7:
      return TextId("local", octets);
    default:
      return UnknownId(subtype, octets);
  }
}

std::vector<std::string> DecodeCapabilities(const std::string& bits) {
  static const char* const kNames[] = {
      "other",     "repeater",          "bridge",     "wlanAccessPoint", "router",
      "telephone", "docsisCableDevice", "stationOnly"};
  std::vector<std::string> names;
  for (std::size_t bit = 0; bit < bits.size() * 8; ++bit) {
    unsigned char octet = static_cast<unsigned char>(bits[bit / 8]);
    if ((octet & (0x80 >> (bit % 8))) == 0) continue;
    names.push_back(bit < 8 ? kNames[bit] : "bit" + std::to_string(bit));
  }
  return names;
}

}  // namespace disco
