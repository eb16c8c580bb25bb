// An ordered map from keys to untyped data pointers. Keys are texts; an integer key is its decimal
// text and an atom key its text form (RAStrRep), so the integer 5, the text "5" and an integer
// atom 5 find the same node. Order: keys are compared as dot-separated components, numerically
// where both components are canonical decimal integers (numbers before other text), else as
// text; so "2" < "10" and "1.5" < "1.10". Lookups and additions take constant time; keys added
// out of order are put in order when the node list is next asked for (RTLIterator).
// A tree filled in key order (the rows of a walk) and read in the same order needs no hash index:
// lookups follow the node list from the previous hit, and the index is built, in one pass, only
// when a lookup or an addition cannot do without it.
// The tree owns its nodes (CTolPointer), never the data they point to. Not thread-safe, not even
// for lookups alone (they move the cursor and may build the index).
#pragma once

#include <memory>
#include <string>

#include "host/CTolDoubleList.h"
#include "host/CTolPointer.h"

class CTolAtom;

// The key's sort form: a byte string whose plain byte order (memcmp, shorter first) is the
// order above, so that the index compares keys without parsing them again on every comparison.
// Keys with the same text, and only those, have the same sort form.
std::string TolSortKey(const std::string& key);

class CTolTreeList {
 public:
  // The flag is kept for the engine's signature and has no effect.
  explicit CTolTreeList(bool flag = false);
  CTolTreeList(const CTolTreeList&) = delete;
  CTolTreeList& operator=(const CTolTreeList&) = delete;
  virtual ~CTolTreeList();

  // Files `data` under the key (a text key is copied). Returns 1; TOL_ERR_KEY_TAKEN when the key
  // is present (the tree is unchanged); TOL_ERR_NULL for a null text or atom key.
  int RTLAdd(const char* key, void* data);
  int RTLAdd(int key, void* data);
  int RTLAdd(const CTolAtom* key, void* data, bool flag = true);

  // The node under the key (borrowed), or null.
  CTolPointer* RTLGet(const char* key) const;
  CTolPointer* RTLGet(int key) const;
  CTolPointer* RTLGet(const CTolAtom* key) const;

  // Unlinks the node under the key and returns its data; null when absent. The node is deleted.
  void* RTLRemove(const char* key);

  // The tree's own list of its nodes, in key order (borrowed; do not add or remove elements).
  // After an addition, the list is in key order again once RTLIterator is called again.
  CTolDoubleList* RTLIterator();
  int RTLLength() const { return m_Nodes.RDLLength(); }

 private:
  int Add(const std::string& key, void* data);
  CTolPointer* Get(const std::string& key) const;
  // The node after the previous hit, or the previous hit itself, when it has the key.
  CTolPointer* FromCursor(const std::string& key) const;
  // Files every node in a new index; the caller checks that there is none yet.
  void BuildIndex() const;

  // By key text (views of each node's own key). Keys with the same text are the same key.
  // Null while every key was added in order and nothing was removed: m_Sorted holds and
  // m_LastSortKey is then the largest key's sort form.
  struct Index;
  mutable std::unique_ptr<Index> m_Index;
  CTolDoubleList m_Nodes;
  bool m_Sorted = true;                     // m_Nodes is in key order
  std::string m_LastSortKey;                // sort form of the key added last while in order
  mutable CTolPointer* m_Cursor = nullptr;  // the node found last
  mutable unsigned m_CursorMisses = 0;      // consecutive lookups the cursor did not serve
  mutable unsigned m_Lookups = 0;
};
