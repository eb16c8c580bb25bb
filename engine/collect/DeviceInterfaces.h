// The interfaces of a device as the agent handed them over (its local neighbours) or as the
// engine read them from ifTable, looked up by ifIndex, name or MAC address, with the label the
// results and the summary give each one.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/collect/CollectedData.h"

class CDiscoProcessedData;
class CTolVBList;

namespace disco {

// An interface's label: "card:port" from m_LocalNbrCard and m_LocalNbrPort, else "if N" from
// m_IfIndex, else "?".
std::string InterfaceLabel(const CTolVBList& localFields);

class DeviceInterfaces {
 public:
  DeviceInterfaces() = default;
  // Reads the local neighbours of `processed` during the call only.
  explicit DeviceInterfaces(const CDiscoProcessedData& processed);
  // The interfaces the engine read itself, with their labels (InterfaceCollector.h).
  explicit DeviceInterfaces(const std::vector<EngineInterface>& interfaces);

  // Records one interface (used by the constructor and by tests).
  void Add(long ifIndex, const std::string& label, const std::string& descr,
           const std::string& mac);

  // The interface with `ifIndex`; false when the device has none.
  bool Find(long ifIndex, LocalPort* port) const;
  // The ifIndexes of the interfaces whose description (m_IfDescr) is `descr`, or whose MAC
  // address (m_LocalNbrPhysAddr, normalised text) is `mac`, in ifIndex order.
  std::vector<long> WithDescr(const std::string& descr) const;
  std::vector<long> WithMac(const std::string& mac) const;
  bool Empty() const { return m_ByIfIndex.empty(); }

 private:
  struct Interface {
    std::string label, descr, mac;
  };
  std::map<long, Interface> m_ByIfIndex;
};

}  // namespace disco
