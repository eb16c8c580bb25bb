// A growable vector of owned atoms. Copies are deep.
#pragma once

#include <vector>

class CTolAtom;

class CTolAtomVector {
 public:
  // Starts empty; `capacity` is only a hint.
  explicit CTolAtomVector(int capacity = 0);
  CTolAtomVector(const CTolAtomVector& other);
  CTolAtomVector& operator=(const CTolAtomVector&) = delete;
  virtual ~CTolAtomVector();

  // Takes ownership of `atom` and appends it. Returns 1, or TOL_ERR_NULL for null.
  int RAVAddToEnd(CTolAtom* atom);
  // The atom at `i` (borrowed), or null out of range.
  CTolAtom* RAVGetValue(int i) const;
  int RAVSize() const { return static_cast<int>(m_Atoms.size()); }

  bool operator==(const CTolAtomVector& other) const;

 private:
  std::vector<CTolAtom*> m_Atoms;
};
