// An interface as the agent handed it over (one of its local neighbours), in the words the
// summary and the inventory use: card:port label, description, operational status, spanning-tree
// state and VLANs.
#pragma once

#include <functional>
#include <string>

class CTolVBList;

namespace disco {

struct InterfaceFields {
  long long ifIndex = 0;  // 0 when the record has none
  std::string label;      // "1:8", "if 1001" (DeviceInterfaces.h: InterfaceLabel)
  std::string descr;      // ifDescr, whole
  std::string status;     // "up", "down", ...; "" when the record has none
  std::string stp;        // "forwarding", "blocking", ...; "" when the record has none
  // "Default (1), users (2) tag 10": each VLAN with its identifier, and for a VLAN the interface
  // carries encapsulated its 802.1Q tag (or "tagged" when the tag is unknown).
  std::string vlans;
};

// Reads the fields of one local neighbour record. `vlanName`, when given, makes each VLAN's name
// fit where it is shown (the summary cuts and escapes device text); else names are kept whole.
InterfaceFields ReadInterface(const CTolVBList& local,
                              const std::function<std::string(const std::string&)>& vlanName = {});

// Names of the integer values of the interface status and of the spanning-tree port state.
std::string IfOperStatusName(long long status);
std::string StpPortStateName(long long state);

}  // namespace disco
