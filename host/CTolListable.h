// Element of the engine's intrusive doubly-linked lists (CTolDoubleList). An element is in at
// most one list at a time; the list that holds it deletes it through the virtual destructor.
#pragma once

class TolListLinks;

class CTolListable {
 public:
  CTolListable() = default;
  // A copy is not linked into any list.
  CTolListable(const CTolListable&) : m_Prev(nullptr), m_Next(nullptr), m_Owner(nullptr) {}
  CTolListable& operator=(const CTolListable&) { return *this; }
  virtual ~CTolListable() = default;

  // Returns a new deep copy of `source` (an element of the same dynamic type as this one), owned
  // by the caller. The base version returns null: the element cannot be copied.
  virtual CTolListable* RLTargetDeepCopy(const CTolListable* source);

 private:
  friend class TolListLinks;
  CTolListable* m_Prev = nullptr;
  CTolListable* m_Next = nullptr;
  const TolListLinks* m_Owner = nullptr;  // the list this element is linked into
};
