// Typed values: integers, texts, octets, and owned lists and vectors.
#include "host/CTolAtom.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace {

// Parses a whole text as a decimal integer: an optional sign, then digits only, within 64 bits.
bool ParseDecimal(std::string_view text, long long* out) {
  if (text.empty()) {
    return false;
  }
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) {
    return false;
  }
  for (std::size_t j = i; j < text.size(); ++j) {
    if (text[j] < '0' || text[j] > '9') {
      return false;
    }
  }
  std::string copy(text);  // strtoll needs the terminating NUL
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(copy.c_str(), &end, 10);
  if (errno == ERANGE || end != copy.c_str() + copy.size()) {
    return false;
  }
  *out = value;
  return true;
}

std::string HexOf(std::string_view octets) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(octets.size() * 2);
  for (unsigned char c : octets) {
    hex.push_back(kDigits[c >> 4]);
    hex.push_back(kDigits[c & 0x0F]);
  }
  return hex;
}

}  // namespace

bool CTolAtom::SetOctets(const char* octets, std::size_t length) {
  if (length > UINT32_MAX) {
    m_Type = eTolNull;
    return false;
  }
  m_Size = static_cast<std::uint32_t>(length);
  char* to = m_Inline;
  if (length > kInline) {
    m_Heap = new char[length + 1];
    to = m_Heap;
  }
  if (length > 0) std::memcpy(to, octets, length);
  to[length] = '\0';
  return true;
}

CTolAtom::CTolAtom() : m_Type(eTolNull), m_Size(0), m_Int(0) {}

CTolAtom::CTolAtom(int value) : m_Type(eTolInteger), m_Size(0), m_Int(value) {}

CTolAtom::CTolAtom(const char* text) : m_Type(eTolNull), m_Size(0), m_Int(0) {
  if (text != nullptr && SetOctets(text, std::strlen(text))) {
    m_Type = eTolString;
  }
}

CTolAtom::CTolAtom(const unsigned char* bytes, std::size_t length)
    : m_Type(eTolNull), m_Size(0), m_Int(0) {
  // No octets to copy: an empty bytes value when none were announced, else no value at all.
  if (bytes == nullptr && length != 0) {
    return;
  }
  if (SetOctets(reinterpret_cast<const char*>(bytes), bytes == nullptr ? 0 : length)) {
    m_Type = eTolBytes;
  }
}

CTolAtom::CTolAtom(CTolVBList* list)
    : m_Type(list != nullptr ? eTolObject : eTolNull), m_Size(0), m_List(list) {}

CTolAtom::CTolAtom(CTolAtomVector* vector)
    : m_Type(vector != nullptr ? eTolVector : eTolNull), m_Size(0), m_Vector(vector) {}

CTolAtom::CTolAtom(const CTolAtom& other) : m_Type(eTolNull), m_Size(0), m_Int(0) {
  CopyFrom(other);
}

CTolAtom& CTolAtom::operator=(const CTolAtom& other) {
  if (this == &other) {
    return *this;
  }
  // Copy first: `other` may live inside this atom's own list or vector.
  return *this = CTolAtom(other);
}

CTolAtom::CTolAtom(CTolAtom&& other) noexcept
    : m_Type(other.m_Type), m_Size(other.m_Size), m_Int(0) {
  // The value as it lies: inline octets or the pointer.
  std::memcpy(m_Inline, other.m_Inline, sizeof m_Inline);
  other.m_Type = eTolNull;
  other.m_Size = 0;
}

CTolAtom& CTolAtom::operator=(CTolAtom&& other) noexcept {
  if (this == &other) {
    return *this;
  }
  // Take the value out first: `other` may live inside this atom's own list or vector.
  CTolAtom taken(std::move(other));
  Clear();
  m_Type = taken.m_Type;
  m_Size = taken.m_Size;
  std::memcpy(m_Inline, taken.m_Inline, sizeof m_Inline);
  taken.m_Type = eTolNull;
  taken.m_Size = 0;
  return *this;
}

CTolAtom::~CTolAtom() { Clear(); }

void CTolAtom::Clear() {
  switch (m_Type) {
    case eTolObject:
      delete m_List;
      break;
    case eTolVector:
      delete m_Vector;
      break;
    case eTolString:
    case eTolBytes:
      if (m_Size > kInline) delete[] m_Heap;
      break;
    case eTolInteger:
    case eTolNull:
      break;
  }
  m_Type = eTolNull;
  m_Size = 0;
  m_Int = 0;
}

void CTolAtom::CopyFrom(const CTolAtom& other) {
  switch (other.m_Type) {
    case eTolInteger:
      m_Int = other.m_Int;
      break;
    case eTolString:
    case eTolBytes:
      if (!SetOctets(other.Octets(), other.m_Size)) return;
      break;
    case eTolObject:
      m_List = new CTolVBList(*other.m_List);
      break;
    case eTolVector:
      m_Vector = new CTolAtomVector(*other.m_Vector);
      break;
    case eTolNull:
      return;
  }
  m_Type = other.m_Type;
}

