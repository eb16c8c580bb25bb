// A growable text.
#include "host/CTolString.h"

#include <cstdlib>
#include <cstring>

#include "host/CTolAtom.h"
#include "host/TolTypes.h"

int CTolString::RSStrCat(int value) {
  m_Text += std::to_string(value);
  return TOL_OK;
}

int CTolString::RSStrCat(const char* text) {
  if (text != nullptr) {
    m_Text += text;
  }
  return TOL_OK;
}

int CTolString::RSStrCat(const CTolAtom* atom) {
  if (atom != nullptr) {
    m_Text += atom->RAText();
  }
  return TOL_OK;
}

char* CTolString::RSStringCopy() const {
  char* copy = static_cast<char*>(std::malloc(m_Text.size() + 1));
  if (copy != nullptr) {
    std::memcpy(copy, m_Text.c_str(), m_Text.size() + 1);
  }
  return copy;
}
