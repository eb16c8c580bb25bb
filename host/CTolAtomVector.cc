// A growable vector of owned atoms.
#include "host/CTolAtomVector.h"

#include "host/CTolAtom.h"
#include "host/TolTypes.h"

CTolAtomVector::CTolAtomVector(int capacity) {
  if (capacity > 0) {
    m_Atoms.reserve(static_cast<std::size_t>(capacity));
  }
}

CTolAtomVector::CTolAtomVector(const CTolAtomVector& other) {
  m_Atoms.reserve(other.m_Atoms.size());
  for (const CTolAtom* atom : other.m_Atoms) {
    m_Atoms.push_back(new CTolAtom(*atom));
  }
}

CTolAtomVector::~CTolAtomVector() {
  for (CTolAtom* atom : m_Atoms) {
    delete atom;
  }
}

int CTolAtomVector::RAVAddToEnd(CTolAtom* atom) {
  if (atom == nullptr) {
    return TOL_ERR_NULL;
  }
  m_Atoms.push_back(atom);
  return TOL_OK;
}

CTolAtom* CTolAtomVector::RAVGetValue(int i) const {
  if (i < 0 || i >= RAVSize()) {
    return nullptr;
  }
  return m_Atoms[static_cast<std::size_t>(i)];
}

bool CTolAtomVector::operator==(const CTolAtomVector& other) const {
  if (m_Atoms.size() != other.m_Atoms.size()) {
    return false;
  }
  for (std::size_t i = 0; i < m_Atoms.size(); ++i) {
    if (*m_Atoms[i] != *other.m_Atoms[i]) {
      return false;
    }
  }
  return true;
}
