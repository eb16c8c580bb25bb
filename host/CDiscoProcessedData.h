// A device's processed data: the neighbours an agent hands to the engine. Thread-safe.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

class CTolRecord;
class CTolVBList;

class CDiscoProcessedData {
 public:
  struct RemoteNbr {
    std::unique_ptr<CTolVBList> local;   // a copy of the local neighbour's fields at hand-over
    std::unique_ptr<CTolVBList> remote;
  };

  CDiscoProcessedData() = default;
  CDiscoProcessedData(const CDiscoProcessedData&) = delete;
  CDiscoProcessedData& operator=(const CDiscoProcessedData&) = delete;
  virtual ~CDiscoProcessedData();

  // Takes ownership of `values`. Returns 1, or TOL_ERR_NULL.
  int DPDAddLocalNbr(CTolVBList* values);
  // Reads `localNbr` during the call only (its fields are copied); takes ownership of `remote`.
  // Returns 1, or TOL_ERR_NULL (ownership of a non-null `remote` is still taken).
  int DPDAddRemoteNbr(const CTolRecord* localNbr, CTolVBList* remote);

  // Snapshots of what was handed over, in hand-over order (borrowed; valid while this lives and
  // nothing more is added).
  std::vector<const CTolVBList*> DPDLocalNbrs() const;
  std::vector<const RemoteNbr*> DPDRemoteNbrs() const;
  // Index in DPDLocalNbrs of the first local neighbour whose fields equal `remote.local`, or -1.
  int DPDLocalIndexOf(const RemoteNbr& remote) const;

 private:
  mutable std::mutex m_Mutex;
  std::vector<std::unique_ptr<CTolVBList>> m_Local;
  std::vector<std::unique_ptr<RemoteNbr>> m_Remote;
};
