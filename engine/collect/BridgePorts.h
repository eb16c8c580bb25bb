// The interface behind each bridge port (BRIDGE-MIB dot1dBasePortIfIndex), as the forwarding and
// VLAN tables of a standard bridge name ports by bridge port number.
#pragma once

#include "engine/collect/TableColumns.h"

class CDiscoStdRequester;
class CTolRecord;

namespace disco {

class BridgePorts {
 public:
  BridgePorts() = default;
  // Walks dot1dBasePortIfIndex of `device`.
  BridgePorts(CDiscoStdRequester& requester, CTolRecord& device);
  // Takes a column already read (tests, or a caller that has it).
  explicit BridgePorts(Column ifIndexOf) : m_IfIndexOf(std::move(ifIndexOf)) {}

  // The ifIndex of bridge port `port`: its dot1dBasePortIfIndex entry; when the switch maps no
  // bridge port at all (some number bridge ports by ifIndex and leave the table empty), the port
  // number itself. False for port 0 and for a port the switch's mapping leaves out.
  bool IfIndexOf(long long port, long* ifIndex) const;
  // Whether the switch gave no mapping, so that port numbers are taken as ifIndexes.
  bool ByPortNumber() const { return m_IfIndexOf.empty(); }

 private:
  Column m_IfIndexOf;
};

}  // namespace disco
