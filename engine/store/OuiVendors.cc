#include "engine/store/OuiVendors.h"

#include <fstream>

namespace disco {
namespace store {

OuiVendors::OuiVendors(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  const std::string marker = "(base 16)";
  while (std::getline(in, line)) {
    size_t at = line.find(marker);
    if (at == std::string::npos || at < 6) continue;
    std::int64_t oui = 0;
    bool hex = true;
    for (size_t i = 0; i < 6 && hex; ++i) {
      char c = line[i];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                     : -1;
      hex = d >= 0;
      oui = oui << 4 | d;
    }
    if (!hex) continue;
    size_t begin = line.find_first_not_of(" \t", at + marker.size());
    size_t end = line.find_last_not_of(" \t\r");
    if (begin == std::string::npos || end < begin) continue;
    m_Names.emplace(oui, line.substr(begin, end - begin + 1));
  }
}

std::string OuiVendors::Vendor(std::int64_t mac) const {
  auto it = m_Names.find(Oui(mac));
  return it == m_Names.end() ? "" : it->second;
}

}  // namespace store
}  // namespace disco
