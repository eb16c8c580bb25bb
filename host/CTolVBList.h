// An ordered list of owned variable bindings: the fields of a record. Copies are deep.
#pragma once

#include "host/CTolDoubleList.h"
#include "host/CTolVarBind.h"

class CTolVBList : public CTolListable {
 public:
  CTolVBList() = default;
  CTolVBList(const CTolVBList& other);
  CTolVBList& operator=(const CTolVBList& other);
  ~CTolVBList() override = default;

  // Takes ownership of `vb` and appends it. Returns 1, or TOL_ERR_NULL / TOL_ERR_FAILED (the
  // binding is already in a list); the caller keeps `vb` on failure.
  int RVBLAddToListEnd(CTolVarBind* vb);
  CTolVarBind* RVBLHead() const;
  CTolVarBind* RVBLGetNext(const CTolVarBind* vb) const;
  int RVBLLength() const { return m_List.RDLLength(); }
  // The first binding whose name text is `name` (borrowed), or null.
  CTolVarBind* RVBLFind(const char* name) const;

  // Same names and values in the same order.
  bool operator==(const CTolVBList& other) const;

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  CTolDoubleList m_List;
};
