// The links and operations of an intrusive doubly-linked list.
#include "host/TolListLinks.h"

#include "host/TolTypes.h"

int TolListLinks::InsertBefore(CTolListable* e, CTolListable* before) {
  if (e == nullptr) {
    return TOL_ERR_NULL;
  }
  // An element lives in one list at a time.
  if (e->m_Owner != nullptr) {
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

CTolListable* TolListLinks::Remove(CTolListable* e) {
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

void TolListLinks::DetachAll() {
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
}

void TolListLinks::DeleteAll() {
  while (m_Head != nullptr) {
    // Unlink before deleting, so that an element's destructor never sees a half-linked list.
    delete Remove(m_Head);
  }
}

void TolListLinks::AppendCopies(const TolListLinks& from) {
  for (CTolListable* e = from.m_Head; e != nullptr; e = e->m_Next) {
    CTolListable* copy = e->RLTargetDeepCopy(e);
    if (copy != nullptr) {
      InsertBefore(copy, nullptr);
    }
  }
}
