// SNMPv3 engine discovery (RFC 3414, 4): an unauthenticated request with an empty user name, to
// which the agent answers with a report that carries its engine ID, boots and time. Done here on
// a socket of its own, so that waiting for a slow or silent agent holds no lock of the library.
#pragma once

#include <atomic>
#include <string>

#include "host/CDiscoSnmpBackend.h"

namespace tolnetsnmp {

struct EngineIdentity {
  std::string engineId;  // 5 to 32 octets
  long boots = 0;
  long time = 0;
};

// The discovery message with message and request ID `id`.
std::string BuildDiscoveryMessage(long id);

// Reads the agent's identity from `datagram`, the answer to the discovery message `id`. Returns
// false for anything else (another message ID, not SNMPv3, malformed or truncated BER, an engine
// ID outside 5..32 octets).
bool ParseDiscoveryReport(const std::string& datagram, long id, EngineIdentity* identity);

// Discovers the engine of `target`: sends the discovery message, waits `timeoutMs` for the
// report, and sends it again up to `retries` times; every send adds one to `*requests`.
// Returns 1 with `*identity`; TOL_ERR_TIMEOUT when nothing answered; TOL_ERR_FAILED when the
// address is unusable or the socket fails. Sets `*reason` on failure.
int DiscoverEngine(const CDiscoSnmpTarget& target, int timeoutMs, int retries,
                   std::atomic<long>* requests, EngineIdentity* identity, std::string* reason);

}  // namespace tolnetsnmp
