#include "engine/base/Ipv4Address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace disco {

namespace {

bool ParseDecimal(const std::string& text, unsigned long max, unsigned long* value) {
  if (text.empty() || text.size() > 10) return false;
  unsigned long v = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  if (v > max) return false;
  *value = v;
  return true;
}

}  // namespace

bool ParseIpv4(const std::string& text, uint32_t* address) {
  uint32_t result = 0;
  size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    size_t end = text.find('.', start);
    if ((part < 3) != (end != std::string::npos)) return false;
    std::string piece =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    unsigned long octet = 0;
    if (piece.size() > 3 || !ParseDecimal(piece, 255, &octet)) return false;
    result = (result << 8) | static_cast<uint32_t>(octet);
    start = end + 1;
  }
  *address = result;
  return true;
}

std::string FormatIpv4(uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
         std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

bool LooksNumeric(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return false;
  }
  return true;
}

bool ResolveIpv4(const std::string& host, std::string* address, std::string* error) {
  uint32_t a = 0;
  if (ParseIpv4(host, &a)) {
    *address = FormatIpv4(a);
    return true;
  }
  if (host.empty() || LooksNumeric(host)) {
    *error = "'" + host + "' is not a valid IPv4 address";
    return false;
  }
  for (char c : host) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_') {
      *error = "'" + host + "' is neither an IPv4 address nor a host name";
      return false;
    }
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || found == nullptr) {
    *error = "cannot resolve host name '" + host + "': " + gai_strerror(rc);
    if (found != nullptr) freeaddrinfo(found);
    return false;
  }
  const sockaddr_in* sin = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  *address = FormatIpv4(ntohl(sin->sin_addr.s_addr));
  freeaddrinfo(found);
  return true;
}

bool SplitHostPort(const std::string& text, std::string* host, int* port, std::string* error) {
  std::string rest = text;
  size_t colon = rest.find(':');
  if (colon != std::string::npos) {
    std::string prefix = rest.substr(0, colon);
    for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (prefix == "udp") {
      rest = rest.substr(colon + 1);
    } else if (prefix == "tcp" || prefix == "udp6" || prefix == "tcp6" || prefix == "unix") {
      *error = "'" + text + "': only UDP over IPv4 is supported";
      return false;
    }
  }
  colon = rest.find(':');
  *port = -1;
  if (colon != std::string::npos) {
    unsigned long p = 0;
    if (!ParseDecimal(rest.substr(colon + 1), 65535, &p) || p == 0) {
      *error = "'" + text + "' has a bad port number (1..65535)";
      return false;
    }
    *port = static_cast<int>(p);
    rest = rest.substr(0, colon);
  }
  if (rest.empty()) {
    *error = "'" + text + "' names no host";
    return false;
  }
  *host = rest;
  return true;
}

ExpandResult ExpandAddressEntry(const std::string& entry, size_t limit,
                                std::vector<std::string>* out, std::string* error) {
  uint64_t first = 0;
  uint64_t last = 0;
  uint32_t a = 0;
  uint32_t b = 0;
  size_t slash = entry.find('/');
  size_t dash = entry.find('-');
  if (slash != std::string::npos) {
    unsigned long bits = 0;
    if (!ParseIpv4(entry.substr(0, slash), &a) ||
        !ParseDecimal(entry.substr(slash + 1), 32, &bits)) {
      *error = "'" + entry + "' is not a valid CIDR block";
      return ExpandResult::kMalformed;
    }
    uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
    if ((a & ~mask) != 0) {
      *error = "'" + entry + "' has host bits set (did you mean " + FormatIpv4(a & mask) + "/" +
               std::to_string(bits) + "?)";
      return ExpandResult::kMalformed;
    }
    first = a;
    last = static_cast<uint64_t>(a) + (~mask);
    if (bits <= 30) {  // leave out the network and broadcast addresses
      ++first;
      --last;
    }
  } else if (dash != std::string::npos) {
    std::string from = entry.substr(0, dash);
    std::string to = entry.substr(dash + 1);
    unsigned long lastOctet = 0;
    if (!ParseIpv4(from, &a)) {
      *error = "'" + entry + "' is not a valid address range";
      return ExpandResult::kMalformed;
    }
    bool fullEnd = ParseIpv4(to, &b);
    if (!fullEnd && ParseDecimal(to, 255, &lastOctet)) {
      b = (a & 0xFFFFFF00u) | static_cast<uint32_t>(lastOctet);
    } else if (!fullEnd) {
      *error = "'" + entry + "' is not a valid address range";
      return ExpandResult::kMalformed;
    }
    if (b < a) {
      *error = "'" + entry + "' is an empty range (it ends before it starts)";
      return ExpandResult::kMalformed;
    }
    first = a;
    last = b;
  } else {
    if (!ParseIpv4(entry, &a)) {
      *error = "'" + entry + "' is not a valid IPv4 address, CIDR block or range";
      return ExpandResult::kMalformed;
    }
    first = last = a;
  }
  if (last - first + 1 > limit - std::min(limit, out->size())) {
    return ExpandResult::kTooMany;
  }
  for (uint64_t x = first; x <= last; ++x) out->push_back(FormatIpv4(static_cast<uint32_t>(x)));
  return ExpandResult::kOk;
}

}  // namespace disco
