// The agent for Extreme Networks switches: the mediation filter, the interface, spanning-tree,
// forwarding-database and EDP downloads, and the processing layer that hands the neighbours to
// the engine and frees the device's stores.
#pragma once

#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"

class CTolAtom;
class CTolSnmpVarOp;
class CTolVBList;
class CDiscoProcessedData;

class DISCO_EXPORT CDiscoExtremeSwitchAgent : public CDiscoExtreme3ComVlanSwitchAgent {
 public:
  CDiscoExtremeSwitchAgent();
  ~CDiscoExtremeSwitchAgent() override;

 protected:
  __boolean DADoMediationFilter(CTolRecord* device) override;                       // slot 7
  void RASetSCName() override;                                                      // slot 15
  void RASetSCDesc() override;                                                      // slot 16
  int DSADownloadAgingTime(CTolRecord* device, CDiscoMediationData* med) override;  // slot 22
  void DSADownloadLocalNeighbours(CTolRecord* device, CDiscoMediationData* med) override;  // 23
  void DSADownloadFdbTable(CTolRecord* device, CDiscoMediationData* med,
                           int agingTime) override;                                // slot 25
  void DSAProcessFdbTable(CTolRecord* device, CDiscoMediationData* med) override;  // slot 28

  // --- Local neighbour record ---
  int DESAIfIndex2Card(int ifIndex);  // card, or -1 from 10000 up
  int DESAIfIndex2Port(int ifIndex);  // port, or -1 from 10000 up
  int DESAAddPort(CTolVBList& fields, int ifIndex);
  int DESAAddCard(CTolVBList& fields, int ifIndex);
  int DESAAddMac(CTolVBList& fields, const CTolAtom* physAddress);
  int DESAAddDescription(CTolVBList& fields, const char* indexText, CTolTreeList* ifDescr);
  int DESAAddStpPortState(CTolVBList& fields, const char* indexText, CTolTreeList* portStates);
  int DESAAddIPIfIndexAndStatusBinds(int ifIndex, const char* indexText, CTolVBList& fields,
                                     CTolTreeList* ifOperStatus, CTolTreeList* ipAdEntIfIndex);
  // Takes ownership of `fields`; files the record in *tree (made on first use).
  int DESAAddLocalNeighbour(CTolVBList* fields, CTolTreeList** tree);

  // --- Local interface discovery ---
  int DESABuildLocalMacInterfaces(CTolTreeList* ifPhysAddress, CTolTreeList* ifDescr,
                                  CTolTreeList* ifType, CTolTreeList* ipAdEntIfIndex,
                                  CTolTreeList* ifOperStatus, CTolTreeList* vlanStore,
                                  CTolTreeList* portStates, CTolTreeList** localNbrs,
                                  CTolTreeList* vlanDescr, CTolTreeList* vlanToTag,
                                  CTolHashStore* trunkIfIndexes);
  int DESABuildLocalIPInterfaces(CTolTreeList* ipAdEntIfIndex, CTolTreeList* ifOperStatus,
                                 CTolTreeList* vlanStore, CTolTreeList* portStates,
                                 CTolTreeList* ifPhysAddress, CTolTreeList* ifDescr,
                                 CTolTreeList* ifType, CTolTreeList** localNbrs,
                                 CTolTreeList* vlanDescr);

  // --- Spanning-tree port states ---
  // The ifIndex-keyed state table (stored under "m_extremeStpPortStates"; borrowed), or null.
  CTolTreeList* DESADownloadStpPortStateInfo(CTolRecord* device, CDiscoMediationData* med,
                                             CTolTreeList* basePortIfIndex);

  // --- Forwarding database ---
  bool DESADownloadExtremeFdbTable(CTolRecord* device, CDiscoMediationData* med);
  void DESADownloadSingleFdbTable(CTolRecord* device, CDiscoMediationData* med);
  void DESAExtractAndAddExtremeRemoteNbr(CTolRecord* device, CTolSnmpVarOp* statusRow,
                                         CTolTreeList* macTree, CTolTreeList* portTree,
                                         CTolTreeList* localNbrs, CTolTreeList** table);
  void DESAExtractAndAddRemoteNbr(CTolRecord* device, CTolSnmpVarOp* statusRow,
                                  CTolTreeList* macToPort, CTolTreeList* basePortIfIndex,
                                  CTolTreeList* localNbrs, CTolTreeList** table);
  void DESAAddRemoteNbr(CTolRecord* device, char* mac, CTolRecord* localNbr, CTolTreeList** table);
  CTolRecord* DESAGetLocalNbrRecord(CTolAtom* ifIndex, CTolTreeList* localNbrs);
  EDiscoPortStatus DESAExtractFdbStatus(CTolSnmpVarOp* statusRow);

  // --- EDP neighbours ---
  void DESADownloadEdpNeighbours(CTolRecord* device, CDiscoMediationData* med);
  void DESAExtractEDPData(CTolSnmpVarOp& portRow, CTolTreeList& slotTree, int& ifIndex,
                          int& localPort, int& localCard, char** remoteMac, int& remotePort,
                          int& remoteCard);
  void DESAAddEDPRemoteNbr(CTolRecord* device, CTolRecord* localNbr, char* remoteMac,
                           int remotePort, int remoteCard, int ifIndex, CTolTreeList** table);

  // --- Processing layer ---
  int DESACopyNeighboursFromMedDataToProcData(CDiscoMediationData* med, CDiscoProcessedData* proc);
  void DESACleanUpMemory(CDiscoMediationData* med);

 private:
  // One row of the EDP port table: files the neighbour it names as a remote neighbour of the
  // local neighbour of its card and port, in *table (made on first use); rows lacking a field or
  // whose card and port have no local neighbour are skipped.
  void AddEdpNeighbour(CTolRecord* device, CTolSnmpVarOp& portRow, CTolTreeList& slotTree,
                       CTolTreeList& localNbrs, CTolTreeList** table);
  void CheckRIFInterfaces(CDiscoMediationData& med, CDiscoProcessedData& proc);
};
