// The engine's ARP data: answers "which IP address has this MAC" for an agent.
#pragma once

#include <map>
#include <memory>
#include <shared_mutex>
#include <string>

class CTolAtomVector;

class CDiscoArpService {
 public:
  virtual ~CDiscoArpService() = default;
  // The answer for one query, owned by the caller (null when there is nothing to say). The
  // standard answer is a vector of one object atom whose list holds "m_HostIp" (text) and
  // "m_HostMac" (text). Arguments may be null. Thread-safe.
  virtual CTolAtomVector* GetARP(const char* ip, const char* mac, const char* arg3,
                                 const char* arg4, const char* addressSpace) = 0;
};

// An ARP table in memory, filled by the engine from the devices' ipNetToMediaPhysAddress tables,
// the local system and static entries. MAC texts are compared case-insensitively.
class CDiscoArpTable : public CDiscoArpService {
 public:
  // Records that `mac` has `ip` in `addressSpace` ("" for the default). The first address given
  // for a MAC in a space stays.
  void Add(const std::string& mac, const std::string& ip, const std::string& addressSpace = "");
  int Size() const;
  // Answers a MAC query in the standard shape; null when the MAC is unknown or null.
  CTolAtomVector* GetARP(const char* ip, const char* mac, const char* arg3, const char* arg4,
                         const char* addressSpace) override;

  CDiscoArpTable();
  ~CDiscoArpTable() override;

 private:
  struct Space;
  // Written while the engine gathers ARP data, then read by every engine thread at once.
  mutable std::shared_mutex m_Mutex;
  std::map<std::string, std::unique_ptr<Space>> m_BySpace;
};
