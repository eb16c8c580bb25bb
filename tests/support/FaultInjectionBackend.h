// A backend wrapper that injects faults between the requester and a real backend, the way a
// fault-injecting environment wraps a file system: chosen requests time out, fail, return a walk
// cut short, or return values of the wrong type, so that tests can check what the layers above
// make of a misbehaving device.
//
//   auto faults = std::make_shared<FaultInjectionBackend>(replay);
//   faults->Add({FaultKind::kTimeout, "10.0.0.1:161", {1, 3, 6, 1, 2, 1, 17}, 5});  // dies at
//                                                      // its 5th request under BRIDGE-MIB
//   requester.DSRSetSnmpBackend(faults);
//
// Thread-safe when the wrapped backend is.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"

enum class FaultKind {
  kTimeout,    // TOL_ERR_TIMEOUT, the request is not passed on
  kFail,       // TOL_ERR_PROTOCOL, the request is not passed on
  kTruncate,   // walks: passed on, then the rows after `keepRows` dropped and TOL_ERR_TIMEOUT
               // returned with the kept rows left in place, as a careless backend would (the
               // caller must not take them); gets: as kTimeout
  kWrongType,  // passed on, then every value returned changes type (integers become octet
               // strings of their decimal text, octet strings become integers, and so on)
};

struct Fault {
  FaultKind kind = FaultKind::kTimeout;
  std::string target;                 // "address:port"; empty: every device
  std::vector<unsigned long> prefix;  // requests for identifiers under it (or equal); empty: all
  // The matching requests the fault applies to, numbered from 1 in the order they come: from
  // `first` on, `count` of them (0: all the following ones). {first 1, count 0}: every one.
  long first = 1;
  long count = 0;
  size_t keepRows = 0;  // kTruncate: rows left in place
};

class FaultInjectionBackend : public CDiscoSnmpBackend {
 public:
  explicit FaultInjectionBackend(std::shared_ptr<CDiscoSnmpBackend> inner);

  // Adds a fault; the first fault that applies to a request decides. Call before requests run.
  void Add(const Fault& fault);

  int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
          TolSnmpValue* value, std::string* reason) override;
  int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
           std::vector<TolSnmpRow>* rows, std::string* reason) override;

  // Requests that reached this backend for the device at `targetKey`, and faults injected in
  // them.
  long Requests(const std::string& targetKey) const;
  long Injected(const std::string& targetKey) const;

 private:
  struct Rule {
    Fault fault;
    long matched = 0;
  };
  // Counts the request and returns the fault it gets, or null.
  const Fault* Choose(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid);

  const std::shared_ptr<CDiscoSnmpBackend> m_Inner;
  mutable std::mutex m_Mutex;  // guards what follows
  std::vector<Rule> m_Rules;
  std::map<std::string, long> m_Requests;
  std::map<std::string, long> m_Injected;
};
