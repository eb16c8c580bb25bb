// Device text through every sink's form: the terminal form holds no control character and keeps
// its width; the DOT label form is one valid UTF-8 line of characters XML 1.0 allows, in which
// every '\' and '"' is escaped for DOT and every '&' starts "&amp;". The first input byte picks
// the width, the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/base/DeviceText.h"

namespace {

// Decodes `text` as strict UTF-8 into code points; false when it is not valid UTF-8.
bool Utf8(const std::string& text, std::u32string* out) {
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    char32_t c = n == 1 ? b : b & (0xFF >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) {
      unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    out->push_back(c);
    i += n;
  }
  return true;
}

bool XmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::size_t width = data[0] % 4 == 0 ? 0 : data[0];  // a quarter uncut
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::string shown = disco::TerminalText(text, width);
  std::u32string chars;
  Check(Utf8(shown, &chars));
  for (char32_t c : chars)
    Check(c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != 0x2028 && c != 0x2029);
  std::size_t bound = width < disco::kMinimumWidth ? disco::kMinimumWidth : width;
  if (width != 0) Check(chars.size() <= bound);
  // Printable ASCII that fits comes through as it is.
  bool plain = text.size() <= bound || width == 0;
  for (unsigned char c : text) plain = plain && c >= 0x20 && c < 0x7F;
  if (plain) Check(shown == text);

  std::string label = disco::DotLabelText(text, width);
  chars.clear();
  Check(Utf8(label, &chars));
  for (char32_t c : chars) Check(XmlChar(c) && c != '\n' && c != '\r');
  // ASCII bytes never stand inside a multi-byte character: the DOT escapes are read bytewise.
  for (std::size_t i = 0; i < label.size(); ++i) {
    Check(label[i] != '"');
    if (label[i] == '\\') {
      Check(i + 1 < label.size() && (label[i + 1] == '\\' || label[i + 1] == '"'));
      ++i;
    } else if (label[i] == '&') {
      Check(label.compare(i, 5, "&amp;") == 0);
    }
  }
  return 0;
}
