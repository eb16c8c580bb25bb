// The organisation behind a MAC address, from the IEEE's list of OUIs as Debian's ieee-data
// installs it. The list is read at run time and never copied into the project.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace disco {
namespace store {

// Debian's copy of the IEEE MA-L list.
constexpr const char kDebianOuiFile[] = "/usr/share/ieee-data/oui.txt";

class OuiVendors {
 public:
  // Reads `path` ("XXXXXX (base 16) Organisation" lines). An absent or unreadable file gives
  // an empty list: vendors are a nicety, never a reason to fail.
  explicit OuiVendors(const std::string& path);
  // The organisation of the MAC's first three octets; "" when unknown.
  std::string Vendor(std::int64_t mac) const;
  static std::int64_t Oui(std::int64_t mac) { return mac >> 24 & 0xffffff; }

 private:
  std::unordered_map<std::int64_t, std::string> m_Names;
};

}  // namespace store
}  // namespace disco
