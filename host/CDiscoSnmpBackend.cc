#include "host/CDiscoSnmpBackend.h"

#include "host/CTolAtom.h"
#include "host/CTolRecord.h"

std::string CDiscoSnmpTarget::Key() const { return address + ":" + std::to_string(port); }

std::string CDiscoSnmpTarget::DeviceKey() const { return Key() + " " + name; }

bool TolTargetOfDevice(const CTolRecord& device, CDiscoSnmpTarget* target) {
  if (target == nullptr) return false;
  const CTolAtom* ip = device.RRValueOf("m_IpAddress");
  if (ip == nullptr || ip->RAType() != eTolString || ip->RAString()[0] == '\0') return false;
  CDiscoSnmpTarget t;
  t.address = ip->RAString();
  if (const CTolAtom* port = device.RRValueOf("m_SnmpPort")) {
    // A port that is not a port number is as unusable as a missing address.
    long long p = port->RAType() == eTolInteger ? port->RAInt64() : port->RAInt();
    if (p < 1 || p > 65535) return false;
    t.port = static_cast<int>(p);
  }
  const CTolAtom* name = device.RRValueOf("m_Name");
  if (name != nullptr && name->RAType() == eTolString && name->RAString()[0] != '\0') {
    t.name = name->RAString();
  } else {
    t.name = t.address;
  }
  *target = std::move(t);
  return true;
}
