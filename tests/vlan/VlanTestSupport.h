// A test agent over the VLAN switch agent, and readers that turn the VLAN structures of a device
// into short texts that a table row can spell out.
#pragma once

#include <string>
#include <vector>

#include "host/CDiscoMediationData.h"
#include "host/CTolErrorSink.h"
#include "host/CTolVBList.h"
#include "support/AtomText.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"

// The object names a VLAN agent is given, and the numeric columns its recordings hold.
struct VlanMib {
  const char* label;
  const char* names[5];  // global mapping, global id, description, stack lower layer, encaps tag
  const char* oids[4];   // global id, description, stack lower layer, encaps tag
};
extern const VlanMib kExtremeMib;   // EXTREME-VLAN-MIB, by object name
extern const VlanMib kInventedMib;  // the same shape under 1.3.6.1.4.1.99999, by numeric OID

// A subclass for `m` with its pure slots as no-ops and its protected operations opened.
class VlanTestAgent : public CDiscoExtreme3ComVlanSwitchAgent {
 public:
  explicit VlanTestAgent(const VlanMib& m, int lowerLayerIfType = -1,
                         const char* encapsIfDescrFilter = nullptr)
      : CDiscoExtreme3ComVlanSwitchAgent(m.names[0], m.names[1], m.names[2], m.names[3], m.names[4],
                                         lowerLayerIfType, encapsIfDescrFilter) {}
  using CDiscoExtreme3ComVlanSwitchAgent::AddVLanInfo;
  using CDiscoExtreme3ComVlanSwitchAgent::CleanUpMemory;
  using CDiscoExtreme3ComVlanSwitchAgent::DSADownloadVlanInfo;

 protected:
  int DSADownloadAgingTime(CTolRecord*, CDiscoMediationData*) override { return 0; }
  void DSADownloadLocalNeighbours(CTolRecord*, CDiscoMediationData*) override {}
  void DSADownloadFdbTable(CTolRecord*, CDiscoMediationData*, int) override {}
  void DSAProcessFdbTable(CTolRecord*, CDiscoMediationData*) override {}
};

// .snmprec text from lines whose OID may start with a symbol: GID, DESCR, STACK, TAG (columns of
// `mib`), IFDESCR, IFTYPE, IFSTACK. "TAG.200|2|110" becomes "<tag column>.200|2|110".
std::string VlanRecording(const VlanMib& mib, const std::vector<std::string>& lines);

// The VLAN structures of a device as texts; "-" for a structure that is not stored.
struct VlanState {
  std::string store;         // "ifIndex:vlan/flag,vlan/flag ifIndex:..." in ifIndex order
  std::string descr;         // "vlan='text' ..."
  std::string tags;          // "vlan->tag ..."
  std::string trunks;        // "ifIndex ..." ascending
  bool stackStored = false;  // the "ifStackStatus" walk is kept
};
VlanState ReadVlanState(const CDiscoMediationData& med);

// The reports of the VLAN class as "code:text", in order.
std::vector<std::string> VlanReports(const CTolErrorLog& log);
