#include "host/CDiscoArpService.h"

#include <cctype>

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

void CDiscoArpTable::Add(const std::string& mac, const std::string& ip,
                         const std::string& addressSpace) {
  if (mac.empty() || ip.empty()) return;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_BySpace[addressSpace].emplace(Upper(mac), ip);  // the first address given stays
}

int CDiscoArpTable::Size() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  size_t n = 0;
  for (const auto& space : m_BySpace) n += space.second.size();
  return static_cast<int>(n);
}

// Address spaces are separate (their addresses may overlap): a query is answered only from its
// own space, the default one when none is given. Without a MAC, an IP address is looked up
// instead (the first MAC in MAC order that has it).
CTolAtomVector* CDiscoArpTable::GetARP(const char* ip, const char* mac, const char*, const char*,
                                       const char* addressSpace) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto space = m_BySpace.find(addressSpace ? addressSpace : "");
  if (space == m_BySpace.end()) return nullptr;
  if (mac != nullptr) {
    auto it = space->second.find(Upper(mac));
    return it == space->second.end() ? nullptr : Answer(it->second, it->first);
  }
  if (ip != nullptr) {
    for (const auto& kv : space->second) {
      if (kv.second == ip) return Answer(kv.second, kv.first);
    }
  }
  return nullptr;
}
