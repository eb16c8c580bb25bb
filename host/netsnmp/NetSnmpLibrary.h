// Process-wide set-up of net-snmp, and the lock around the library's shared state.
#pragma once

#include <mutex>

namespace tolnetsnmp {

// Initialises net-snmp once per process: no configuration files, no MIB files, no persistent
// state; the library's own log messages go to the trace at level 4. Any thread may call it, any
// number of times.
void InitLibrary();

// Guards the process-wide state of net-snmp (request and message identifiers, the USM user list,
// the engine boots/time cache), which the installed library does not lock itself. Held while a
// session opens or closes and while a PDU is encoded and sent or received and decoded; never
// while waiting for an answer, so that one slow device does not hold up the others.
std::mutex& LibraryLock();

}  // namespace tolnetsnmp
