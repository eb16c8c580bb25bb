// Intrusive doubly-linked list of CTolListable elements. The list owns its elements: its
// destructor deletes every element still linked. Not thread-safe.
#pragma once

#include "host/CTolListable.h"

// The links of an intrusive doubly-linked list: head, tail and length, and the operations on
// them. Not an element itself, so that a list held inside another object (a record's fields)
// costs three words. The owner decides what is linked and deletes the elements.
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

class CTolDoubleList : public CTolListable {
 public:
  CTolDoubleList() = default;
  // Deep copy: each element copied through RLTargetDeepCopy; elements that cannot be copied are
  // left out.
  CTolDoubleList(const CTolDoubleList& other);
  CTolDoubleList& operator=(const CTolDoubleList&) = delete;
  ~CTolDoubleList() override;

  CTolListable* RDLHead() const { return m_Links.Head(); }
  CTolListable* RDLTail() const { return m_Links.Tail(); }
  // The element after `e`, or null at the end (or when `e` is null or not in this list).
  CTolListable* RDLGetNext(const CTolListable* e) const { return m_Links.Next(e); }
  CTolListable* RDLGetPrev(const CTolListable* e) const { return m_Links.Prev(e); }
  int RDLLength() const { return m_Links.Length(); }

  // Takes ownership of `e` and links it at the end (or before `before`, which must be in this
  // list; null means the end). Returns 1, or TOL_ERR_NULL for a null element, TOL_ERR_FAILED
  // when the element is already in a list.
  int RDLAddToEnd(CTolListable* e);
  int RDLInsertBefore(CTolListable* e, CTolListable* before);
  // Unlinks `e` and hands it back to the caller (who then owns it); null when it is not here.
  CTolListable* RDLRemove(CTolListable* e);
  // With null: detaches every element without deleting any (their owner is then whoever holds
  // them, for example a tree filed over them). Any other argument is refused (returns
  // TOL_ERR_FAILED). Returns 1.
  int RDLSetHead(CTolListable* head);
  // Deletes every element.
  void RDLClear();

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  TolListLinks m_Links;
};
