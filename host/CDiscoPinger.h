// Sends one sweep of ICMP echo requests; the engine supplies the implementation.
#pragma once

#include <string>
#include <vector>

class CDiscoPinger {
 public:
  virtual ~CDiscoPinger() = default;
  // Pings every address once and waits for the answers or the time-out. Returns 1, or a negative
  // code when the sweep could not be made. Called from one thread at a time per agent.
  virtual int PingAll(const std::vector<std::string>& addresses) = 0;
};
