#include "host/CTolBag.h"

#include "host/CTolAtom.h"
#include "host/CTolPointer.h"

void CTolBag::RBAddBytes(const std::string& bytes) {
  CTolAtom* atom = new CTolAtom(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  m_Entries.RDLAddToEnd(new CTolPointer(atom));
}

std::string CTolBag::RBEncode(const std::vector<std::string>& entries) {
  std::string out;
  for (const std::string& e : entries) {
    unsigned long n = static_cast<unsigned long>(e.size());
    out += static_cast<char>((n >> 24) & 0xFF);
    out += static_cast<char>((n >> 16) & 0xFF);
    out += static_cast<char>((n >> 8) & 0xFF);
    out += static_cast<char>(n & 0xFF);
    out += e;
  }
  return out;
}

CTolBag* CTolBag::RBDecode(const std::string& payload) {
  std::vector<std::string> entries;
  size_t pos = 0;
  while (pos < payload.size()) {
    if (payload.size() - pos < 4) return nullptr;  // truncated length
    unsigned long n = 0;
    for (int i = 0; i < 4; ++i) n = (n << 8) | static_cast<unsigned char>(payload[pos + i]);
    pos += 4;
    if (n > payload.size() - pos) return nullptr;  // entry runs past the end
    entries.push_back(payload.substr(pos, n));
    pos += n;
  }
  CTolBag* bag = new CTolBag();
  for (const std::string& e : entries) bag->RBAddBytes(e);
  return bag;
}
