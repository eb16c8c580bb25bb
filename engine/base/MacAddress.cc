#include "engine/base/MacAddress.h"

#include <cctype>
#include <vector>

#include "host/TolSnmpValue.h"

namespace disco {

namespace {

bool HexValue(const std::string& digits, unsigned* value) {
  if (digits.empty()) return false;
  unsigned v = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    v = v * 16 +
        static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                  ? c - '0'
                                  : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  *value = v;
  return true;
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(sep, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

bool NormalizeMac(const std::string& text, std::string* mac) {
  std::string octets;
  unsigned v = 0;
  if (text.find(':') != std::string::npos || text.find('-') != std::string::npos) {
    std::vector<std::string> groups = Split(text, text.find(':') != std::string::npos ? ':' : '-');
    if (groups.size() != 6) return false;
    for (const std::string& g : groups) {
      if (g.size() > 2 || !HexValue(g, &v)) return false;
      octets += static_cast<char>(v);
    }
  } else {
    std::string digits;
    if (text.find('.') != std::string::npos) {
      std::vector<std::string> groups = Split(text, '.');
      if (groups.size() != 3) return false;
      for (const std::string& g : groups) {
        if (g.size() != 4) return false;
        digits += g;
      }
    } else {
      digits = text;
    }
    if (digits.size() != 12) return false;
    for (size_t i = 0; i < 12; i += 2) {
      if (!HexValue(digits.substr(i, 2), &v)) return false;
      octets += static_cast<char>(v);
    }
  }
  *mac = TolFormatMac(octets);
  return true;
}

}  // namespace disco
