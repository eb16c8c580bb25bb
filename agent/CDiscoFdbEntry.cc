// A forwarding-database entry: a borrowed local neighbour, an owned remote neighbour and an owned
// key text.
#include "agent/CDiscoFdbEntry.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolString.h"
#include "host/TolTrace.h"
#include "host/TolTypes.h"

namespace {

const char* const kSource = "CDiscoFdbEntry";

}  // namespace

CDiscoFdbEntry::CDiscoFdbEntry() : m_LocalNbr(nullptr), m_RemoteNbr(nullptr), m_Key(nullptr) {}

CDiscoFdbEntry::CDiscoFdbEntry(const CDiscoFdbEntry& other)
    : CTolListable(), m_LocalNbr(nullptr), m_RemoteNbr(nullptr), m_Key(nullptr) {
  TOL_TRACE(1, "CDiscoFdbEntry::CDiscoFdbEntry(copy)\n");
  // The local neighbour belongs to the "m_LocalNbr" tree: both entries borrow the same record.
  m_LocalNbr = other.m_LocalNbr;
  if (other.m_RemoteNbr != nullptr) {
    m_RemoteNbr = new CTolRecord(*other.m_RemoteNbr);
  }
  if (other.m_Key != nullptr) {
    m_Key = strdup(other.m_Key);
    if (m_Key == nullptr) {
      CTolError(TOL_ERR_NO_MEMORY, kSource, __LINE__, "entry key could not be copied");
    }
  }
}

CDiscoFdbEntry::~CDiscoFdbEntry() {
  delete m_RemoteNbr;
  m_RemoteNbr = nullptr;
  free(m_Key);
  m_Key = nullptr;
  m_LocalNbr = nullptr;
}

CTolListable* CDiscoFdbEntry::RLTargetDeepCopy(const CTolListable* source) {
  const CDiscoFdbEntry* entry = dynamic_cast<const CDiscoFdbEntry*>(source);
  if (entry == nullptr) {
    return nullptr;
  }
  return new CDiscoFdbEntry(*entry);
}

int CDiscoFdbEntry::DFELocalNeighbour(CTolRecord* local) {
  if (local == nullptr) {
    CTolError(TOL_ERR_NULL, kSource, __LINE__, "null local neighbour");
    return TOL_ERR_NULL;
  }
  m_LocalNbr = local;
  return 1;
}

int CDiscoFdbEntry::DFERemoteNeighbour(CTolRecord* remote) {
  if (remote == nullptr) {
    CTolError(TOL_ERR_NULL, kSource, __LINE__, "null remote neighbour");
    return TOL_ERR_NULL;
  }
  // No caller replaces a remote neighbour; if one ever does, the entry still owns exactly one
  // record, so the earlier one is released rather than leaked.
  if (m_RemoteNbr != nullptr && m_RemoteNbr != remote) {
    delete m_RemoteNbr;
  }
  m_RemoteNbr = remote;
  return 1;
}

int CDiscoFdbEntry::DFEKey(char* key) {
  if (key == nullptr) {
    CTolError(TOL_ERR_NULL, kSource, __LINE__, "null key");
    return TOL_ERR_NULL;
  }
  if (m_Key != nullptr && m_Key != key) {
    free(m_Key);
  }
  m_Key = key;
  return 1;
}

char* CDiscoFdbEntry::DFEPrint() const {
  CTolString text;
  if (m_LocalNbr != nullptr) {
    const char* local = m_LocalNbr->RRPrintStr(true);
    if (local != nullptr) {
      text.RSStrCat(" LocalNeighbour: ");
      text.RSStrCat(local);
    }
  }
  if (m_RemoteNbr != nullptr) {
    const char* remote = m_RemoteNbr->RRPrintStr(true);
    if (remote != nullptr) {
      text.RSStrCat(" RemoteNeighbour: ");
      text.RSStrCat(remote);
    }
  }
  text.RSStrCat(" Key: ");
  text.RSStrCat(m_Key != nullptr ? m_Key : "NULL");
  return text.RSStringCopy();
}

void CDiscoFdbEntry::DFEDump() const {
  std::cout << " LocalNeighbour: ";
  if (m_LocalNbr != nullptr) {
    m_LocalNbr->RRPrint();
  } else {
    std::cout << "NULL";
  }
  std::cout << " RemoteNeighbour: ";
  if (m_RemoteNbr != nullptr) {
    m_RemoteNbr->RRPrint();
  } else {
    std::cout << "NULL";
  }
  std::cout << " Key: " << (m_Key != nullptr ? m_Key : "NULL") << std::endl;
}
