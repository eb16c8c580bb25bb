// Text a device gave (interface descriptions, system, VLAN and port names, EDP and LLDP
// identifiers) in the form each sink can hold. A switch says whatever its operator or firmware
// put there: line breaks that forge lines of the summary, escape sequences that drive the
// terminal, kilobytes of padding, bytes that are not UTF-8. It is escaped where it is written,
// one function per sink:
//   - a terminal line or one of the engine's own messages: TerminalText;
//   - a label of the DOT picture, and so of the SVG that dot makes from it: DotLabelText;
//   - the results file keeps the whole text (JsonText.h makes it valid UTF-8).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace disco {

// How many characters of device text a terminal line shows: an interface description, and a
// switch, VLAN or port name. A picture's label line shows more.
constexpr std::size_t kDescriptionWidth = 32;
constexpr std::size_t kNameWidth = 40;
constexpr std::size_t kLabelWidth = 64;

// The shortest width that still leaves room for a character before the ellipsis.
constexpr std::size_t kMinimumWidth = 4;

// `text` with every control character written as an escape: "\t", "\n", "\r", "\xHH" (lower-case
// hex) for the other C0 bytes and DEL, "\uHHHH" for C1 controls, the line and paragraph
// separators, the bidirectional marks and overrides, the byte-order mark and non-characters;
// a byte that is not part of valid UTF-8 becomes "\xHH" too. The result is valid UTF-8 of
// printable characters only. When it is longer than `width` characters (code points; an escape
// counts as its length) it is cut to `width` with "..." as its last three; a width of 0 does not
// cut, and a width below kMinimumWidth counts as kMinimumWidth.
std::string TerminalText(std::string_view text, std::size_t width);

// `text` as the inside of a DOT double-quoted label: TerminalText(text, width), then '"' and '\'
// escaped for DOT and '&' written as "&amp;", so that dot reads no escape sequence and no
// character reference ("&#1;" would put a character XML forbids into the SVG). The result has no
// line break: a label's lines are joined with DOT's "\n" by the caller.
std::string DotLabelText(std::string_view text, std::size_t width);

// How many characters (code points) the valid UTF-8 `text` has.
std::size_t CharacterCount(std::string_view text);

}  // namespace disco
