// A tally of the values the SNMP requester refused to hand to the agent, per device and per column:
// a value of MAC syntax that is not six octets, or a MAC instance index that is not six
// sub-identifiers. The agent sees such a row without a value (or its index gives no MAC text); the
// engine reads the tally when a device is through and reports it with the device's results.
// Thread-safe.
#pragma once

#include <map>
#include <mutex>
#include <string>

class CDiscoRefusedValues {
 public:
  // Adds `count` refusals in `column` (an object name, or "<name> index" for its instance index)
  // for the device `deviceKey` (CDiscoSnmpTarget::DeviceKey()).
  void Count(const std::string& deviceKey, const std::string& column, long count);
  // The counts of `deviceKey` by column, removed from the tally; empty when none were counted.
  std::map<std::string, long> Take(const std::string& deviceKey);

 private:
  std::mutex m_Mutex;
  std::map<std::string, std::map<std::string, long>> m_Counts;
};
