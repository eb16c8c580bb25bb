// The agent's SNMP requester, with the engine's ping and ARP services. It resolves object names
// (TolOidTable), sends requests through a pluggable backend and turns the answers into rows
// (CTolSnmpVarOp) with typed atoms. A request that fails for another reason than a missing
// instance is reported as a CTolError naming the device, the object and the reason.
// Thread-safe once configured; configure before use.
#pragma once

#include <memory>

class CTolRecord;
class CTolSnmpVarOp;
class CTolDoubleList;
class CTolAtomVector;
class CDiscoSnmpBackend;
class CDiscoPinger;
class CDiscoArpService;
class CDiscoRefusedValues;

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
  // Pings every address atom (text) once, blocking. Returns the pinger's result, TOL_ERR_NULL for
  // null addresses, TOL_ERR_FAILED when there is no pinger.
  int DSRPingAll(CTolAtomVector* addresses);
  // Asks the ARP service; returns its answer (owned by the caller) or null without a service.
  CTolAtomVector* DSRGetARP(const char* ip, const char* mac, const char* arg3, const char* arg4,
                            const char* addressSpace);

 private:
  std::shared_ptr<CDiscoSnmpBackend> m_Backend;
  std::shared_ptr<CDiscoPinger> m_Pinger;
  std::shared_ptr<CDiscoArpService> m_Arp;
  std::shared_ptr<CDiscoRefusedValues> m_Refused;
};
