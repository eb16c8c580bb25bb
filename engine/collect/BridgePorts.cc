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
  // ifIndex values past 2^31 may come as negative INTEGERs (IfIndexAt reads them back).
  return IfIndexAt(m_IfIndexOf, {static_cast<unsigned long>(port)}, ifIndex);
}

}  // namespace disco
