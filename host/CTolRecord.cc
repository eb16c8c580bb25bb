// Records: owned field lists, their text form, and their encoding on the message bus.
#include "host/CTolRecord.h"

#include <cstdint>
#include <iostream>
#include <memory>

#include "host/CTolAtomVector.h"
#include "host/TolTypes.h"

namespace {

// Encoding of a record:
//   record := kMagic kVersion varint(fieldCount) field*
//   field  := atom(name) (kTagAbsent | atom(value))
//   atom   := kTagNull
//           | kTagInt varint(zigzag(value))
//           | kTagBytes varint(length) octets | kTagString varint(length) octets (no NUL)
//           | kTagObject varint(fieldCount) field* | kTagVector varint(atomCount) atom*
// Varints are little-endian base-128 in their shortest form. Nesting deeper than kMaxDepth is
// refused on decoding so that hostile input cannot exhaust the stack.
constexpr unsigned char kMagic = 0xD7;
constexpr unsigned char kVersion = 0x01;
constexpr unsigned char kTagNull = 0x00;
constexpr unsigned char kTagInt = 0x01;
constexpr unsigned char kTagBytes = 0x02;
constexpr unsigned char kTagString = 0x03;
constexpr unsigned char kTagObject = 0x04;
constexpr unsigned char kTagVector = 0x05;
constexpr unsigned char kTagAbsent = 0xFF;
constexpr int kMaxDepth = 64;

void PutVarint(std::string* out, std::uint64_t value) {
  while (value >= 0x80) {
    out->push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out->push_back(static_cast<char>(value));
}

void PutFields(std::string* out, const CTolVBList& list);

void PutAtom(std::string* out, const CTolAtom& atom) {
  switch (atom.RAType()) {
    case eTolInteger: {
      std::uint64_t u = static_cast<std::uint64_t>(atom.RAInt64());
      out->push_back(static_cast<char>(kTagInt));
      PutVarint(out, (u << 1) ^ (0 - (u >> 63)));
      return;
    }
    case eTolBytes:
    case eTolString: {
      const unsigned char* bytes = nullptr;
      int length = 0;
      atom.RAUChar(&bytes, &length);
      out->push_back(static_cast<char>(atom.RAType() == eTolString ? kTagString : kTagBytes));
      PutVarint(out, static_cast<std::uint64_t>(length));
      out->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
      return;
    }
    case eTolObject:
      out->push_back(static_cast<char>(kTagObject));
      PutFields(out, *atom.RAObject());
      return;
    case eTolVector: {
      const CTolAtomVector& vector = *atom.RAVector();
      out->push_back(static_cast<char>(kTagVector));
      PutVarint(out, static_cast<std::uint64_t>(vector.RAVSize()));
      for (int i = 0; i < vector.RAVSize(); ++i) {
        PutAtom(out, *vector.RAVGetValue(i));
      }
      return;
    }
    case eTolNull:
      break;
  }
  out->push_back(static_cast<char>(kTagNull));
}

void PutFields(std::string* out, const CTolVBList& list) {
  PutVarint(out, static_cast<std::uint64_t>(list.RVBLLength()));
  for (const CTolVarBind* vb = list.RVBLHead(); vb != nullptr; vb = list.RVBLGetNext(vb)) {
    PutAtom(out, vb->RVBName() != nullptr ? *vb->RVBName() : CTolAtom());
    if (vb->RVBValue() != nullptr) {
      PutAtom(out, *vb->RVBValue());
    } else {
      out->push_back(static_cast<char>(kTagAbsent));
    }
  }
}

// Reads the encoding above; every read is bounds-checked and any failure abandons the decode.
class Reader {
 public:
  Reader(const unsigned char* bytes, std::size_t length) : m_Pos(bytes), m_End(bytes + length) {}

  bool AtEnd() const { return m_Pos == m_End; }
  std::size_t Remaining() const { return static_cast<std::size_t>(m_End - m_Pos); }

  bool Byte(unsigned char* out) {
    if (m_Pos == m_End) {
      return false;
    }
    *out = *m_Pos++;
    return true;
  }

  bool Varint(std::uint64_t* out) {
    std::uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
      unsigned char b = 0;
      if (!Byte(&b)) {
        return false;
      }
      if (shift == 63 && b > 1) {
        return false;  // more than 64 bits
      }
      value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) {
        if (b == 0 && shift > 0) {
          return false;  // not in its shortest form
        }
        *out = value;
        return true;
      }
      // At shift 63 only 0 or 1 got through, neither with a continuation: the loop ends there.
    }
  }

  // A count or length that cannot exceed the bytes left (every item takes at least one byte).
  bool Count(std::size_t* out) {
    std::uint64_t value = 0;
    if (!Varint(&value) || value > Remaining()) {
      return false;
    }
    *out = static_cast<std::size_t>(value);
    return true;
  }

  std::unique_ptr<CTolAtom> Atom(int depth) {
    unsigned char tag = 0;
    if (!Byte(&tag)) {
      return nullptr;
    }
    return AtomWithTag(tag, depth);
  }

