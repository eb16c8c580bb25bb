// Ordered map from keys to borrowed pointers, with its nodes also kept in a list in key order.
#include "host/CTolTreeList.h"

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

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

const char* ComponentEnd(const char* p, const char* end) {
  while (p != end && *p != '.') {
    ++p;
  }
  return p;
}

// Sort forms of components, each self-delimiting so that components line up when two sort forms
// are compared: numbers before texts, negative numbers before the others.
constexpr char kNegative = 0x01;  // then the digit count, inverted, then complemented digits
constexpr char kNumber = 0x02;    // then the digit count, then the digits
constexpr char kText = 0x03;      // then the bytes (0x00 as 01 01, 0x01 as 01 02), then 00

// A digit count in an order-preserving form: one byte below 255 (most keys stay short enough
// for std::string's inline buffer), else 0xFF and four bytes. Inverted, so that more digits
// (a larger magnitude) sort first among negative numbers: 0xFF - count, else 0x00 and four bytes
// of 0xFFFFFFFF - count.
void PutCount(std::string* out, std::uint32_t n, bool inverted) {
  if (n < 0xFF) {
    out->push_back(static_cast<char>(inverted ? 0xFF - n : n));
    return;
  }
  out->push_back(static_cast<char>(inverted ? 0x00 : 0xFF));
  if (inverted) n = 0xFFFFFFFFu - n;
  for (int shift = 24; shift >= 0; shift -= 8) {
    out->push_back(static_cast<char>((n >> shift) & 0xFF));
  }
}

void PutComponent(std::string* out, const char* begin, const char* end) {
  if (IsCanonicalInteger(begin, end)) {
    bool negative = *begin == '-';
    const char* digits = negative ? begin + 1 : begin;
    std::uint32_t count = static_cast<std::uint32_t>(end - digits);
    out->push_back(negative ? kNegative : kNumber);
    PutCount(out, count, negative);
    for (const char* p = digits; p != end; ++p) {
      out->push_back(negative ? static_cast<char>(0xFF - static_cast<unsigned char>(*p)) : *p);
    }
    return;
  }
  out->push_back(kText);
  for (const char* p = begin; p != end; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c <= 1) {
      out->push_back(0x01);
      out->push_back(static_cast<char>(c + 1));
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
  out->push_back('\0');
}

void AppendSortKey(std::string* out, std::string_view key) {
  const char* p = key.data();
  const char* end = p + key.size();
  for (;;) {
    const char* c = ComponentEnd(p, end);
    PutComponent(out, p, c);
    if (c == end) return;
    p = c + 1;
  }
}

// The sort form of a key, in a buffer the thread keeps, so that adding in order allocates
// nothing. Valid until the thread's next call.
const std::string& LookupSortKey(const std::string& key) {
  thread_local std::string buffer;
  buffer.clear();
  AppendSortKey(&buffer, key);
  return buffer;
}

}  // namespace

std::string TolSortKey(const std::string& key) {
  std::string out;
  out.reserve(key.size() + 8);
  AppendSortKey(&out, key);
  return out;
}

namespace {

// An index entry: a node and the hash of its key, kept beside it so that growing the table and
// passing over other keys never reads a node (in a big tree every node read is a cache miss).
struct IndexEntry {
  std::size_t hash;
  CTolPointer* node;
};

// A key looked up, with its hash.
struct IndexProbe {
  std::size_t hash;
  std::string_view key;
};

struct IndexHash {
  using is_transparent = void;
  std::size_t operator()(const IndexEntry& e) const { return e.hash; }
  std::size_t operator()(const IndexProbe& p) const { return p.hash; }
};

struct IndexEq {
  using is_transparent = void;
  bool operator()(const IndexEntry& a, const IndexEntry& b) const { return a.node == b.node; }
  bool operator()(const IndexEntry& e, const IndexProbe& p) const {
    return e.hash == p.hash && std::string_view(e.node->RPKeyText()) == p.key;
  }
  bool operator()(const IndexProbe& p, const IndexEntry& e) const { return (*this)(e, p); }
};

IndexProbe ProbeOf(std::string_view key) {
  return IndexProbe{std::hash<std::string_view>()(key), key};
}

}  // namespace

// An open-addressing table of the nodes by key text: a lookup in a big tree costs about one
// cache miss for the slot and one for the node, where a node-based map costs several.
struct CTolTreeList::Index : absl::flat_hash_set<IndexEntry, IndexHash, IndexEq> {};

CTolTreeList::CTolTreeList(bool /*flag*/) {}

// m_Nodes deletes the nodes; the data they point to belongs to whoever filed it.
CTolTreeList::~CTolTreeList() = default;

void CTolTreeList::BuildIndex() const {
  m_Index.reset(new Index());
  m_Index->reserve(static_cast<std::size_t>(m_Nodes.RDLLength()));
  for (CTolListable* e = m_Nodes.RDLHead(); e != nullptr; e = m_Nodes.RDLGetNext(e)) {
    CTolPointer* node = static_cast<CTolPointer*>(e);
    m_Index->insert(IndexEntry{ProbeOf(node->RPKeyText()).hash, node});
  }
}

