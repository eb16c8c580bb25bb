// Names shared by the Extreme agent's download and processing steps: the mediation-data keys under
// which the steps leave their tables for the later phases, and the source name that the agent's
// error reports carry. Internal to the agent folder.
#pragma once

#include "host/CTolPointer.h"

namespace NSExtremeAgent {

// Source name of every error report raised by the Extreme agent's own operations.
constexpr const char* kErrorSource = "CDiscoExtremeSwitchAgent";

// Mediation-data keys. Each holds a CTolTreeList from the phase that makes it until the processing
// layer's clean-up removes and frees it.
constexpr const char* kLocalNbrKey = "m_LocalNbr";                   // key -> CTolRecord
constexpr const char* kBasePortIfIndexKey = "dot1dBasePortIfIndex";  // port -> CTolSnmpVarOp
constexpr const char* kStpPortStatesKey = "m_extremeStpPortStates";  // ifIndex -> CTolVarBind
constexpr const char* kSwitchFdbTableKey = "m_SwitchFdbTable";       // MAC -> CDiscoFdbEntry
constexpr const char* kEdpNbrsKey = "m_extremeEdpNbrs";              // EDP key -> CDiscoFdbEntry
// Filed by the mediation filter as an SNMP get result, owned by the mediation data.
constexpr const char* kAgingTimeKey = "dot1dTpAgingTime";

// The data of a tree node as the type it was filed as; null for a null node or null data.
template <class T>
T* NodeData(const CTolPointer* node) {
  return node ? static_cast<T*>(node->RPData()) : nullptr;
}

}  // namespace NSExtremeAgent
