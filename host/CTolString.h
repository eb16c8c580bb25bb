// A growable text.
#pragma once

#include <string>

class CTolAtom;

class CTolString {
 public:
  CTolString() = default;
  // Appends `value` in decimal, `text` (null appends nothing), or an atom's text (RAStrRep form;
  // null appends nothing). Each returns 1.
  int RSStrCat(int value);
  int RSStrCat(const char* text);
  int RSStrCat(const CTolAtom* atom);
  // The text (borrowed; valid until the next change).
  const char* RSString() const { return m_Text.c_str(); }
  int RSStringLength() const { return static_cast<int>(m_Text.size()); }
  // A heap copy of the text (caller frees with free()); null when memory runs out.
  char* RSStringCopy() const;

 private:
  std::string m_Text;
};
