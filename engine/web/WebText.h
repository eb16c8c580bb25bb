// Text in the forms a web page and the JSON API can hold. Whatever a device said (names,
// descriptions, LLDP strings) reaches a page only through these functions: HtmlText for element
// text and quoted attribute values, UrlComponent for a value inside a link, JsonText for the API.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace disco {
namespace web {

// `text` made printable as the terminal shows it (TerminalText: control characters and bytes
// that are not UTF-8 written as escapes such as "\x1b"), then '&', '<', '>', '"' and '\'' as
// character references: safe as element text and inside a double- or single-quoted attribute
// value, in HTML and in SVG. A `width` above 0 cuts the text to that many characters, the last
// three "..." (TerminalText).
std::string HtmlText(std::string_view text, std::size_t width = 0);

// `text` percent-encoded except for the unreserved characters A-Z a-z 0-9 - . _ ~: safe as a
// path segment or a query value of a link.
std::string UrlComponent(std::string_view text);

// The document `value` as compact JSON text; text that is not valid UTF-8 has U+FFFD in place of
// the bad bytes, and '<', '>' and '&' are written as \u escapes so that no browser sniffs markup.
std::string JsonText(const nlohmann::ordered_json& value);

// Whether two texts are equal, in a time that depends on their lengths only.
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace web
}  // namespace disco
