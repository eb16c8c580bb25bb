// Typed values: integers, texts, octets, and owned lists and vectors.
#include "host/CTolAtom.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace {

// Parses a whole text as a decimal integer: an optional sign, then digits only, within 64 bits.
bool ParseDecimal(const std::string& text, long long* out) {
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
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE || end != text.c_str() + text.size()) {
    return false;
  }
  *out = value;
  return true;
}

std::string HexOf(const std::string& octets) {
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

CTolAtom::CTolAtom() : m_Type(eTolNull), m_Int(0), m_List(nullptr), m_Vector(nullptr) {}

CTolAtom::CTolAtom(int value)
    : m_Type(eTolInteger), m_Int(value), m_List(nullptr), m_Vector(nullptr) {}

CTolAtom::CTolAtom(const char* text)
    : m_Type(text != nullptr ? eTolString : eTolNull), m_Int(0), m_List(nullptr),
      m_Vector(nullptr) {
  if (text != nullptr) {
    m_Bytes = text;
  }
}

CTolAtom::CTolAtom(const unsigned char* bytes, std::size_t length)
    : m_Type(eTolBytes), m_Int(0), m_List(nullptr), m_Vector(nullptr) {
  if (bytes == nullptr) {
    // No octets to copy: an empty bytes value when none were announced, else no value at all.
    if (length != 0) {
      m_Type = eTolNull;
    }
    return;
  }
  m_Bytes.assign(reinterpret_cast<const char*>(bytes), length);
}

CTolAtom::CTolAtom(CTolVBList* list)
    : m_Type(list != nullptr ? eTolObject : eTolNull), m_Int(0), m_List(list), m_Vector(nullptr) {}

CTolAtom::CTolAtom(CTolAtomVector* vector)
    : m_Type(vector != nullptr ? eTolVector : eTolNull), m_Int(0), m_List(nullptr),
      m_Vector(vector) {}

CTolAtom::CTolAtom(const CTolAtom& other)
    : m_Type(eTolNull), m_Int(0), m_List(nullptr), m_Vector(nullptr) {
  CopyFrom(other);
}

CTolAtom& CTolAtom::operator=(const CTolAtom& other) {
  if (this == &other) {
    return *this;
  }
  // Copy first: `other` may live inside this atom's own list or vector.
  CTolAtom copy(other);
  Clear();
  m_Type = copy.m_Type;
  m_Int = copy.m_Int;
  m_Bytes.swap(copy.m_Bytes);
  m_List = copy.m_List;
  m_Vector = copy.m_Vector;
  copy.m_List = nullptr;
  copy.m_Vector = nullptr;
  copy.m_Type = eTolNull;
  return *this;
}

CTolAtom::~CTolAtom() { Clear(); }

void CTolAtom::Clear() {
  delete m_List;
  delete m_Vector;
  m_List = nullptr;
  m_Vector = nullptr;
  m_Bytes.clear();
  m_Int = 0;
  m_Type = eTolNull;
}

void CTolAtom::CopyFrom(const CTolAtom& other) {
  m_Type = other.m_Type;
  m_Int = other.m_Int;
  m_Bytes = other.m_Bytes;
  m_List = other.m_List != nullptr ? new CTolVBList(*other.m_List) : nullptr;
  m_Vector = other.m_Vector != nullptr ? new CTolAtomVector(*other.m_Vector) : nullptr;
}

CTolAtom* CTolAtom::RAMakeInt64(long long value) {
  CTolAtom* atom = new CTolAtom(0);
  atom->m_Int = value;
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
  if (m_Type == eTolString && ParseDecimal(m_Bytes, &value)) {
    return value;
  }
  return 0;
}

const char* CTolAtom::RAString() const {
  return m_Type == eTolString ? m_Bytes.c_str() : nullptr;
}

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
      return m_Bytes;
    case eTolBytes:
      return HexOf(m_Bytes);
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
  if (m_Bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    return TOL_ERR_FAILED;
  }
  *bytes = reinterpret_cast<const unsigned char*>(m_Bytes.data());
  *length = static_cast<int>(m_Bytes.size());
  return TOL_OK;
}

int CTolAtom::RACoerce(ETolDataType type) {
  if (type == m_Type) {
    return TOL_OK;
  }
  if (m_Type == eTolInteger && type == eTolString) {
    m_Bytes = std::to_string(m_Int);
    m_Int = 0;
    m_Type = eTolString;
    return TOL_OK;
  }
  if (m_Type == eTolString && type == eTolInteger) {
    long long value = 0;
    if (!ParseDecimal(m_Bytes, &value)) {
      return TOL_ERR_FAILED;
    }
    m_Bytes.clear();
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
    if (m_Bytes.find('\0') != std::string::npos) {
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
      return m_Bytes == other.m_Bytes;
    case eTolObject:
      return *m_List == *other.m_List;
    case eTolVector:
      return *m_Vector == *other.m_Vector;
    case eTolNull:
      break;
  }
  return true;
}
