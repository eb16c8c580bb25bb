// The SNMPv3 discovery report parser on arbitrary datagrams, as answers to discovery message 4711.
// What it accepts must carry an engine ID of 5 to 32 octets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/netsnmp/NetSnmpEngineProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string datagram(reinterpret_cast<const char*>(data), size);
  tolnetsnmp::EngineIdentity identity;
  if (tolnetsnmp::ParseDiscoveryReport(datagram, 4711, &identity)) {
    if (identity.engineId.size() < 5 || identity.engineId.size() > 32) std::abort();
  }
  return 0;
}
