// A device's mediation data: what the agent downloads for the device, filed under text keys. Two
// kinds of entries: untyped pointers (DMDAddDataPtr; the store holds them and hands them back with
// DMDRemoveDataPtr, never freeing them itself) and SNMP results (DMDAddSnmp; owned and freed by
// the store). One key holds one entry of either kind. Not thread-safe: one device, one thread.
#pragma once

#include <map>
#include <string>

class CTolSnmpVarOp;
class CTolDoubleList;

class CDiscoMediationData {
 public:
  CDiscoMediationData() = default;
  CDiscoMediationData(const CDiscoMediationData&) = delete;
  CDiscoMediationData& operator=(const CDiscoMediationData&) = delete;
  // Frees the SNMP results still held. Pointers still held are not freed (their type is
  // unknown); DMDDataKeys() tells the engine which are left.
  virtual ~CDiscoMediationData();

  // Holds `data` under `key`. Returns 1; TOL_ERR_NULL for a null key or data; TOL_ERR_KEY_TAKEN
  // when the key holds something (the caller keeps `data` on failure).
  int DMDAddDataPtr(const char* key, void* data);
  // The pointer under `key` (borrowed), or null.
  void* DMDGetDataPtr(const char* key) const;
  // Removes the pointer under `key` and hands it back to the caller; null when absent.
  void* DMDRemoveDataPtr(const char* key);

  // Takes ownership of a get result / a walk and files it under `key`. Returns 1, or
  // TOL_ERR_NULL / TOL_ERR_KEY_TAKEN (the caller keeps the object then).
  int DMDAddSnmp(const char* key, CTolSnmpVarOp* getResult);
  int DMDAddSnmp(const char* key, CTolDoubleList* walk);
  // The stored get result / walk (borrowed), or null.
  CTolSnmpVarOp* DMDGetSnmpGet(const char* key) const;
  CTolDoubleList* DMDGetSnmpGetNext(const char* key) const;

  // Keys that hold a pointer entry, in key order.
  std::map<std::string, void*> DMDDataEntries() const;
  bool DMDIsEmpty() const;  // no entry of either kind

 private:
  struct Entry {
    void* data = nullptr;
    CTolSnmpVarOp* get = nullptr;
    CTolDoubleList* walk = nullptr;
  };
  std::map<std::string, Entry> m_Entries;
};
