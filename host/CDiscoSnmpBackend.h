// The transport under CDiscoStdRequester: how SNMP requests reach a device. Implementations: the
// net-snmp backend (real devices), the replay backend over .snmprec recordings, and test wrappers
// that inject faults. Backends are shared between engine threads and must be thread-safe.
#pragma once

#include <string>
#include <vector>

#include "host/TolSnmpValue.h"

class CTolRecord;

// Where a device is reached, read from its device record: "m_IpAddress" (text; required),
// "m_SnmpPort" (integer; 161 when absent), "m_Name" (text; the identifier used in reports).
// Credentials never travel in the record: backends keep their own, keyed by address and port.
struct CDiscoSnmpTarget {
  std::string address;
  int port = 161;
  std::string name;
  std::string Key() const;  // "address:port"
  // "address:port name": one device, where several are read on one endpoint through other
  // credentials (a bridge's view of one VLAN through "community@vlan").
  std::string DeviceKey() const;
};

// Reads the target of `device`. Returns false when the record has no "m_IpAddress" text or its
// "m_SnmpPort" is not a port number (1..65535).
bool TolTargetOfDevice(const CTolRecord& device, CDiscoSnmpTarget* target);

class CDiscoSnmpBackend {
 public:
  virtual ~CDiscoSnmpBackend() = default;

  // Reads one instance. Returns 1 with `*value` set; TOL_ERR_FAILED when the instance does not
  // exist (noSuchObject, noSuchInstance); TOL_ERR_TIMEOUT when no answer came after the retries
  // (for replay: no recording for the device); TOL_ERR_ABANDONED when the request was not sent
  // because the device stopped answering (CDiscoFailFastBackend); other negative codes for other
  // failures. On failure `*reason` (may be null) says why, without any credential.
  virtual int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
                  TolSnmpValue* value, std::string* reason) = 0;

  // Walks the subtree under `column` to its end, replacing `*rows` with its rows in increasing OID
  // order. Returns 1 (possibly with no rows); on any failure a negative code, with `*rows` left
  // empty: a walk is complete or absent, never partial.
  virtual int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
                   std::vector<TolSnmpRow>* rows, std::string* reason) = 0;
};
