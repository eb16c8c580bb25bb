#include "engine/base/DeviceText.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace disco {

namespace {

// The code point of the UTF-8 sequence at `text[at]` and its length in bytes; false for a byte
// that starts no valid sequence (stray continuation, overlong form, surrogate, beyond U+10FFFF,
// cut short).
bool DecodeAt(std::string_view text, std::size_t at, std::uint32_t* code, std::size_t* length) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  if (lead < 0x80) {
    *code = lead;
    *length = 1;
    return true;
  }
  std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (n == 0 || lead > 0xF4 || at + n > text.size()) return false;
  std::uint32_t c = lead & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return false;
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  static const std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  *code = c;
  *length = n;
  return true;
}

// Whether a code point would move the cursor, reorder or break a line instead of showing.
bool Hidden(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF ||
         (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

std::string Escape(std::uint32_t c) {
  char text[16];
  if (c == '\t') return "\\t";
  if (c == '\n') return "\\n";
  if (c == '\r') return "\\r";
  if (c < 0x80) {
    std::snprintf(text, sizeof text, "\\x%02x", static_cast<unsigned>(c));
  } else if (c <= 0xFFFF) {
    std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned>(c));
  } else {
    std::snprintf(text, sizeof text, "\\U%08x", static_cast<unsigned>(c));
  }
  return text;
}

}  // namespace

std::size_t CharacterCount(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string TerminalText(std::string_view text, std::size_t width) {
  if (width != 0 && width < kMinimumWidth) width = kMinimumWidth;
  // Most text is short printable ASCII, which comes through as it is.
  bool plain = width == 0 || text.size() <= width;
  for (std::size_t i = 0; plain && i < text.size(); ++i) plain = text[i] >= 0x20 && text[i] < 0x7F;
  if (plain) return std::string(text);
  // Each piece is one character or one escape, so that a cut never splits either.
  std::string out;
  std::vector<std::size_t> ends;     // where each piece ends in `out`
  std::vector<std::size_t> columns;  // characters up to the end of each piece
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t code = 0;
    std::size_t length = 0;
    if (!DecodeAt(text, at, &code, &length)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[at]));
      out += hex;
      count += 4;
      ++at;
    } else if (Hidden(code)) {
      std::string e = Escape(code);
      out += e;
      count += e.size();
      at += length;
    } else {
      out.append(text, at, length);
      ++count;
      at += length;
    }
    ends.push_back(out.size());
    columns.push_back(count);
    // Enough read to know that the text is cut: the rest does not matter.
    if (width != 0 && count > width) break;
  }
  if (width == 0 || count <= width) return out;
  std::size_t keep = 0;  // bytes of the pieces that fit before the ellipsis
  for (std::size_t i = 0; i < ends.size() && columns[i] <= width - 3; ++i) keep = ends[i];
  out.resize(keep);
  return out + "...";
}

std::string DotLabelText(std::string_view text, std::size_t width) {
  std::string shown = TerminalText(text, width);
  std::string out;
  out.reserve(shown.size());
  for (char c : shown) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace disco