CTolAtom* CTolAtom::RAMakeInt64(long long value) { return new CTolAtom(Int64(value)); }

CTolAtom CTolAtom::Int64(long long value) {
  CTolAtom atom(0);
  atom.m_Int = value;  // an integer atom keeps 64 bits
  return atom;
}

int CTolAtom::RAInt() const {
  // The low 32 bits, taken through unsigned arithmetic so that wide values wrap predictably.
  return static_cast<int>(static_cast<unsigned int>(static_cast<unsigned long long>(RAInt64())));
}

long long CTolAtom::RAInt64() const {
  if (m_Type == eTolInteger) {
    return m_Int;
  }
  long long value = 0;
  if (m_Type == eTolString && ParseDecimal(std::string_view(Octets(), m_Size), &value)) {
    return value;
  }
  return 0;
}

const char* CTolAtom::RAString() const { return m_Type == eTolString ? Octets() : nullptr; }

char* CTolAtom::RAStrRep() const {
  std::string text = RAText();
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy != nullptr) {
    std::memcpy(copy, text.c_str(), text.size() + 1);
  }
  return copy;
}

std::string CTolAtom::RAText() const {
  switch (m_Type) {
    case eTolInteger:
      return std::to_string(m_Int);
    case eTolString:
      return std::string(Octets(), m_Size);
    case eTolBytes:
      return HexOf(std::string_view(Octets(), m_Size));
    case eTolObject: {
      std::string text = "{";
      for (CTolVarBind* vb = m_List->RVBLHead(); vb != nullptr; vb = m_List->RVBLGetNext(vb)) {
        if (vb != m_List->RVBLHead()) {
          text += ", ";
        }
        text += vb->RVBName() != nullptr ? vb->RVBName()->RAText() : std::string();
        text += '=';
        if (vb->RVBValue() != nullptr) {
          text += vb->RVBValue()->RAText();
        }
      }
      return text + "}";
    }
    case eTolVector: {
      std::string text = "[";
      for (int i = 0; i < m_Vector->RAVSize(); ++i) {
        if (i > 0) {
          text += ", ";
        }
        text += m_Vector->RAVGetValue(i)->RAText();
      }
      return text + "]";
    }
    case eTolNull:
      break;
  }
  return std::string();
}

CTolVBList* CTolAtom::RAObject() const { return m_Type == eTolObject ? m_List : nullptr; }

CTolAtomVector* CTolAtom::RAVector() const { return m_Type == eTolVector ? m_Vector : nullptr; }

int CTolAtom::RAUChar(const unsigned char** bytes, int* length) const {
  if (bytes == nullptr || length == nullptr) {
    return TOL_ERR_NULL;
  }
  if (m_Type != eTolBytes && m_Type != eTolString) {
    return TOL_ERR_FAILED;
  }
  if (m_Size > static_cast<std::uint32_t>(INT_MAX)) {
    return TOL_ERR_FAILED;
  }
  *bytes = reinterpret_cast<const unsigned char*>(Octets());
  *length = static_cast<int>(m_Size);
  return TOL_OK;
}

int CTolAtom::RACoerce(ETolDataType type) {
  if (type == m_Type) {
    return TOL_OK;
  }
  if (m_Type == eTolInteger && type == eTolString) {
    std::string text = std::to_string(m_Int);
    SetOctets(text.data(), text.size());
    m_Type = eTolString;
    return TOL_OK;
  }
  if (m_Type == eTolString && type == eTolInteger) {
    long long value = 0;
    if (!ParseDecimal(std::string_view(Octets(), m_Size), &value)) {
      return TOL_ERR_FAILED;
    }
    Clear();
    m_Int = value;
    m_Type = eTolInteger;
    return TOL_OK;
  }
  if (m_Type == eTolString && type == eTolBytes) {
    m_Type = eTolBytes;
    return TOL_OK;
  }
  if (m_Type == eTolBytes && type == eTolString) {
    // A text cannot carry an embedded NUL.
    if (std::memchr(Octets(), '\0', m_Size) != nullptr) {
      return TOL_ERR_FAILED;
    }
    m_Type = eTolString;
    return TOL_OK;
  }
  return TOL_ERR_FAILED;
}

bool CTolAtom::operator==(const CTolAtom& other) const {
  if (m_Type != other.m_Type) {
    return false;
  }
  switch (m_Type) {
    case eTolInteger:
      return m_Int == other.m_Int;
    case eTolString:
    case eTolBytes:
      return m_Size == other.m_Size && std::memcmp(Octets(), other.Octets(), m_Size) == 0;
    case eTolObject:
      return *m_List == *other.m_List;
    case eTolVector:
      return *m_Vector == *other.m_Vector;
    case eTolNull:
      break;
  }
  return true;
}

static_assert(sizeof(void*) != 8 || sizeof(CTolAtom) <= 40, "atoms stay small");
