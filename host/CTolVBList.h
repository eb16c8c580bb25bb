// An ordered list of owned variable bindings: the fields of a record. Copies are deep.
#pragma once

#include "host/CTolVarBind.h"
#include "host/TolListLinks.h"

class CTolVBList : public CTolListable {
 public:
  CTolVBList() = default;
  CTolVBList(const CTolVBList& other);
  CTolVBList& operator=(const CTolVBList& other);
  ~CTolVBList() override;

  // Takes ownership of `vb` and appends it. Returns 1, or TOL_ERR_NULL / TOL_ERR_FAILED (the
  // binding is already in a list); the caller keeps `vb` on failure.
  int RVBLAddToListEnd(CTolVarBind* vb);
  // Only RVBLAddToListEnd links elements, so every element is a CTolVarBind.
  CTolVarBind* RVBLHead() const { return static_cast<CTolVarBind*>(m_Links.Head()); }
  CTolVarBind* RVBLGetNext(const CTolVarBind* vb) const {
    return static_cast<CTolVarBind*>(m_Links.Next(vb));
  }
  int RVBLLength() const { return m_Links.Length(); }
  // The first binding whose name text is `name` (borrowed), or null.
  CTolVarBind* RVBLFind(const char* name) const;

  // Same names and values in the same order.
  bool operator==(const CTolVBList& other) const;

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  TolListLinks m_Links;  // not a CTolDoubleList: a record's fields cost three words, not seven
};
