#include "engine/collect/SystemCollector.h"

#include <cstdio>
#include <memory>

#include "engine/base/MacAddress.h"
#include "engine/collect/TableColumns.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolASN1Address.h"
#include "host/CTolDoubleList.h"
#include "host/CTolSnmpVarOp.h"

namespace disco {

namespace {

std::string Scalar(CDiscoStdRequester& requester, CTolRecord& device, const char* object) {
  std::unique_ptr<CTolSnmpVarOp> row(requester.DSRSnmpGet(&device, object, "0", nullptr));
  if (!row || row->RSVOValue() == nullptr) return "";
  return row->RSVOValue()->RAText();
}

}  // namespace

SwitchSystem ReadSwitchSystem(CDiscoStdRequester& requester, CTolRecord& device) {
  SwitchSystem s;
  s.name = Scalar(requester, device, "sysName");
  s.descr = Scalar(requester, device, "sysDescr");
  s.objectId = Scalar(requester, device, "sysObjectID");
  std::string mac;
  if (NormalizeMac(Scalar(requester, device, "dot1dBaseBridgeAddress"), &mac) &&
      mac != "00:00:00:00:00:00") {
    s.bridgeMac = mac;
  }
  Column forwarding;  // IP-MIB ipForwarding, a scalar
  long long value = 0;
  s.forwardsIp = ReadColumn(requester, device, "1.3.6.1.2.1.4.1", &forwarding) &&
                 IntegerAt(forwarding, {0}, &value) && value == 1;
  // extremeEdpNeighborName is indexed by the local ifIndex and the neighbour's 8-octet
  // identifier, whose last six octets are its MAC address.
  std::unique_ptr<CTolDoubleList> rows(
      requester.DSRSnmpGetNext(&device, "extremeEdpNeighborName", nullptr, nullptr));
  if (!rows) return s;
  for (CTolListable* e = rows->RDLHead(); e != nullptr; e = rows->RDLGetNext(e)) {
    const CTolSnmpVarOp* row = dynamic_cast<const CTolSnmpVarOp*>(e);
    if (row == nullptr || row->RSVOASN1() == nullptr || row->RSVOValue() == nullptr) continue;
    const CTolASN1Address& index = *row->RSVOASN1();
    if (index.RAALength() != 9) continue;
    EdpNeighbourName n;
    n.ifIndex = index.RAAAddressAt(0);
    char text[18];
    bool ok = true;
    for (int i = 0; i < 6; ++i) {
      long octet = index.RAAAddressAt(3 + i);
      ok = ok && octet >= 0 && octet <= 255;
      std::snprintf(text + i * 3, 4, i < 5 ? "%02lX:" : "%02lX", octet & 255);
    }
    if (!ok || !NormalizeMac(text, &n.mac)) continue;
    n.name = row->RSVOValue()->RAText();
    s.edpNames.push_back(std::move(n));
  }
  return s;
}

}  // namespace disco
