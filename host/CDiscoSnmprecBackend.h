// A backend that answers from recordings in the .snmprec format that snmpsim reads and its
// recorder writes: one "OID|type|value" line per instance, where type is the numeric ASN.1 tag
// (2 INTEGER, 4 OCTET STRING, 5 NULL, 6 OBJECT IDENTIFIER, 64 IpAddress, 65 Counter32,
// 66 Gauge32, 67 TimeTicks, 68 Opaque, 70 Counter64), optionally suffixed with "x" when the value
// is hex-encoded ("4x|00127962f940", "64x|c0a80101"; OCTET STRING, IpAddress and Opaque) or "e"
// when it is text with backslash escapes ("4e|two\\nlines"). Lines starting with '#' and blank
// lines are ignored; a line that cannot be read is left out and reported (Problems), so that one
// bad value costs that instance only, as a real agent answering it with noSuchInstance. Serves as
// the in-memory agent of the unit tests and as the offline replay of recorded switches. Recordings
// are held in compact form (CDiscoSnmprecTable), a few tens of bytes per instance. Thread-safe.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"

class CDiscoSnmprecTable;

// Parses .snmprec text into rows sorted by OID (a repeated OID keeps its last line). Returns true,
// or false with `*error` naming the first bad line ("line N: ..."): strict, for recordings made
// by hand. `rows` (may be null) is replaced on success. Decodes every row: the backend itself
// keeps the compact form.
bool TolParseSnmprec(const std::string& text, std::vector<TolSnmpRow>* rows, std::string* error);

class CDiscoSnmprecBackend : public CDiscoSnmpBackend {
 public:
  // Registers the recording answered for the device at `address` and `port` (any port when -1,
  // the default); a recording for the exact port is preferred. A device without a recording does
  // not answer (TOL_ERR_TIMEOUT). Returns true, or false with `*error` set (a bad address or port,
  // a recording too large) and nothing registered. Lines that cannot be read are left out and
  // kept for Problems.
  // With a `name`, the recording answers only the device of that name (CDiscoSnmpTarget::name,
  // the device record's "m_Name") at that address and port, before any recording without one:
  // two devices on one address and port (two communities of one switch) answer from their own.
  bool AddDevice(const std::string& address, const std::string& snmprecText, std::string* error,
                 int port = -1, const std::string& name = "");
  // The same from the file at `path`, read in blocks (never held whole); "cannot read PATH" when
  // it cannot be opened or read. With `pinned` false the recording is checked now, then let go
  // and read again when the device is asked, so that a run over many recorded devices holds
  // only the recordings of the devices in flight (see Release).
  bool AddDeviceFile(const std::string& address, const std::string& path, std::string* error,
                     int port = -1, bool pinned = true, const std::string& name = "");
  // The lines left out of the recording of the device at `address` and `port` when it was added,
  // one text each: "PATH:LINE: OID: reason" ("line N: ..." for a recording added as text; no OID
  // when the line has none that can be read), at most CDiscoSnmprecTable::kSkipsKept, then
  // "PATH: N more lines left out" when there were more. Empty for a clean or unknown recording.
  std::vector<std::string> Problems(const std::string& address, int port = -1,
                                    const std::string& name = "") const;
  // Lets the recording of the device at `address` and `port` go when it was added unpinned; it is
  // read from its file again if the device is asked again. A recording that cannot be read then
  // fails the request (TOL_ERR_FAILED) with the reason.
  void Release(const std::string& address, int port = -1, const std::string& name = "");

  int Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
          TolSnmpValue* value, std::string* reason) override;
  int Walk(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& column,
           std::vector<TolSnmpRow>* rows, std::string* reason) override;

  // Requests answered so far (one per Get, one per Walk).
  long RequestCount() const { return m_Requests.load(); }

 private:
  // "address:port" ("address:port name" with a name), or false with `*error` set when the
  // address or port is not acceptable.
  static bool DeviceKey(const std::string& address, int port, const std::string& name,
                        std::string* key, std::string* error);
  static std::string KeyOf(const std::string& address, int port, const std::string& name);
  // A device's recording: held, or (unpinned) read from `path` when asked.
  struct Recording {
    std::string path;  // empty: added as text, always held
    bool pinned = true;
    std::mutex loading;  // guards `table` of an unpinned recording
    std::shared_ptr<const CDiscoSnmprecTable> table;
    std::vector<std::string> problems;  // of the first reading, which is the one checked
  };
  // Registers `recording`, whose table was just read, under `key`.
  void Register(const std::string& key, std::shared_ptr<Recording> recording);
  // The recording of `target`; null with `*failed` false when there is none, null with `*failed`
  // true and `*reason` set when its file cannot be read again.
  std::shared_ptr<const CDiscoSnmprecTable> Find(const CDiscoSnmpTarget& target, bool* failed,
                                                 std::string* reason) const;
  int Missing(const CDiscoSnmpTarget& target, bool failed, std::string* reason) const;

  mutable std::mutex m_Mutex;
  std::map<std::string, std::shared_ptr<Recording>> m_Devices;  // "addr:port"
  std::atomic<long> m_Requests{0};
};
