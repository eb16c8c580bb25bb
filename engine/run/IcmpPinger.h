// The engine's ping service: one sweep of ICMP echo requests over a list of IPv4 addresses,
// sent at a bounded rate, each answer awaited up to a time-out. Uses an unprivileged ping
// socket (SOCK_DGRAM/IPPROTO_ICMP) where net.ipv4.ping_group_range allows it, else a raw socket
// (root or CAP_NET_RAW).
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host/CDiscoPinger.h"

namespace disco {

struct PingSettings {
  int timeoutMs = 1000;     // wait for each address's echo reply
  int ratePerSecond = 200;  // echo requests sent per second at most
};

struct PingSweepResult {
  int number = 0;     // 1 for the first sweep of this pinger
  int addresses = 0;  // addresses asked for
  int sent = 0;       // echo requests that left
  int answered = 0;   // addresses that replied in time
  std::string error;  // why the sweep could not be made; empty when it was
};

class IcmpPinger : public CDiscoPinger {
 public:
  explicit IcmpPinger(PingSettings settings);

  // Pings each address once. Returns 1 when the sweep was made (whatever the answers), or
  // TOL_ERR_FAILED when no ICMP socket could be opened. Texts that are not IPv4 addresses are
  // skipped. Blocks for at most about addresses / rate + time-out.
  int PingAll(const std::vector<std::string>& addresses) override;

  // Called after every sweep, on the sweeping thread.
  void SetObserver(std::function<void(const PingSweepResult&)> observer);
  // The sweeps made so far, in order.
  std::vector<PingSweepResult> Sweeps() const;

 private:
  PingSweepResult Sweep(const std::vector<std::string>& addresses, int number);

  const PingSettings m_Settings;
  mutable std::mutex m_Mutex;
  std::vector<PingSweepResult> m_Sweeps;
  std::function<void(const PingSweepResult&)> m_Observer;
};

}  // namespace disco
