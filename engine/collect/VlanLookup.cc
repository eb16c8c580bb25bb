#include "engine/collect/VlanLookup.h"

#include <algorithm>

#include "engine/base/MacAddress.h"

namespace disco {

namespace {

// The 48 bits of a MAC text; false when it is none.
bool MacBits(const std::string& text, std::uint64_t* bits) {
  std::string mac;
  if (!NormalizeMac(text, &mac)) return false;
  *bits = 0;
  for (char c : mac) {
    if (c == ':') continue;
    int digit = c <= '9' ? c - '0' : c - 'A' + 10;
    *bits = (*bits << 4) | static_cast<std::uint64_t>(digit);
  }
  return true;
}

}  // namespace

VlanLookup::VlanLookup(const DeviceCollections& collected) : m_Collected(collected) {
  const std::vector<VlanFdbEntry>& fdb = collected.vlanFdb;
  for (std::size_t i = 0; i < fdb.size(); ++i) {
    std::uint64_t mac = 0;
    if (fdb[i].vlanId > 0 && MacBits(fdb[i].mac, &mac)) {
      m_Keys.push_back({mac, fdb[i].local.ifIndex, static_cast<std::uint32_t>(i)});
    }
  }
  std::sort(m_Keys.begin(), m_Keys.end());
  for (std::size_t p = 0; p < collected.portVlans.size(); ++p) {
    const LocalPort& local = collected.portVlans[p].local;
    if (local.ifIndex != 0) m_Ports.emplace(local.ifIndex, p);
  }
}

bool VlanLookup::VlanOf(const std::string& text, long ifIndex, VlanRef* vlan) const {
  std::uint64_t mac = 0;
  if (m_Keys.empty() || !MacBits(text, &mac)) return false;
  auto first = std::lower_bound(m_Keys.begin(), m_Keys.end(), Key{mac, ifIndex, 0});
  auto any = std::lower_bound(m_Keys.begin(), m_Keys.end(), Key{mac, 0, 0},
                              [](const Key& a, const Key& b) { return a.mac < b.mac; });
  const Key* found = nullptr;
  if (first != m_Keys.end() && first->mac == mac && first->ifIndex == ifIndex) {
    found = &*first;
  } else if (any != m_Keys.end() && any->mac == mac) {
    // The device's first entry of the MAC, in table order.
    found = &*any;
    for (auto it = any; it != m_Keys.end() && it->mac == mac; ++it) {
      if (it->entry < found->entry) found = &*it;
    }
  }
  if (found == nullptr) return false;
  const VlanFdbEntry& e = m_Collected.vlanFdb[found->entry];
  *vlan = VlanRef{e.vlanId, e.vlanName};
  return true;
}

const PortVlans* VlanLookup::PortOf(long ifIndex) const {
  auto it = m_Ports.find(ifIndex);
  return it == m_Ports.end() ? nullptr : &m_Collected.portVlans[it->second];
}

}  // namespace disco
