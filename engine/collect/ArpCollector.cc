#include "engine/collect/ArpCollector.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "engine/base/Ipv4Address.h"
#include "engine/base/MacAddress.h"
#include "host/CDiscoArpService.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolASN1Address.h"
#include "host/CTolDoubleList.h"
#include "host/CTolSnmpVarOp.h"

namespace disco {

namespace {

bool UsableMac(const std::string& text, std::string* mac) {
  return NormalizeMac(text, mac) && *mac != "00:00:00:00:00:00";
}

}  // namespace

std::vector<ArpPair> ParseProcNetArp(const std::string& text) {
  // "IP address  HW type  Flags  HW address  Mask  Device", one entry a line after the title.
  std::vector<ArpPair> pairs;
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string ip, hwType, flags, hw;
    if (!(fields >> ip >> hwType >> flags >> hw)) continue;
    unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
    uint32_t a = 0;
    ArpPair p;
    if ((f & 0x2) == 0 || !ParseIpv4(ip, &a) || !UsableMac(hw, &p.mac)) continue;  // ATF_COM
    p.ip = ip;
    pairs.push_back(p);
  }
  return pairs;
}

std::vector<ArpPair> ReadLocalArpTable() {
  std::ifstream in("/proc/net/arp");
  if (!in) return {};
  std::stringstream text;
  text << in.rdbuf();
  return ParseProcNetArp(text.str());
}

std::vector<ArpPair> WalkDeviceArpTable(CDiscoStdRequester& requester, CTolRecord& device) {
  std::vector<ArpPair> pairs;
  std::unique_ptr<CTolDoubleList> rows(
      requester.DSRSnmpGetNext(&device, "ipNetToMediaPhysAddress", nullptr, nullptr));
  if (!rows) return pairs;
  for (CTolListable* e = rows->RDLHead(); e != nullptr; e = rows->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = dynamic_cast<const CTolSnmpVarOp*>(e);
    if (row == nullptr || row->RSVOASN1() == nullptr || row->RSVOValue() == nullptr) continue;
    const CTolASN1Address& index = *row->RSVOASN1();
    if (index.RAALength() != 5) continue;  // ifIndex . a . b . c . d
    uint32_t a = 0;
    bool ok = true;
    for (int i = 1; i <= 4; ++i) {
      long part = index.RAAAddressAt(i);
      ok = ok && part >= 0 && part <= 255;
      a = (a << 8) | static_cast<uint32_t>(part & 255);
    }
    ArpPair p;
    if (!ok || !UsableMac(row->RSVOValue()->RAText(), &p.mac)) continue;
    p.ip = FormatIpv4(a);
    pairs.push_back(p);
  }
  return pairs;
}

int AddArpPairs(const std::vector<ArpPair>& pairs, const std::string& addressSpace,
                CDiscoArpTable& table) {
  for (const ArpPair& p : pairs) table.Add(p.mac, p.ip, addressSpace);
  return static_cast<int>(pairs.size());
}

}  // namespace disco
