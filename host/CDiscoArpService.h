// The engine's ARP data: answers "which IP address has this MAC" for an agent.
#pragma once

#include <map>
#include <mutex>
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

 private:
  mutable std::mutex m_Mutex;
  std::map<std::string, std::map<std::string, std::string>> m_BySpace;  // space -> mac -> ip
};
