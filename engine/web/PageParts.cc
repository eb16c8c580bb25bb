#include "engine/web/PageParts.h"

#include "engine/store/Addresses.h"
#include "engine/web/WebText.h"

namespace disco {
namespace web {

std::string Page(const std::string& title, const std::string& body, const std::string& query) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         "<title>" +
         HtmlText(title) +
         " - extreme-disco</title><link rel=\"stylesheet\" href=\"/assets/style.css\">"
         "<script src=\"/assets/map.js\" defer></script></head><body><header>"
         "<nav><a href=\"/\">Map</a> <a href=\"/runs\">Runs</a> <a href=\"/changes\">Changes</a>"
         "</nav><form action=\"/search\" method=\"get\" role=\"search\">"
         "<input type=\"search\" name=\"q\" id=\"q\" value=\"" +
         HtmlText(query) +
         "\" placeholder=\"MAC, IP, name or switch:port\" aria-label=\"Search\">"
         "<button type=\"submit\">Search</button></form></header><main><h1>" +
         HtmlText(title) + "</h1>" + body + "</main></body></html>\n";
}

std::string SwitchLink(const std::string& name) {
  if (name.empty()) return "";
  return "<a class=\"sw\" href=\"/switch/" + HtmlText(UrlComponent(name)) + "\">" + HtmlText(name) +
         "</a>";
}

std::string SearchLink(const std::string& value) {
  if (value.empty()) return "";
  return "<a class=\"q\" href=\"/search?q=" + HtmlText(UrlComponent(value)) + "\">" +
         HtmlText(value) + "</a>";
}

std::string TimeText(std::int64_t seconds) { return seconds != 0 ? store::FormatUtc(seconds) : ""; }

std::string Cell(const std::string& html) { return "<td>" + html + "</td>"; }

std::string HeaderRow(const std::string& columns) {
  std::string row = "<tr>";
  std::size_t start = 0;
  for (;;) {
    std::size_t bar = columns.find('|', start);
    row += "<th>" + HtmlText(columns.substr(start, bar - start)) + "</th>";
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return row + "</tr>";
}

}  // namespace web
}  // namespace disco
