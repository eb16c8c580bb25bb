// A variable binding: a name atom (usually text, sometimes an integer key) and an optional value
// atom. The binding owns both. Copies are deep.
#pragma once

#include "host/CTolAtom.h"
#include "host/CTolListable.h"

class CTolVarBind : public CTolListable {
 public:
  // Name from a text (copied).
  CTolVarBind(const char* name, int value);
  CTolVarBind(const char* name, const char* value);      // value copied; null gives no value
  CTolVarBind(const char* name, const CTolAtom* value);  // value copied; null gives no value
  CTolVarBind(const char* name, CTolAtom** value);       // takes *value and sets it to null
  // Name from an atom (copied).
  CTolVarBind(const CTolAtom& name, int value);
  CTolVarBind(const CTolAtom& name, const CTolAtom* value);  // value copied
  CTolVarBind(const CTolAtom& name, CTolAtom** value);       // takes *value and sets it to null
  CTolVarBind(const CTolVarBind& other);
  CTolVarBind& operator=(const CTolVarBind&) = delete;
  ~CTolVarBind() override;

  const CTolAtom* RVBName() const { return &m_Name; }
  // The value (borrowed), or null when the binding has none.
  CTolAtom* RVBValue() const { return m_Value; }
  // The name's text when it is a string atom, else null (borrowed).
  const char* RVBNameText() const { return m_Name.RAString(); }

  // For a binding whose value is an object atom (a CTolVBList): with `add` true, appends `vb`
  // to that list; with false, replaces the first binding of the same name (appending when there
  // is none). Takes ownership of `vb` on success (returns 1). Returns TOL_ERR_NULL for a null
  // `vb`, TOL_ERR_FAILED when the value is not an object; the caller keeps `vb` then.
  int RVBAddOrSetObjVal(CTolVarBind* vb, bool add);

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  CTolAtom m_Name;  // held in the binding itself: one allocation less per field
  CTolAtom* m_Value;
};
