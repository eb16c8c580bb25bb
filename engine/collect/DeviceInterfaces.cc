#include "engine/collect/DeviceInterfaces.h"

#include "engine/base/JsonText.h"
#include "engine/collect/TableColumns.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolVBList.h"

namespace disco {

std::string InterfaceLabel(const CTolVBList& fields) {
  long long card = 0;
  long long port = 0;
  long long ifIndex = 0;
  if (FieldInteger(fields, "m_LocalNbrCard", &card) &&
      FieldInteger(fields, "m_LocalNbrPort", &port)) {
    return std::to_string(card) + ":" + std::to_string(port);
  }
  if (FieldInteger(fields, "m_IfIndex", &ifIndex))
    return "if " + std::to_string(IfIndexOf(ifIndex));
  return "?";
}

DeviceInterfaces::DeviceInterfaces(const CDiscoProcessedData& processed) {
  for (const CTolVBList* local : processed.DPDLocalNbrs()) {
    long long ifIndex = 0;
    if (!FieldInteger(*local, "m_IfIndex", &ifIndex)) continue;
    // The agent may hand an ifIndex past 2^31 over as the negative 32-bit number it was sent as.
    Add(IfIndexOf(ifIndex), InterfaceLabel(*local), FieldText(*local, "m_IfDescr", ""),
        FieldText(*local, "m_LocalNbrPhysAddr", ""));
  }
}

DeviceInterfaces::DeviceInterfaces(const std::vector<EngineInterface>& interfaces) {
  for (const EngineInterface& i : interfaces) Add(i.ifIndex, i.label, i.descr, i.mac);
}

void DeviceInterfaces::Add(long ifIndex, const std::string& label, const std::string& descr,
                           const std::string& mac) {
  m_ByIfIndex.emplace(ifIndex, Interface{label, descr, mac});  // the first record of it stays
}

bool DeviceInterfaces::Find(long ifIndex, LocalPort* port) const {
  auto it = m_ByIfIndex.find(ifIndex);
  if (it == m_ByIfIndex.end()) return false;
  port->ifIndex = ifIndex;
  port->label = it->second.label;
  return true;
}

std::vector<long> DeviceInterfaces::WithDescr(const std::string& descr) const {
  std::vector<long> out;
  for (const auto& [ifIndex, i] : m_ByIfIndex) {
    if (!descr.empty() && i.descr == descr) out.push_back(ifIndex);
  }
  return out;
}

std::vector<long> DeviceInterfaces::WithMac(const std::string& mac) const {
  std::vector<long> out;
  for (const auto& [ifIndex, i] : m_ByIfIndex) {
    if (!mac.empty() && i.mac == mac) out.push_back(ifIndex);
  }
  return out;
}

}  // namespace disco
