#include "host/CDiscoArpService.h"

#include <absl/container/flat_hash_map.h>

#include <cctype>
#include <mutex>
#include <string_view>

#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"

namespace {

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

CTolAtomVector* Answer(const std::string& ip, const std::string& mac) {
  CTolVBList* fields = new CTolVBList();
  fields->RVBLAddToListEnd(new CTolVarBind("m_HostIp", ip.c_str()));
  fields->RVBLAddToListEnd(new CTolVarBind("m_HostMac", mac.c_str()));
  CTolAtomVector* answer = new CTolAtomVector(1);
  answer->RAVAddToEnd(new CTolAtom(fields));
  return answer;
}

}  // namespace

// One address space: MAC to IP in MAC order (IP queries scan it in that order), and a hash
// index of the same entries for MAC queries, which a big switch makes by the hundred thousand.
struct CDiscoArpTable::Space {
  std::map<std::string, std::string> byMac;
  absl::flat_hash_map<std::string_view, const std::string*> ipOfMac;  // views of byMac's nodes
};

CDiscoArpTable::CDiscoArpTable() = default;
CDiscoArpTable::~CDiscoArpTable() = default;

void CDiscoArpTable::Add(const std::string& mac, const std::string& ip,
                         const std::string& addressSpace) {
  if (mac.empty() || ip.empty()) return;
  std::unique_lock<std::shared_mutex> lock(m_Mutex);
  std::unique_ptr<Space>& space = m_BySpace[addressSpace];
  if (!space) space = std::make_unique<Space>();
  auto added = space->byMac.emplace(Upper(mac), ip);  // the first address given stays
  if (added.second) space->ipOfMac.emplace(added.first->first, &added.first->second);
}

int CDiscoArpTable::Size() const {
  std::shared_lock<std::shared_mutex> lock(m_Mutex);
  size_t n = 0;
  for (const auto& space : m_BySpace) n += space.second->byMac.size();
  return static_cast<int>(n);
}

// Address spaces are separate (their addresses may overlap): a query is answered only from its
// own space, the default one when none is given. Without a MAC, an IP address is looked up
// instead (the first MAC in MAC order that has it).
CTolAtomVector* CDiscoArpTable::GetARP(const char* ip, const char* mac, const char*, const char*,
                                       const char* addressSpace) {
  std::shared_lock<std::shared_mutex> lock(m_Mutex);
  auto space = m_BySpace.find(addressSpace ? addressSpace : "");
  if (space == m_BySpace.end()) return nullptr;
  if (mac != nullptr) {
    std::string key = Upper(mac);
    auto it = space->second->ipOfMac.find(key);
    return it == space->second->ipOfMac.end() ? nullptr : Answer(*it->second, key);
  }
  if (ip != nullptr) {
    for (const auto& kv : space->second->byMac) {
      if (kv.second == ip) return Answer(kv.second, kv.first);
    }
  }
  return nullptr;
}
