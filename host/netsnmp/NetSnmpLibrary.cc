#include "host/netsnmp/NetSnmpLibrary.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdlib>
#include <string>

#include "host/TolTrace.h"

namespace tolnetsnmp {
namespace {

// `text` without the line ends at its end.
std::string WithoutLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// Receives every message the library logs. They are diagnostics for whoever traces the backend,
// never output of their own.
int LogToTrace(int /*majorId*/, int /*minorId*/, void* serverArg, void* /*clientArg*/) {
  const auto* message = static_cast<const snmp_log_message*>(serverArg);
  if (message == nullptr || message->msg == nullptr) return 0;
  TOL_TRACE(4, "::CDiscoNetSnmpBackend net-snmp: " << WithoutLineEnds(message->msg) << "\n");
  return 0;
}

void Initialise() {
  // Every object is named by number, so no MIB module is ever parsed; with an empty module list
  // and no directories the library neither searches nor complains.
  setenv("MIBS", "", 1);
  netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIBDIRS, "");
  netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 0);
  // Settings come from the engine, never from snmp.conf files or saved state.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_NO_TOKEN_WARNINGS, 1);
  // No SIGALRM: requests are timed by the sessions' own waits.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_ALARM_DONT_USE_SIG, 1);

  snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, LogToTrace, nullptr);
  netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG);  // every priority
  init_snmp("tolnetsnmp");
}

}  // namespace

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, Initialise);
}

std::mutex& LibraryLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace tolnetsnmp
