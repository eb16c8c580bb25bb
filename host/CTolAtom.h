// A typed value: integer, text, bytes, or an owned list (CTolVBList) or vector (CTolAtomVector).
// Copies are deep. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/TolTypes.h"

class CTolVBList;
class CTolAtomVector;

class CTolAtom {
 public:
  CTolAtom();                           // type eTolNull
  explicit CTolAtom(int value);         // eTolInteger
  explicit CTolAtom(const char* text);  // eTolString; a null text gives eTolNull. Copies the text.
  CTolAtom(const unsigned char* bytes, std::size_t length);  // eTolBytes; copies the bytes
  explicit CTolAtom(CTolVBList* list);         // eTolObject; takes ownership (null gives eTolNull)
  explicit CTolAtom(CTolAtomVector* vector);   // eTolVector; takes ownership (null gives eTolNull)
  CTolAtom(const CTolAtom& other);             // deep copy
  CTolAtom& operator=(const CTolAtom& other);  // deep copy
  CTolAtom(CTolAtom&& other) noexcept;         // takes the value; `other` becomes eTolNull
  CTolAtom& operator=(CTolAtom&& other) noexcept;  // the same, after freeing this atom's value
  // Not virtual: nothing derives from an atom, and rows hold millions of them.
  ~CTolAtom();

  // A 64-bit integer atom (SNMP Counter64 and unsigned 32-bit values).
  static CTolAtom* RAMakeInt64(long long value);
  static CTolAtom Int64(long long value);  // the same atom, by value

  ETolDataType RAType() const { return m_Type; }
  // The integer (its low 32 bits as int); for a string holding a decimal integer, that integer;
  // 0 otherwise.
  int RAInt() const;
  long long RAInt64() const;
  // The text of a string atom, borrowed from the atom; null for any other type.
  const char* RAString() const;
  // A heap text form (caller frees with free()): integers in decimal, strings as they are, bytes in
  // upper-case hexadecimal, vectors and objects as "[a, b]" / "{name=value, ...}"; "" for null.
  // Null only when memory runs out.
  char* RAStrRep() const;
  std::string RAText() const;  // the same text, as a std::string
  // The list of an object atom (borrowed), else null.
  CTolVBList* RAObject() const;
  // The vector of a vector atom (borrowed), else null.
  CTolAtomVector* RAVector() const;
  // Gives the bytes (borrowed) and their count of a bytes or string atom; returns 1, or
  // TOL_ERR_NULL for null out-arguments, TOL_ERR_FAILED for another type.
  int RAUChar(const unsigned char** bytes, int* length) const;
  // Converts the atom in place. Integer to string gives its decimal text; string to integer needs a
  // decimal text. Returns 1, or TOL_ERR_FAILED when the conversion is not possible (the atom is
  // then unchanged). Converting to the atom's own type succeeds and changes nothing.
  int RACoerce(ETolDataType type);

  // Deep equality: same type and same value.
  bool operator==(const CTolAtom& other) const;
  bool operator!=(const CTolAtom& other) const { return !(*this == other); }

 private:
  void Clear();
  void CopyFrom(const CTolAtom& other);

  // Octets of a string or bytes atom; up to kInline of them are kept inside the atom (MAC
  // addresses in text, field names), longer ones on the heap. Both end with a NUL.
  static constexpr std::size_t kInline = 23;
  const char* Octets() const { return m_Size <= kInline ? m_Inline : m_Heap; }
  // Sets the octets of a cleared atom; false (the atom stays null) past 4 GiB.
  bool SetOctets(const char* octets, std::size_t length);

  // A big switch makes millions of atoms: they are kept to 40 bytes.
  ETolDataType m_Type;
  std::uint32_t m_Size;  // octets of a string or bytes atom
  union {
    long long m_Int;             // eTolInteger
    CTolVBList* m_List;          // eTolObject
    CTolAtomVector* m_Vector;    // eTolVector
    char* m_Heap;                // eTolString, eTolBytes with m_Size > kInline
    char m_Inline[kInline + 1];  // eTolString, eTolBytes with m_Size <= kInline
  };
};
