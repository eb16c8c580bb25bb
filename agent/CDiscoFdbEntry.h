// Pairs one local neighbour (an interface of the switch; borrowed from the "m_LocalNbr" tree) with
// one remote neighbour (owned) under a key (owned heap text).
#pragma once

#include "host/CTolListable.h"
#include "host/DiscoPluginAbi.h"

class CTolRecord;

class DISCO_EXPORT CDiscoFdbEntry : public CTolListable {
 public:
  CDiscoFdbEntry();
  // Shares the local neighbour, deep-copies the remote neighbour and duplicates the key.
  CDiscoFdbEntry(const CDiscoFdbEntry& other);
  CDiscoFdbEntry& operator=(const CDiscoFdbEntry&) = delete;
  // Deletes the remote neighbour and frees the key; never touches the local neighbour.
  ~CDiscoFdbEntry() override;

  // A new entry copied from `source` (a CDiscoFdbEntry), owned by the caller.
  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

  // Setters: 1, or TOL_ERR_NULL for null (the entry unchanged). The local neighbour is borrowed;
  // the remote neighbour and the key (a malloc'd text) are taken over.
  int DFELocalNeighbour(CTolRecord* local);
  int DFERemoteNeighbour(CTolRecord* remote);
  int DFEKey(char* key);

  CTolRecord* DFELocalNeighbour() const { return m_LocalNbr; }
  CTolRecord* DFERemoteNeighbour() const { return m_RemoteNbr; }
  char* DFEKey() const { return m_Key; }

  // A text form of the entry (heap text the caller frees with free()).
  char* DFEPrint() const;
  // Writes every label and value to standard output, ends the line and flushes.
  void DFEDump() const;

 private:
  CTolRecord* m_LocalNbr;
  CTolRecord* m_RemoteNbr;
  char* m_Key;
};