int CTolTreeList::Add(const std::string& key, void* data) {
  // Keys often come in order (rows of a walk): then the list stays in order as it grows, and a
  // key beyond the largest one cannot be present.
  bool inOrder = false;
  if (m_Sorted) {
    const std::string& sortKey = LookupSortKey(key);
    inOrder = m_Nodes.RDLLength() == 0 || m_LastSortKey < sortKey;
    if (inOrder) m_LastSortKey = sortKey;
  }
  if (!inOrder && !m_Index) BuildIndex();
  CTolPointer* node = nullptr;
  if (m_Index) {
    // One probe both refuses a present key and finds the slot of a new one.
    IndexProbe probe = ProbeOf(key);
    m_Index->lazy_emplace(probe, [&](const Index::constructor& make) {
      node = new CTolPointer(data, key);
      make(IndexEntry{probe.hash, node});
    });
    if (node == nullptr) return TOL_ERR_KEY_TAKEN;
  } else {
    node = new CTolPointer(data, key);
  }
  m_Nodes.RDLAddToEnd(node);
  if (!inOrder) m_Sorted = false;
  return TOL_OK;
}

CTolPointer* CTolTreeList::FromCursor(const std::string& key) const {
  // A lookup pattern that does not follow the list would pay a cache miss per lookup here; the
  // cursor is tried again now and then after a run of misses.
  ++m_Lookups;
  if (m_CursorMisses >= 4 && (m_Lookups & 63) != 0) return nullptr;
  CTolPointer* next =
      static_cast<CTolPointer*>(m_Cursor ? m_Nodes.RDLGetNext(m_Cursor) : m_Nodes.RDLHead());
  if (next != nullptr && next->RPKeyText() == key) {
    m_CursorMisses = 0;
    // The node after it is most likely asked for next: start reading it now.
    __builtin_prefetch(m_Nodes.RDLGetNext(next));
    return m_Cursor = next;
  }
  if (m_Cursor != nullptr && m_Cursor->RPKeyText() == key) {
    m_CursorMisses = 0;
    return m_Cursor;
  }
  ++m_CursorMisses;
  return nullptr;
}

CTolPointer* CTolTreeList::Get(const std::string& key) const {
  if (CTolPointer* node = FromCursor(key)) return node;
  if (!m_Index) {
    if (m_Nodes.RDLLength() == 0 || m_LastSortKey < LookupSortKey(key)) return nullptr;
    BuildIndex();
  }
  auto it = m_Index->find(ProbeOf(key));
  if (it == m_Index->end()) return nullptr;
  return m_Cursor = it->node;
}

CTolDoubleList* CTolTreeList::RTLIterator() {
  if (m_Sorted) {
    return &m_Nodes;
  }
  // The sort forms of all keys in one buffer; each entry carries its form's first 16 bytes
  // (zero-padded, as two big-endian numbers), which decide most comparisons without reading it.
  struct Entry {
    std::uint64_t head[2];
    std::size_t offset;
    std::size_t length;
    CTolPointer* node;
  };
  std::string forms;
  std::vector<Entry> order;
  order.reserve(static_cast<std::size_t>(m_Nodes.RDLLength()));
  for (CTolListable* e = m_Nodes.RDLHead(); e != nullptr; e = m_Nodes.RDLGetNext(e)) {
    CTolPointer* node = static_cast<CTolPointer*>(e);
    Entry entry{{0, 0}, forms.size(), 0, node};
    AppendSortKey(&forms, node->RPKeyText());
    entry.length = forms.size() - entry.offset;
    for (std::size_t i = 0; i < 16 && i < entry.length; ++i) {
      entry.head[i / 8] |= std::uint64_t{static_cast<unsigned char>(forms[entry.offset + i])}
                           << (56 - 8 * (i % 8));
    }
    order.push_back(entry);
  }
  // Zero padding orders a form before any longer one it begins, as the byte order does; equal
  // heads are settled on the whole forms. Forms are unique: no tie reaches the pointers.
  std::sort(order.begin(), order.end(), [&forms](const Entry& a, const Entry& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    return std::string_view(forms).substr(a.offset, a.length) <
           std::string_view(forms).substr(b.offset, b.length);
  });
  m_Nodes.RDLSetHead(nullptr);
  for (const Entry& entry : order) m_Nodes.RDLAddToEnd(entry.node);
  if (!order.empty()) m_LastSortKey.assign(forms, order.back().offset, order.back().length);
  m_Sorted = true;
  return &m_Nodes;
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
  if (!m_Index) BuildIndex();
  auto it = m_Index->find(ProbeOf(key));
  if (it == m_Index->end()) {
    return nullptr;
  }
  CTolPointer* node = it->node;
  m_Index->erase(it);  // before the node, whose key the index views
  if (node == m_Cursor) m_Cursor = nullptr;
  m_Nodes.RDLRemove(node);
  void* data = node->RPData();
  delete node;
  return data;
}
