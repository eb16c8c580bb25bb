#include "engine/collect/BridgePorts.h"

#include "engine/collect/EngineOids.h"

namespace disco {

BridgePorts::BridgePorts(CDiscoStdRequester& requester, CTolRecord& device) {
  ReadColumn(requester, device, oids::kDot1dBasePortIfIndex, &m_IfIndexOf);
}

bool BridgePorts::IfIndexOf(long long port, long* ifIndex) const {
  if (port <= 0) return false;
  if (m_IfIndexOf.empty()) {
    *ifIndex = static_cast<long>(port);
    return true;
  }
  long long mapped = 0;
  if (!IntegerAt(m_IfIndexOf, {static_cast<unsigned long>(port)}, &mapped) || mapped <= 0) {
    return false;
  }
  *ifIndex = static_cast<long>(mapped);
  return true;
}

}  // namespace disco
