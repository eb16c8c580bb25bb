// Intrusive doubly-linked list that owns its elements.
#include "host/CTolDoubleList.h"

#include "host/TolTypes.h"

CTolDoubleList::CTolDoubleList(const CTolDoubleList& other) : CTolListable(other) {
  for (CTolListable* e = other.m_Head; e != nullptr; e = e->m_Next) {
    CTolListable* copy = e->RLTargetDeepCopy(e);
    if (copy != nullptr) {
      RDLAddToEnd(copy);
    }
  }
}

CTolDoubleList::~CTolDoubleList() { RDLClear(); }

CTolListable* CTolDoubleList::RDLGetNext(const CTolListable* e) const {
  if (e == nullptr || e->m_Owner != this) {
    return nullptr;
  }
  return e->m_Next;
}

CTolListable* CTolDoubleList::RDLGetPrev(const CTolListable* e) const {
  if (e == nullptr || e->m_Owner != this) {
    return nullptr;
  }
  return e->m_Prev;
}

int CTolDoubleList::RDLAddToEnd(CTolListable* e) { return RDLInsertBefore(e, nullptr); }

int CTolDoubleList::RDLInsertBefore(CTolListable* e, CTolListable* before) {
  if (e == nullptr) {
    return TOL_ERR_NULL;
  }
  // A list cannot hold itself, and an element lives in one list at a time.
  if (e == this || e->m_Owner != nullptr) {
    return TOL_ERR_FAILED;
  }
  if (before != nullptr && before->m_Owner != this) {
    return TOL_ERR_FAILED;
  }
  e->m_Owner = this;
  if (before == nullptr) {
    e->m_Prev = m_Tail;
    e->m_Next = nullptr;
    if (m_Tail != nullptr) {
      m_Tail->m_Next = e;
    } else {
      m_Head = e;
    }
    m_Tail = e;
  } else {
    e->m_Next = before;
    e->m_Prev = before->m_Prev;
    if (before->m_Prev != nullptr) {
      before->m_Prev->m_Next = e;
    } else {
      m_Head = e;
    }
    before->m_Prev = e;
  }
  ++m_Length;
  return TOL_OK;
}

CTolListable* CTolDoubleList::RDLRemove(CTolListable* e) {
  if (e == nullptr || e->m_Owner != this) {
    return nullptr;
  }
  if (e->m_Prev != nullptr) {
    e->m_Prev->m_Next = e->m_Next;
  } else {
    m_Head = e->m_Next;
  }
  if (e->m_Next != nullptr) {
    e->m_Next->m_Prev = e->m_Prev;
  } else {
    m_Tail = e->m_Prev;
  }
  e->m_Prev = nullptr;
  e->m_Next = nullptr;
  e->m_Owner = nullptr;
  --m_Length;
  return e;
}

int CTolDoubleList::RDLSetHead(CTolListable* head) {
  if (head != nullptr) {
    return TOL_ERR_FAILED;
  }
  // Detach without deleting: whoever filed the elements elsewhere now owns them.
  CTolListable* e = m_Head;
  while (e != nullptr) {
    CTolListable* next = e->m_Next;
    e->m_Prev = nullptr;
    e->m_Next = nullptr;
    e->m_Owner = nullptr;
    e = next;
  }
  m_Head = nullptr;
  m_Tail = nullptr;
  m_Length = 0;
  return TOL_OK;
}

void CTolDoubleList::RDLClear() {
  while (m_Head != nullptr) {
    // Unlink before deleting, so that an element's destructor never sees a half-linked list.
    delete RDLRemove(m_Head);
  }
}

CTolListable* CTolDoubleList::RLTargetDeepCopy(const CTolListable* source) {
  const CTolDoubleList* list = dynamic_cast<const CTolDoubleList*>(source);
  if (list == nullptr) {
    return nullptr;
  }
  return new CTolDoubleList(*list);
}
