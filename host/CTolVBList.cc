// The ordered, owned fields of a record.
#include "host/CTolVBList.h"

#include <cstring>

#include "host/TolTypes.h"

CTolVBList::CTolVBList(const CTolVBList& other) : CTolListable(other) {
  m_Links.AppendCopies(other.m_Links);
}

CTolVBList::~CTolVBList() { m_Links.DeleteAll(); }

CTolVBList& CTolVBList::operator=(const CTolVBList& other) {
  if (this == &other) {
    return *this;
  }
  // Copy first: `other` may be nested inside one of this list's own values.
  TolListLinks copy;
  copy.AppendCopies(other.m_Links);
  m_Links.DeleteAll();
  while (CTolListable* e = copy.Head()) {
    m_Links.InsertBefore(copy.Remove(e), nullptr);
  }
  return *this;
}

int CTolVBList::RVBLAddToListEnd(CTolVarBind* vb) {
  if (vb == nullptr) {
    return TOL_ERR_NULL;
  }
  return m_Links.InsertBefore(vb, nullptr);
}

CTolVarBind* CTolVBList::RVBLFind(const char* name) const {
  if (name == nullptr) {
    return nullptr;
  }
  for (CTolVarBind* vb = RVBLHead(); vb != nullptr; vb = RVBLGetNext(vb)) {
    const char* text = vb->RVBNameText();
    if (text != nullptr && std::strcmp(text, name) == 0) {
      return vb;
    }
  }
  return nullptr;
}

bool CTolVBList::operator==(const CTolVBList& other) const {
  if (RVBLLength() != other.RVBLLength()) {
    return false;
  }
  const CTolVarBind* b = other.RVBLHead();
  for (const CTolVarBind* a = RVBLHead(); a != nullptr;
       a = RVBLGetNext(a), b = other.RVBLGetNext(b)) {
    const CTolAtom* an = a->RVBName();
    const CTolAtom* bn = b->RVBName();
    const CTolAtom* av = a->RVBValue();
    const CTolAtom* bv = b->RVBValue();
    if ((an == nullptr) != (bn == nullptr) || (an != nullptr && *an != *bn)) {
      return false;
    }
    if ((av == nullptr) != (bv == nullptr) || (av != nullptr && *av != *bv)) {
      return false;
    }
  }
  return true;
}

CTolListable* CTolVBList::RLTargetDeepCopy(const CTolListable* source) {
  const CTolVBList* list = dynamic_cast<const CTolVBList*>(source);
  if (list == nullptr) {
    return nullptr;
  }
  return new CTolVBList(*list);
}
