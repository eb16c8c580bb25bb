// The pieces every page of the web view is made of: the frame (title, the search box, the
// assets), links to a switch and to the search of a MAC or IP address, times. Text from a
// device goes in through HtmlText (WebText.h) only.
#pragma once

#include <cstdint>
#include <string>

namespace disco {
namespace web {

// A whole page: `title` (plain text, escaped here) and `body` (HTML made by these functions),
// under a header with the navigation and the search box (holding `query`).
std::string Page(const std::string& title, const std::string& body, const std::string& query = "");

// A link to the page of switch `name`; "" for an empty name.
std::string SwitchLink(const std::string& name);
// A link to the search for `value` (a MAC, an IP, a name), showing it; "" for an empty value.
std::string SearchLink(const std::string& value);
// "2026-12-06T20:15:00Z", or "" for 0.
std::string TimeText(std::int64_t seconds);
// A table cell holding `html`.
std::string Cell(const std::string& html);
// A table header row of the plain texts separated by '|': "MAC|IP|VLAN".
std::string HeaderRow(const std::string& columns);

}  // namespace web
}  // namespace disco
