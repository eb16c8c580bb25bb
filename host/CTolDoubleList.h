// Intrusive doubly-linked list of CTolListable elements. The list owns its elements: its
// destructor deletes every element still linked. Not thread-safe.
#pragma once

#include "host/CTolListable.h"
#include "host/TolListLinks.h"

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
