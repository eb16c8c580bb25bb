// A device's processed data: the neighbours an agent hands to the engine. Thread-safe.
//
// Kept compactly, because a big switch hands over hundreds of thousands of remote neighbours:
// local neighbours are kept as handed over; each remote neighbour is kept as its fields' encoded
// bytes (the message-bus encoding of records) in large shared chunks, with the local neighbour it
// was handed over for. A remote neighbour's local side is not copied per remote neighbour: the
// local record is recognised among the local neighbours handed over, once per distinct record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CTolRecord;
class CTolVBList;
class CTolVarBind;

class CDiscoProcessedData {
 public:
  CDiscoProcessedData();
  CDiscoProcessedData(const CDiscoProcessedData&) = delete;
  CDiscoProcessedData& operator=(const CDiscoProcessedData&) = delete;
  virtual ~CDiscoProcessedData();

  // Takes ownership of `values`. Returns 1, or TOL_ERR_NULL.
  int DPDAddLocalNbr(CTolVBList* values);
  // Reads `localNbr` during the call only; takes ownership of `remote` (and frees it: its fields
  // are kept encoded). Returns 1, or TOL_ERR_NULL (ownership of a non-null `remote` is still
  // taken).
  //
  // The local side is identified by the record's fields: the first local neighbour handed over
  // with equal fields, as at the time of the call. To avoid comparing and copying the whole local
  // record for every remote neighbour, a record seen before is recognised by its address while it
  // keeps the same field list (same first binding, same length); an agent that frees a local
  // record and makes another at the same address, with the same first binding and length but
  // other values, within one hand-over, would be misread. Agents keep their local records alive
  // and unchanged until their hand-over ends.
  int DPDAddRemoteNbr(const CTolRecord* localNbr, CTolVBList* remote);

  // The local neighbours handed over, in hand-over order (borrowed; valid while this lives and
  // nothing more is added).
  std::vector<const CTolVBList*> DPDLocalNbrs() const;

  // Remote neighbours handed over so far, numbered 0.. in hand-over order.
  std::size_t DPDRemoteCount() const;
  // Index in DPDLocalNbrs() of remote neighbour `i`'s local neighbour: the first local neighbour
  // whose fields equal the local record's fields at hand-over; -1 when none does. REQUIRES:
  // i < DPDRemoteCount().
  int DPDRemoteLocalIndex(std::size_t i) const;
  // Remote neighbour `i`'s local record's fields as they were at hand-over (borrowed; valid while
  // this lives). REQUIRES: i < DPDRemoteCount().
  const CTolVBList& DPDRemoteLocalFields(std::size_t i) const;
  // Decodes remote neighbour `i`'s fields into `*into`, replacing its fields. Returns 1, or a
  // negative code when `into` is null or i is out of range. The fields read back equal the ones
  // handed over (names, types and values, in order).
  int DPDRemoteFields(std::size_t i, CTolRecord* into) const;

 private:
  // A local record as first seen in DPDAddRemoteNbr: which local neighbour it is, and enough of
  // its list to tell that the same record is seen again.
  struct SeenLocal {
    const CTolVarBind* head;
    int length;
    int localIndex;  // in m_Local, or -1
    int unmatched;   // in m_Unmatched when localIndex is -1
  };
  struct Remote {
    std::uint32_t chunk;
    std::uint32_t offset;
    std::uint32_t length;
    std::int32_t local;  // >= 0: index in m_Local; < 0: -1 - index in m_Unmatched
  };

  int LocalRefOf(const CTolRecord& localNbr);             // REQUIRES: m_Mutex held
  int FindLocal(const CTolVBList& fields) const;          // REQUIRES: m_Mutex held
  void Append(const std::string& bytes, Remote* remote);  // REQUIRES: m_Mutex held

  mutable std::mutex m_Mutex;
  std::vector<std::unique_ptr<CTolVBList>> m_Local;
  // Local sides matching no local neighbour when they were handed over, one per distinct record.
  std::vector<std::unique_ptr<CTolVBList>> m_Unmatched;
  std::unordered_map<const CTolRecord*, SeenLocal> m_Seen;
  std::vector<Remote> m_Remote;
  std::vector<std::string> m_Chunks;  // encoded remote fields, back to back
};
