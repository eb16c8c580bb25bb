// Intrusive doubly-linked list that owns its elements.
#include "host/CTolDoubleList.h"

#include "host/TolTypes.h"

CTolDoubleList::CTolDoubleList(const CTolDoubleList& other) : CTolListable(other) {
  m_Links.AppendCopies(other.m_Links);
}

CTolDoubleList::~CTolDoubleList() { m_Links.DeleteAll(); }

int CTolDoubleList::RDLAddToEnd(CTolListable* e) { return RDLInsertBefore(e, nullptr); }

int CTolDoubleList::RDLInsertBefore(CTolListable* e, CTolListable* before) {
  // A list cannot hold itself.
  if (e != nullptr && e == this) {
    return TOL_ERR_FAILED;
  }
  return m_Links.InsertBefore(e, before);
}

CTolListable* CTolDoubleList::RDLRemove(CTolListable* e) { return m_Links.Remove(e); }

int CTolDoubleList::RDLSetHead(CTolListable* head) {
  if (head != nullptr) {
    return TOL_ERR_FAILED;
  }
  // Detach without deleting: whoever filed the elements elsewhere now owns them.
  m_Links.DetachAll();
  return TOL_OK;
}

void CTolDoubleList::RDLClear() { m_Links.DeleteAll(); }

CTolListable* CTolDoubleList::RLTargetDeepCopy(const CTolListable* source) {
  const CTolDoubleList* list = dynamic_cast<const CTolDoubleList*>(source);
  if (list == nullptr) {
    return nullptr;
  }
  return new CTolDoubleList(*list);
}