  std::unique_ptr<CTolAtom> AtomWithTag(unsigned char tag, int depth) {
    switch (tag) {
      case kTagNull:
        return std::make_unique<CTolAtom>();
      case kTagInt: {
        std::uint64_t zz = 0;
        if (!Varint(&zz)) {
          return nullptr;
        }
        std::uint64_t u = (zz >> 1) ^ (0 - (zz & 1));
        return std::unique_ptr<CTolAtom>(CTolAtom::RAMakeInt64(static_cast<long long>(u)));
      }
      case kTagBytes:
      case kTagString: {
        std::size_t length = 0;
        if (!Count(&length)) {
          return nullptr;
        }
        const unsigned char* start = m_Pos;
        m_Pos += length;
        if (tag == kTagBytes) {
          return std::make_unique<CTolAtom>(start, length);
        }
        std::string text(reinterpret_cast<const char*>(start), length);
        if (text.find('\0') != std::string::npos) {
          return nullptr;
        }
        return std::make_unique<CTolAtom>(text.c_str());
      }
      case kTagObject: {
        if (depth >= kMaxDepth) {
          return nullptr;
        }
        std::unique_ptr<CTolVBList> list(new CTolVBList());
        if (!Fields(list.get(), depth + 1)) {
          return nullptr;
        }
        return std::make_unique<CTolAtom>(list.release());
      }
      case kTagVector: {
        std::size_t count = 0;
        if (depth >= kMaxDepth || !Count(&count)) {
          return nullptr;
        }
        std::unique_ptr<CTolAtomVector> vector(new CTolAtomVector(0));
        for (std::size_t i = 0; i < count; ++i) {
          std::unique_ptr<CTolAtom> atom = Atom(depth + 1);
          if (!atom) {
            return nullptr;
          }
          vector->RAVAddToEnd(atom.release());
        }
        return std::make_unique<CTolAtom>(vector.release());
      }
      default:
        return nullptr;
    }
  }

  bool Fields(CTolVBList* list, int depth) {
    std::size_t count = 0;
    if (!Count(&count)) {
      return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
      std::unique_ptr<CTolAtom> name = Atom(depth);
      unsigned char tag = 0;
      if (!name || !Byte(&tag)) {
        return false;
      }
      CTolAtom* value = nullptr;
      if (tag != kTagAbsent) {
        value = AtomWithTag(tag, depth).release();
        if (value == nullptr) {
          return false;
        }
      }
      list->RVBLAddToListEnd(new CTolVarBind(*name, &value));
    }
    return true;
  }

 private:
  const unsigned char* m_Pos;
  const unsigned char* m_End;
};

}  // namespace

CTolRecord::CTolRecord() : m_Values(new CTolVBList()) {}

CTolRecord::CTolRecord(CTolVBList* values)
    : m_Values(values != nullptr ? values : new CTolVBList()) {}

CTolRecord::CTolRecord(const CTolRecord& other)
    : CTolBaseRecord(other), m_Values(new CTolVBList(*other.m_Values)) {}

CTolRecord::~CTolRecord() { delete m_Values; }

CTolAtom* CTolRecord::RRValueOf(const char* name) const {
  CTolVarBind* vb = m_Values->RVBLFind(name);
  return vb != nullptr ? vb->RVBValue() : nullptr;
}

int CTolRecord::RRAddValue(CTolVarBind* vb) { return m_Values->RVBLAddToListEnd(vb); }

CTolVBList* CTolRecord::RRCopyValues() const { return new CTolVBList(*m_Values); }

void CTolRecord::RRPrint() const { std::cout << RRPrintStr(true); }

const char* CTolRecord::RRPrintStr(bool withNames) const {
  std::string text = "{";
  for (const CTolVarBind* vb = m_Values->RVBLHead(); vb != nullptr;
       vb = m_Values->RVBLGetNext(vb)) {
    if (vb != m_Values->RVBLHead()) {
      text += ", ";
    }
    if (withNames) {
      text += vb->RVBName() != nullptr ? vb->RVBName()->RAText() : std::string();
      text += '=';
    }
    if (vb->RVBValue() != nullptr) {
      text += vb->RVBValue()->RAText();
    }
  }
  text += '}';
  if (!m_PrintCache) m_PrintCache.reset(new std::string());
  m_PrintCache->swap(text);
  return m_PrintCache->c_str();
}

void CTolRecord::ROMEncode(std::string* out) const {
  if (out == nullptr) {
    return;
  }
  out->push_back(static_cast<char>(kMagic));
  out->push_back(static_cast<char>(kVersion));
  PutFields(out, *m_Values);
}

int CTolRecord::ROMDecode(const unsigned char* bytes, int length) {
  std::unique_ptr<CTolVBList> decoded(new CTolVBList());
  int status = TOL_OK;
  if (bytes == nullptr) {
    status = TOL_ERR_NULL;
  } else if (length < 2) {
    status = TOL_ERR_PROTOCOL;
  } else {
    Reader reader(bytes, static_cast<std::size_t>(length));
    unsigned char magic = 0;
    unsigned char version = 0;
    reader.Byte(&magic);
    reader.Byte(&version);
    if (magic != kMagic || version != kVersion || !reader.Fields(decoded.get(), 0) ||
        !reader.AtEnd()) {
      status = TOL_ERR_PROTOCOL;
    }
  }
  if (status != TOL_OK) {
    decoded.reset(new CTolVBList());
  }
  delete m_Values;
  m_Values = decoded.release();
  return status;
}

CTolListable* CTolRecord::RLTargetDeepCopy(const CTolListable* source) {
  const CTolRecord* record = dynamic_cast<const CTolRecord*>(source);
  if (record == nullptr) {
    return nullptr;
  }
  return new CTolRecord(*record);
}
