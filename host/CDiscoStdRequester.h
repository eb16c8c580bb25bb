// The agent's SNMP requester, with the engine's ping and ARP services. It resolves object names
// (TolOidTable), sends requests through a pluggable backend and turns the answers into rows
// (CTolSnmpVarOp) with typed atoms. A request that fails for another reason than a missing
// instance is reported as a CTolError naming the device, the object and the reason; a request
// the backend did not send because the device stopped answering (TOL_ERR_ABANDONED, see
// CDiscoFailFastBackend) is not reported again: the time-out that gave the device up was.
// Thread-safe once configured; configure before use.
#pragma once

#include <memory>
#include <vector>

#include "host/TolSnmpValue.h"

class CTolRecord;
class CTolSnmpVarOp;
class CTolDoubleList;
class CTolAtomVector;
class CDiscoSnmpBackend;
class CDiscoPinger;
class CDiscoArpService;
class CDiscoRefusedValues;
struct CDiscoSnmpTarget;

class CDiscoStdRequester {
 public:
  CDiscoStdRequester() = default;
  CDiscoStdRequester(const CDiscoStdRequester&) = delete;
  CDiscoStdRequester& operator=(const CDiscoStdRequester&) = delete;

  void DSRSetSnmpBackend(std::shared_ptr<CDiscoSnmpBackend> backend);
  void DSRSetPinger(std::shared_ptr<CDiscoPinger> pinger);
  void DSRSetArpService(std::shared_ptr<CDiscoArpService> arp);
  // Where refused values are counted, per device; without a tally they are not counted.
  void DSRSetRefusedValues(std::shared_ptr<CDiscoRefusedValues> tally);

  // Gets `object` (a name or numeric identifier) at `instance` (dotted; null or "" for none).
  // Returns a new row owned by the caller, whose index is the instance; null when the device does
  // not answer, has no such instance, or the name is unknown. The last argument is unused.
  CTolSnmpVarOp* DSRSnmpGet(CTolRecord* device, const char* object, const char* instance,
                            const char* unused);
  // Walks the column `object` to its end. Returns a new list of rows (CTolSnmpVarOp, index = the
  // sub-identifiers after the column), owned by the caller, empty when the column has no rows;
  // null when the walk failed or the name is unknown. The two last arguments are unused.
  CTolDoubleList* DSRSnmpGetNext(CTolRecord* device, const char* object, const char* unused1,
                                 const char* unused2);
  // Walks the column `object` (a name or numeric identifier) like DSRSnmpGetNext, but keeps the
  // raw values, so that octet strings arrive as the device sent them: `*rows` gets each row's
  // index (the sub-identifiers after the column) and value, in OID order. Returns true (possibly
  // with no rows); false when the walk failed or the name is unknown, with the failure reported
  // as DSRSnmpGetNext reports it and `*rows` left empty.
  bool DSRWalkRaw(CTolRecord* device, const char* object, std::vector<TolSnmpRow>* rows);
  // Pings every address atom (text) once, blocking. Returns the pinger's result, TOL_ERR_NULL for
  // null addresses, TOL_ERR_FAILED when there is no pinger.
  int DSRPingAll(CTolAtomVector* addresses);
  // Asks the ARP service; returns its answer (owned by the caller) or null without a service.
  CTolAtomVector* DSRGetARP(const char* ip, const char* mac, const char* arg3, const char* arg4,
                            const char* addressSpace);

 private:
  // Resolves `object` into `*column` and walks it into `*rows` (full OIDs); `*walked`, when
  // given, is set to the device's target. False, reported and with `*rows` empty, on any failure.
  bool WalkColumn(CTolRecord* device, const char* object, std::vector<unsigned long>* column,
                  std::vector<TolSnmpRow>* rows, CDiscoSnmpTarget* walked = nullptr);

  std::shared_ptr<CDiscoSnmpBackend> m_Backend;
  std::shared_ptr<CDiscoPinger> m_Pinger;
  std::shared_ptr<CDiscoArpService> m_Arp;
  std::shared_ptr<CDiscoRefusedValues> m_Refused;
};
