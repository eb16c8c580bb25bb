// The map, search, runs, changes, message and login pages (the switch page: SwitchPage.cc).
#include "engine/web/Pages.h"

#include "engine/web/PageParts.h"
#include "engine/web/WebText.h"

namespace disco {
namespace web {

namespace {

std::string PlacementRows(const std::vector<store::Placement>& places) {
  std::string rows;
  for (const store::Placement& p : places) {
    rows += "<tr>" + Cell(SearchLink(p.mac)) + Cell(SearchLink(p.ip)) +
            Cell(p.vlan ? std::to_string(p.vlan) : "") + Cell(SwitchLink(p.device)) +
            Cell(p.port.empty()
                     ? ""
                     : "<a href=\"/switch/" + HtmlText(UrlComponent(p.device)) + "#port-" +
                           HtmlText(UrlComponent(p.port)) + "\">" + HtmlText(p.port) + "</a>") +
            Cell(HtmlText(p.name)) + Cell(HtmlText(p.vendor)) + Cell(HtmlText(p.evidence)) +
            Cell(HtmlText(TimeText(p.firstSeen))) + Cell(HtmlText(TimeText(p.lastSeen))) +
            Cell(p.current ? "now" : "before") + "</tr>";
  }
  return rows;
}

const char kPlacementHeader[] =
    "MAC|IP|VLAN|Switch|Port|Name|Vendor|Evidence|First seen|Last seen|When";

std::string PlacementTable(const std::vector<store::Placement>& places) {
  if (places.empty()) return "<p>None.</p>";
  return "<table class=\"places\"><thead>" + HeaderRow(kPlacementHeader) + "</thead><tbody>" +
         PlacementRows(places) + "</tbody></table>";
}

std::string LinkTable(const std::vector<store::LinkRow>& links) {
  if (links.empty()) return "<p>None.</p>";
  std::string t = "<table class=\"links\"><thead>" +
                  HeaderRow("Switch|Port|Switch|Port|Evidence|STP|First seen|Last seen") +
                  "</thead><tbody>";
  for (const store::LinkRow& l : links) {
    t += "<tr" + std::string(l.stp == "blocked" ? " class=\"blocked\"" : "") + ">" +
         Cell(SwitchLink(l.deviceA)) + Cell(HtmlText(l.portA)) + Cell(SwitchLink(l.deviceB)) +
         Cell(HtmlText(l.portB)) + Cell(HtmlText(l.evidence)) + Cell(HtmlText(l.stp)) +
         Cell(HtmlText(TimeText(l.firstSeen))) + Cell(HtmlText(TimeText(l.lastSeen))) + "</tr>";
  }
  return t + "</tbody></table>";
}

}  // namespace

std::string MapPage(const std::string& svg, std::size_t switches) {
  return Page("Map", "<p class=\"hint\">" + std::to_string(switches) +
                         " switches. Drag to pan, wheel to zoom, click a switch to open it. "
                         "<button type=\"button\" id=\"fit\">Whole map</button></p>"
                         "<div id=\"mapbox\">" +
                         svg + "</div>");
}

std::string SearchPage(const std::string& query, const store::FindResult* r) {
  if (r == nullptr) {
    return Page("Search",
                "<p>Give a MAC address (any notation), an IPv4 address, a switch's name or "
                "SWITCH:PORT.</p>");
  }
  std::string body = "<p>" + std::to_string(r->matches.size()) + " match" +
                     (r->matches.size() == 1 ? "" : "es") + " for <q>" + HtmlText(query) +
                     "</q> (" + HtmlText(r->kind) + ").</p>" + PlacementTable(r->matches);
  if (!r->links.empty()) body += "<h2>Links</h2>" + LinkTable(r->links);
  return Page("Search", body, query);
}

std::string RunsPage(const std::vector<store::RunRow>& runs) {
  if (runs.empty()) return Page("Runs", "<p>The store holds no run.</p>");
  std::string t = "<table class=\"runs\"><thead>" +
                  HeaderRow("Run|Started|Ended|Answered|Asked|Version|Scope|Changes") +
                  "</thead><tbody>";
  for (auto r = runs.rbegin(); r != runs.rend(); ++r) {
    auto before = std::next(r);
    std::string changes = before == runs.rend()
                              ? ""
                              : "<a href=\"/changes?from=" + std::to_string(before->id) +
                                    "&amp;to=" + std::to_string(r->id) + "\">since run " +
                                    std::to_string(before->id) + "</a>";
    t += "<tr>" + Cell(std::to_string(r->id)) + Cell(HtmlText(TimeText(r->started))) +
         Cell(HtmlText(TimeText(r->ended))) + Cell(std::to_string(r->devicesFound)) +
         Cell(std::to_string(r->devicesAsked)) + Cell(HtmlText(r->version)) +
         Cell(HtmlText(r->scope)) + Cell(changes) + "</tr>";
  }
  return Page("Runs", t + "</tbody></table>");
}

std::string ChangesPage(const store::ChangesResult& c) {
  std::string body =
      "<form action=\"/changes\" method=\"get\" class=\"pick\">From run "
      "<input name=\"from\" size=\"6\" value=\"" +
      std::to_string(c.fromRun) + "\"> to run <input name=\"to\" size=\"6\" value=\"" +
      std::to_string(c.toRun) + "\"> <button type=\"submit\">Compare</button></form>";
  body += "<h2>Hosts new</h2>" + PlacementTable(c.hostsNew);
  body += "<h2>Hosts gone</h2>" + PlacementTable(c.hostsGone);
  body += "<h2>Hosts moved</h2>";
  if (c.hostsMoved.empty()) body += "<p>None.</p>";
  if (!c.hostsMoved.empty()) {
    body += "<table class=\"moves\"><thead>" + HeaderRow("MAC|From switch|Port|To switch|Port") +
            "</thead><tbody>";
    for (const store::HostMove& m : c.hostsMoved) {
      body += "<tr>" + Cell(SearchLink(m.mac)) + Cell(SwitchLink(m.from.device)) +
              Cell(HtmlText(m.from.port)) + Cell(SwitchLink(m.to.device)) +
              Cell(HtmlText(m.to.port)) + "</tr>";
    }
    body += "</tbody></table>";
  }
  body += "<h2>Links added</h2>" + LinkTable(c.linksAdded);
  body += "<h2>Links removed</h2>" + LinkTable(c.linksRemoved);
  body += "<h2>Ports changed</h2>";
  if (c.portsChanged.empty()) body += "<p>None.</p>";
  if (!c.portsChanged.empty()) {
    body +=
        "<table class=\"ports\"><thead>" + HeaderRow("Switch|Port|Status|STP") + "</thead><tbody>";
    for (const store::PortChange& p : c.portsChanged) {
      auto change = [](const std::string& from, const std::string& to) {
        return from == to ? HtmlText(to) : HtmlText(from) + " &#8594; " + HtmlText(to);
      };
      body += "<tr>" + Cell(SwitchLink(p.device)) + Cell(HtmlText(p.port)) +
              Cell(change(p.statusFrom, p.statusTo)) + Cell(change(p.stpFrom, p.stpTo)) + "</tr>";
    }
    body += "</tbody></table>";
  }
  body += "<h2>Devices that stopped answering</h2>";
  if (c.devicesLost.empty()) body += "<p>None.</p>";
  if (!c.devicesLost.empty()) {
    body += "<ul>";
    for (const std::string& d : c.devicesLost) body += "<li>" + SwitchLink(d) + "</li>";
    body += "</ul>";
  }
  return Page(
      "Changes from run " + std::to_string(c.fromRun) + " to run " + std::to_string(c.toRun), body);
}

std::string MessagePage(const std::string& title, const std::string& text) {
  return Page(title, "<p>" + HtmlText(text) + "</p>");
}

std::string LoginPage(bool refused) {
  return Page("Access token",
              std::string(refused ? "<p class=\"error\">That token is not the right one.</p>"
                                  : "<p>This view needs the access token it was started "
                                    "with.</p>") +
                  "<form action=\"/login\" method=\"get\"><input type=\"password\" "
                  "name=\"token\" id=\"token\" autocomplete=\"current-password\" "
                  "aria-label=\"Token\"> <button type=\"submit\">Open</button></form>");
}

}  // namespace web
}  // namespace disco
