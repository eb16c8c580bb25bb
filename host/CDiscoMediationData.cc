#include "host/CDiscoMediationData.h"

#include "host/CTolDoubleList.h"
#include "host/CTolSnmpVarOp.h"
#include "host/TolTypes.h"

CDiscoMediationData::~CDiscoMediationData() {
  // Only the SNMP entries are ours; pointer entries belong to whoever stored them.
  for (auto& kv : m_Entries) {
    delete kv.second.get;
    delete kv.second.walk;
  }
}

int CDiscoMediationData::DMDAddDataPtr(const char* key, void* data) {
  if (key == nullptr || data == nullptr) return TOL_ERR_NULL;
  auto inserted = m_Entries.emplace(key, Entry{});
  if (!inserted.second) return TOL_ERR_KEY_TAKEN;
  inserted.first->second.data = data;
  return 1;
}

void* CDiscoMediationData::DMDGetDataPtr(const char* key) const {
  if (key == nullptr) return nullptr;
  auto it = m_Entries.find(key);
  return it == m_Entries.end() ? nullptr : it->second.data;
}

void* CDiscoMediationData::DMDRemoveDataPtr(const char* key) {
  if (key == nullptr) return nullptr;
  auto it = m_Entries.find(key);
  if (it == m_Entries.end() || it->second.data == nullptr) return nullptr;
  void* data = it->second.data;
  m_Entries.erase(it);
  return data;
}

int CDiscoMediationData::DMDAddSnmp(const char* key, CTolSnmpVarOp* getResult) {
  if (key == nullptr || getResult == nullptr) return TOL_ERR_NULL;
  auto inserted = m_Entries.emplace(key, Entry{});
  if (!inserted.second) return TOL_ERR_KEY_TAKEN;
  inserted.first->second.get = getResult;
  return 1;
}

int CDiscoMediationData::DMDAddSnmp(const char* key, CTolDoubleList* walk) {
  if (key == nullptr || walk == nullptr) return TOL_ERR_NULL;
  auto inserted = m_Entries.emplace(key, Entry{});
  if (!inserted.second) return TOL_ERR_KEY_TAKEN;
  inserted.first->second.walk = walk;
  return 1;
}

CTolSnmpVarOp* CDiscoMediationData::DMDGetSnmpGet(const char* key) const {
  if (key == nullptr) return nullptr;
  auto it = m_Entries.find(key);
  return it == m_Entries.end() ? nullptr : it->second.get;
}

CTolDoubleList* CDiscoMediationData::DMDGetSnmpGetNext(const char* key) const {
  if (key == nullptr) return nullptr;
  auto it = m_Entries.find(key);
  return it == m_Entries.end() ? nullptr : it->second.walk;
}

std::map<std::string, void*> CDiscoMediationData::DMDDataEntries() const {
  std::map<std::string, void*> out;
  for (const auto& kv : m_Entries) {
    if (kv.second.data != nullptr) out.emplace(kv.first, kv.second.data);
  }
  return out;
}

bool CDiscoMediationData::DMDIsEmpty() const { return m_Entries.empty(); }
