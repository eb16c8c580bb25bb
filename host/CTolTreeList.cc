// Ordered map from keys to borrowed pointers, with its nodes also kept in a list in key order.
#include "host/CTolTreeList.h"

#include "host/CTolAtom.h"
#include "host/TolTypes.h"

namespace {

// A component [begin, end) of a key is a canonical decimal integer when it is "0", or digits not
// starting with 0, optionally preceded by '-' ("-0" is not canonical). Canonical texts are
// unique per number, so comparing them numerically never makes two different keys equal.
bool IsCanonicalInteger(const char* begin, const char* end) {
  const char* p = begin;
  if (p != end && *p == '-') {
    ++p;
  }
  if (p == end) {
    return false;
  }
  if (*p == '0') {
    return p + 1 == end && p == begin;
  }
  for (; p != end; ++p) {
    if (*p < '0' || *p > '9') {
      return false;
    }
  }
  return true;
}

int CompareText(const char* a, const char* aEnd, const char* b, const char* bEnd) {
  for (; a != aEnd && b != bEnd; ++a, ++b) {
    unsigned char ca = static_cast<unsigned char>(*a);
    unsigned char cb = static_cast<unsigned char>(*b);
    if (ca != cb) {
      return ca < cb ? -1 : 1;
    }
  }
  if (a == aEnd) {
    return b == bEnd ? 0 : -1;
  }
  return 1;
}

// Numeric comparison of two canonical integers of any length, without converting them.
int CompareIntegers(const char* a, const char* aEnd, const char* b, const char* bEnd) {
  bool aNegative = *a == '-';
  bool bNegative = *b == '-';
  if (aNegative != bNegative) {
    return aNegative ? -1 : 1;
  }
  if (aNegative) {
    ++a;
    ++b;
  }
  int magnitude;
  if (aEnd - a != bEnd - b) {
    magnitude = (aEnd - a) < (bEnd - b) ? -1 : 1;
  } else {
    magnitude = CompareText(a, aEnd, b, bEnd);
  }
  return aNegative ? -magnitude : magnitude;
}

const char* ComponentEnd(const char* p, const char* end) {
  while (p != end && *p != '.') {
    ++p;
  }
  return p;
}

}  // namespace

bool TolKeyLess::operator()(const std::string& a, const std::string& b) const {
  const char* pa = a.data();
  const char* pb = b.data();
  const char* aEnd = pa + a.size();
  const char* bEnd = pb + b.size();
  // Keys are sequences of components; compare them component by component, the shorter sequence
  // first when one is a prefix of the other. An empty key is one empty component.
  for (;;) {
    const char* ca = ComponentEnd(pa, aEnd);
    const char* cb = ComponentEnd(pb, bEnd);
    bool aNumber = IsCanonicalInteger(pa, ca);
    bool bNumber = IsCanonicalInteger(pb, cb);
    int order;
    if (aNumber && bNumber) {
      order = CompareIntegers(pa, ca, pb, cb);
    } else if (aNumber != bNumber) {
      order = aNumber ? -1 : 1;
    } else {
      order = CompareText(pa, ca, pb, cb);
    }
    if (order != 0) {
      return order < 0;
    }
    bool aDone = ca == aEnd;
    bool bDone = cb == bEnd;
    if (aDone || bDone) {
      return aDone && !bDone;
    }
    pa = ca + 1;
    pb = cb + 1;
  }
}

CTolTreeList::CTolTreeList(bool /*flag*/) {}

// m_Nodes deletes the nodes; the data they point to belongs to whoever filed it.
CTolTreeList::~CTolTreeList() = default;

int CTolTreeList::Add(const std::string& key, void* data) {
  auto successor = m_Index.lower_bound(key);
  if (successor != m_Index.end() && !m_Index.key_comp()(key, successor->first)) {
    return TOL_ERR_KEY_TAKEN;
  }
  CTolPointer* node = new CTolPointer(data, key);
  // The node list follows the map's order: the new node goes just before its successor.
  if (successor == m_Index.end()) {
    m_Nodes.RDLAddToEnd(node);
  } else {
    m_Nodes.RDLInsertBefore(node, successor->second);
  }
  m_Index.emplace_hint(successor, key, node);
  return TOL_OK;
}

CTolPointer* CTolTreeList::Get(const std::string& key) const {
  auto it = m_Index.find(key);
  return it != m_Index.end() ? it->second : nullptr;
}

int CTolTreeList::RTLAdd(const char* key, void* data) {
  if (key == nullptr) {
    return TOL_ERR_NULL;
  }
  return Add(key, data);
}

int CTolTreeList::RTLAdd(int key, void* data) { return Add(std::to_string(key), data); }

int CTolTreeList::RTLAdd(const CTolAtom* key, void* data, bool /*flag*/) {
  if (key == nullptr || key->RAType() == eTolNull) {
    return TOL_ERR_NULL;
  }
  return Add(key->RAText(), data);
}

CTolPointer* CTolTreeList::RTLGet(const char* key) const {
  return key != nullptr ? Get(key) : nullptr;
}

CTolPointer* CTolTreeList::RTLGet(int key) const { return Get(std::to_string(key)); }

CTolPointer* CTolTreeList::RTLGet(const CTolAtom* key) const {
  if (key == nullptr || key->RAType() == eTolNull) {
    return nullptr;
  }
  return Get(key->RAText());
}

void* CTolTreeList::RTLRemove(const char* key) {
  if (key == nullptr) {
    return nullptr;
  }
  auto it = m_Index.find(key);
  if (it == m_Index.end()) {
    return nullptr;
  }
  CTolPointer* node = it->second;
  m_Index.erase(it);
  m_Nodes.RDLRemove(node);
  void* data = node->RPData();
  delete node;
  return data;
}
