// A hash map from unsigned long keys to untyped data pointers (not owned). Lookups are constant
// time on average. Not thread-safe.
#pragma once

#include <memory>
#include <unordered_map>

#include "host/CTolPointer.h"

class CTolHashStore {
 public:
  // `size` is the expected number of keys; the two flags and the last integer are kept for the
  // engine's signature and have no effect.
  CTolHashStore(int size, bool flag1, bool flag2, int growth);
  CTolHashStore(const CTolHashStore&) = delete;
  CTolHashStore& operator=(const CTolHashStore&) = delete;
  virtual ~CTolHashStore() = default;

  // Files `object` (may be null) under `key`. Returns 1, or TOL_ERR_KEY_TAKEN when present.
  int RHSAddObjectAt(unsigned long key, void* object);
  // The node under `key` (borrowed; its RPData is the object), or null when absent.
  CTolPointer* RHSRetrieveObject(unsigned long key) const;
  int RHSSize() const { return static_cast<int>(m_Nodes.size()); }

 private:
  std::unordered_map<unsigned long, std::unique_ptr<CTolPointer>> m_Nodes;
};
