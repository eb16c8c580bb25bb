// The links of an intrusive doubly-linked list: head, tail and length, and the operations on
// them. Not an element itself, so that a list held inside another object (a record's fields)
// costs three words. The owner decides what is linked and deletes the elements.
#pragma once

#include "host/CTolListable.h"

class TolListLinks {
 public:
  TolListLinks() = default;
  TolListLinks(const TolListLinks&) = delete;
  TolListLinks& operator=(const TolListLinks&) = delete;

  CTolListable* Head() const { return m_Head; }
  CTolListable* Tail() const { return m_Tail; }
  int Length() const { return m_Length; }
  // The element after (before) `e`; null at the end or when `e` is not linked here.
  CTolListable* Next(const CTolListable* e) const {
    return e != nullptr && e->m_Owner == this ? e->m_Next : nullptr;
  }
  CTolListable* Prev(const CTolListable* e) const {
    return e != nullptr && e->m_Owner == this ? e->m_Prev : nullptr;
  }
  // Links `e` before `before` (null: at the end). TOL_ERR_NULL for a null element,
  // TOL_ERR_FAILED when it is already in a list or `before` is not in this one; 1 otherwise.
  int InsertBefore(CTolListable* e, CTolListable* before);
  CTolListable* Remove(CTolListable* e);  // unlinks `e`; null when it is not linked here
  void DetachAll();                       // unlinks every element, deleting none
  void DeleteAll();                       // unlinks and deletes every element
  // Links a deep copy (RLTargetDeepCopy) of each of `from`'s elements at the end.
  void AppendCopies(const TolListLinks& from);

 private:
  CTolListable* m_Head = nullptr;
  CTolListable* m_Tail = nullptr;
  int m_Length = 0;
};
