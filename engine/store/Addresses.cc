#include "engine/store/Addresses.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <vector>

namespace disco {
namespace store {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Splits `text` at `separator` into groups of hex digits of 1..`width` digits each.
bool HexGroups(const std::string& text, char separator, size_t width,
               std::vector<std::string>* groups) {
  groups->assign(1, "");
  for (char c : text) {
    if (c == separator) {
      groups->emplace_back();
    } else if (HexDigit(c) >= 0 && groups->back().size() < width) {
      groups->back() += c;
    } else {
      return false;
    }
  }
  for (const std::string& g : *groups) {
    if (g.empty()) return false;
  }
  return true;
}

}  // namespace

bool ParseMac(const std::string& text, std::int64_t* mac) {
  std::vector<std::string> groups;
  std::int64_t value = 0;
  if (text.size() == 12 && HexGroups(text, '\0', 12, &groups)) {
    for (char c : text) value = value << 4 | HexDigit(c);
  } else if (text.size() == 14 && HexGroups(text, '.', 4, &groups) && groups.size() == 3) {
    for (const std::string& g : groups) {
      if (g.size() != 4) return false;
      for (char c : g) value = value << 4 | HexDigit(c);
    }
  } else if ((HexGroups(text, ':', 2, &groups) || HexGroups(text, '-', 2, &groups)) &&
             groups.size() == 6) {
    for (const std::string& g : groups) {
      int octet = 0;
      for (char c : g) octet = octet << 4 | HexDigit(c);
      value = value << 8 | octet;
    }
  } else {
    return false;
  }
  *mac = value;
  return true;
}

std::string FormatMac(std::int64_t mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x",
                static_cast<unsigned>(mac >> 40 & 0xff), static_cast<unsigned>(mac >> 32 & 0xff),
                static_cast<unsigned>(mac >> 24 & 0xff), static_cast<unsigned>(mac >> 16 & 0xff),
                static_cast<unsigned>(mac >> 8 & 0xff), static_cast<unsigned>(mac & 0xff));
  return text;
}

bool ParseIpv4(const std::string& text, std::int64_t* address) {
  std::int64_t value = 0;
  int parts = 0, digits = 0, part = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '.') {
      if (digits == 0 || part > 255 || ++parts > 4) return false;
      value = value << 8 | part;
      digits = part = 0;
    } else if (std::isdigit(static_cast<unsigned char>(text[i])) && digits < 3) {
      part = part * 10 + (text[i] - '0');
      ++digits;
    } else {
      return false;
    }
  }
  if (parts != 4) return false;
  *address = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  return true;
}

std::string FormatIpv4(std::int64_t address) {
  return std::to_string(address >> 24 & 0xff) + "." + std::to_string(address >> 16 & 0xff) + "." +
         std::to_string(address >> 8 & 0xff) + "." + std::to_string(address & 0xff);
}

std::string FormatUtc(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace store
}  // namespace disco
