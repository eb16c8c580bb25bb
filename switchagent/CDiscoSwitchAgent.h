// Abstract base of switch agents: the per-device driver of the mediation and processing layers,
// the shared ping cycle and IP resolution, and the SNMP table helpers. Declares slots 22 to 29.
#pragma once

#include "host/CDiscoAgent.h"
#include "host/DiscoPluginAbi.h"
#include "host/TolTypes.h"

class CTolRecord;
class CTolTreeList;
class CTolDoubleList;
class CTolASN1Address;
class CTolAtomVector;
class CTolThread;
class CTolTransport;
class CTolQryInfo;
class CDiscoMediationData;
class CDiscoDataReqHandler;

// Reply callback of the in-scope address query: `info` is a new CTolQryInfo that the callback owns
// (it is deleted while being processed), `agent` the CDiscoSwitchAgent. Runs on the handler's
// reply thread.
DISCO_EXPORT void DiscoSwitchAgentIpReplyThreadFn(void* info, void* agent);

class DISCO_EXPORT CDiscoSwitchAgent : public CDiscoAgent {
 public:
  CDiscoSwitchAgent();
  // REQUIRES: no device between DSAInitPing and DSAStopPing, no reply being handled.
  ~CDiscoSwitchAgent() override;

  void DADoMediationLayer(CTolRecord* device) override;  // slot 8
  void DADoProcessLayer(CTolRecord* device) override;    // slot 9

 protected:
  virtual int DSADownloadAgingTime(CTolRecord* device, CDiscoMediationData* med) = 0;         // 22
  virtual void DSADownloadLocalNeighbours(CTolRecord* device, CDiscoMediationData* med) = 0;  // 23
  virtual void DSADownloadVlanInfo(CTolRecord* device, CDiscoMediationData* med) = 0;         // 24
  virtual void DSADownloadFdbTable(CTolRecord* device, CDiscoMediationData* med,
                                   int agingTime) = 0;  // 25

 public:
  virtual void DSAFurtherMediation(CTolRecord* device, CDiscoMediationData* med);       // 26
  virtual void DSADownloadVlanTrunkInfo(CTolRecord& device, CDiscoMediationData& med);  // 27

 protected:
  virtual void DSAProcessFdbTable(CTolRecord* device, CDiscoMediationData* med) = 0;  // 28

 public:
  virtual void DSAFurtherProcessing(CTolRecord* device, CDiscoMediationData* med);  // 29

  // --- Ping cycle and IP resolution ---
  // Joins the ping cycle: the first device of a cycle sends the in-scope address query; it and
  // every device arriving before the first sweep has ended wait for that sweep. Returns 1, or the
  // failure code of the query (then without waiting).
  int DSAInitPing();
  // Leaves the ping cycle. Always returns 1.
  int DSAStopPing();
  // Sends the in-scope address query. Returns RQISendOQL's result. REQUIRES: m_PingLock held.
  int DSASendDiscoRequest();
  // Handles one reply message (takes ownership of `info` and deletes it); once the answer is
  // complete, builds the ping list and runs the ping loop. Runs on the reply thread.
  int DSAProcessDiscoPackets(CTolQryInfo* info);
  // Sweeps the ping list until no device is left in the cycle. Runs on the reply thread.
  int DSADoPing();
  // Sets `*ip` to a heap text (free()) holding the IP address the engine's ARP data gives for
  // `mac`, when it gives exactly one; leaves it alone otherwise. The caller sets `*ip` to null.
  void DSAResolveRemoteIp(const char* mac, CTolRecord* device, char** ip);

  // --- SNMP table helpers ---
  // Walks `object` into a tree keyed by index text (byIndex true) or value text; the rows come
  // back through `raw`. The caller frees both with DSADeleteSnmpList.
  CTolTreeList* DSABuildSnmpList(CTolRecord* device, __boolean byIndex, const char* object,
                                 CTolDoubleList** raw);
  // Deletes the tree (not its data) and the raw list; accepts nulls.
  void DSADeleteSnmpList(CTolTreeList* tree, CTolDoubleList* raw);
  // A tree keyed by the MAC text of each row's index, node data the row (borrowed from `rows`,
  // which must outlive the tree); first row wins. Null when no row gives a MAC text.
  CTolTreeList* DSABuildMacIndexedList(CTolDoubleList* rows);
  // Deletes the tree, not the rows; accepts null.
  void DSADeleteMacIndexedList(CTolTreeList* tree);
  // MAC text of an instance index (free()), or null.
  char* DSAConvertIndexToMac(CTolASN1Address* index);
  // Key of a local-neighbour record: "card.port", else its ifIndex text; null when neither.
  // Heap text (free()).
  char* DSADetermineKeyToUse(CTolRecord* record);
  // A new remote-neighbour record (caller owns) with "m_RemoteNbrPhysAddr" and, when resolved,
  // "m_RemoteNbrIpAddr"; null when the first field cannot be added.
  CTolRecord* DSABuildRemoteNbr(const char* mac, CTolRecord* device);
  // DAUFStringToInt in base 10.
  int DSAStringToInt(const char* text, int* value);

 protected:
  // False for invalid (2) and self (4), true for every other status.
  static bool IsPortStatusAcceptable(EDiscoPortStatus status);

 protected:
  // State of the shared ping cycle. The four first are read and written only under
  // m_PingLock; m_PingList and m_Transport only on the reply thread (and by the destructor).
  CDiscoDataReqHandler* m_DataReqHandler;
  int m_DiscoRequestSent;
  int m_InitialPingDone;
  int m_PingCount;
  CTolThread* m_PingLock;
  CTolAtomVector* m_PingList;
  CTolTransport* m_Transport;
};
