// Shared by the Extreme agent's tests: the agent with its protected steps reachable and the
// handed-over neighbours as one readable line each.
#pragma once

#include <string>
#include <vector>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolRecord.h"
#include "host/CTolVBList.h"
#include "host/TolDebug.h"
#include "support/AtomText.h"
#include "support/TraceCapture.h"

class TestExtremeAgent : public CDiscoExtremeSwitchAgent {
 public:
  using CDiscoExtremeSwitchAgent::DESAAddCard;
  using CDiscoExtremeSwitchAgent::DESAAddDescription;
  using CDiscoExtremeSwitchAgent::DESAAddIPIfIndexAndStatusBinds;
  using CDiscoExtremeSwitchAgent::DESAAddLocalNeighbour;
  using CDiscoExtremeSwitchAgent::DESAAddPort;
  using CDiscoExtremeSwitchAgent::DESAAddStpPortState;
  using CDiscoExtremeSwitchAgent::DESACleanUpMemory;
  using CDiscoExtremeSwitchAgent::DESAIfIndex2Card;
  using CDiscoExtremeSwitchAgent::DESAIfIndex2Port;
  using CDiscoExtremeSwitchAgent::DSADownloadAgingTime;
  using CDiscoExtremeSwitchAgent::DSADownloadFdbTable;
  using CDiscoExtremeSwitchAgent::DSAProcessFdbTable;
};

// The local neighbours handed over, one text each, in hand-over order.
inline std::vector<std::string> LocalTable(const CDiscoProcessedData& proc) {
  std::vector<std::string> rows;
  for (const CTolVBList* local : proc.DPDLocalNbrs()) rows.push_back(ShowFields(*local));
  return rows;
}

// The remote neighbours handed over, each as "<ifIndex of its local neighbour> <- <fields>", the
// local side found among the local neighbours handed over ("?" when it is not one of them).
inline std::vector<std::string> RemoteTable(const CDiscoProcessedData& proc) {
  std::vector<std::string> rows;
  std::vector<const CTolVBList*> locals = proc.DPDLocalNbrs();
  CTolRecord remote;
  for (std::size_t i = 0; i < proc.DPDRemoteCount(); ++i) {
    int at = proc.DPDRemoteLocalIndex(i);
    const CTolVarBind* ifIndex = at >= 0 ? locals[at]->RVBLFind("m_IfIndex") : nullptr;
    proc.DPDRemoteFields(i, &remote);
    rows.push_back((ifIndex ? ShowAtom(ifIndex->RVBValue()) : std::string("?")) + " <- " +
                   ShowFields(remote.RRValues()));
  }
  return rows;
}
