// A backend wrapper that stops sending to a device that stopped answering. Without it, every
// request a dead device had left costs a full time-out for each try, which on a big switch adds
// minutes to a run. After `limit` consecutive time-outs from one device (address:port and the
// device's name: two communities of one switch are two devices, and a wrong one gives up only
// its own), its later
// requests fail at once with TOL_ERR_ABANDONED and never reach the wrapped backend; the other
// devices are not affected (the bookkeeping holds one short lock per request, never during I/O).
// Any answer from the device, an error answer included, resets its count, so a device that is
// slow but alive is never given up. A given-up device stays given up for the backend's life.
//
// The time-out that reaches the limit is returned as TOL_ERR_TIMEOUT, its reason extended with
// what follows ("...; 3 consecutive time-outs: no more requests are sent to it"), so that one
// report tells the story; the refused requests carry a short reason and need not be reported.
// Thread-safe when the wrapped backend is.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "host/CDiscoSnmpBackend.h"

class CDiscoFailFastBackend : public CDiscoSnmpBackend {
 public:
  // Three time-outs in a row: one lost answer, or two, can happen on a busy link; three
  // requests in a row that each went unanswered after all their retries mean the device is gone.
  static constexpr int kDefaultTimeoutLimit = 3;

  // `inner` must not be null; `limit` below 1 is taken as 1.
  explicit CDiscoFailFastBackend(std::shared_ptr<CDiscoSnmpBackend> inner,
                                 int limit = kDefaultTimeoutLimit);

  int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
          TolSnmpValue* value, std::string* reason) override;
  int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
           std::vector<TolSnmpRow>* rows, std::string* reason) override;

  // Whether the device `name` at `targetKey` (CDiscoSnmpTarget::Key(), "address:port") was
  // given up.
  bool GivenUp(const std::string& targetKey, const std::string& name) const;
  int Limit() const { return m_Limit; }

 private:
  struct DeviceState {
    int consecutiveTimeouts = 0;
    bool givenUp = false;
  };
  // True (with `*reason` set) when the device is given up and the request must not be sent.
  bool Refuse(const CDiscoSnmpTarget& target, std::string* reason) const;
  // Counts the outcome `rc` of a request that was sent; extends `*reason` when it gives up.
  void Count(const CDiscoSnmpTarget& target, int rc, std::string* reason);

  const std::shared_ptr<CDiscoSnmpBackend> m_Inner;
  const int m_Limit;
  mutable std::mutex m_Mutex;  // guards m_Devices
  std::unordered_map<std::string, DeviceState> m_Devices;
};
