// The page of one switch: its identity, then one row per port with all that is behind it.
#include <map>
#include <set>

#include "engine/web/PageParts.h"
#include "engine/web/Pages.h"
#include "engine/web/WebText.h"

namespace disco {
namespace web {

namespace {

std::string Seen(std::int64_t first, std::int64_t last) {
  return "<span class=\"seen\">seen " + HtmlText(TimeText(first)) + " to " +
         HtmlText(TimeText(last)) + "</span>";
}

// What stands behind each port, as list items, by port name.
struct Behind {
  std::map<std::string, std::string> items;
  std::map<std::string, std::size_t> hosts;
};

Behind WhatIsBehind(const store::DeviceView& v) {
  Behind b;
  const std::string& me = v.device.name;
  for (const store::LinkRow& l : v.links) {
    // A link from the switch to itself shows at both its ports.
    for (int side = 0; side < 2; ++side) {
      const std::string& device = side == 0 ? l.deviceA : l.deviceB;
      const std::string& port = side == 0 ? l.portA : l.portB;
      const std::string& other = side == 0 ? l.deviceB : l.deviceA;
      const std::string& otherPort = side == 0 ? l.portB : l.portA;
      if (device != me) continue;
      b.items[port] += "<li class=\"link" + std::string(l.stp == "blocked" ? " blocked" : "") +
                       "\">link to " + SwitchLink(other) + " " + HtmlText(otherPort) + " (" +
                       HtmlText(l.evidence) + (l.stp == "blocked" ? ", blocked" : "") + ") " +
                       Seen(l.firstSeen, l.lastSeen) + "</li>";
    }
  }
  for (const store::NeighbourRow& n : v.neighbours) {
    b.items[n.port] += "<li class=\"neighbour\">LLDP neighbour " + SearchLink(n.sysName) +
                       " chassis " + SearchLink(n.chassisId) + " port " + HtmlText(n.remotePort) +
                       (n.address.empty() ? "" : " address " + SearchLink(n.address)) + " " +
                       Seen(n.firstSeen, n.lastSeen) + "</li>";
  }
  for (const store::Placement& h : v.hosts) {
    ++b.hosts[h.port];
    b.items[h.port] += "<li class=\"host\">host " + SearchLink(h.mac) +
                       (h.ip.empty() ? "" : " " + SearchLink(h.ip)) +
                       (h.vlan ? " VLAN " + std::to_string(h.vlan) : "") +
                       (h.vendor.empty() ? "" : " " + HtmlText(h.vendor)) + " " +
                       Seen(h.firstSeen, h.lastSeen) + "</li>";
  }
  return b;
}

}  // namespace

std::string SwitchPage(const store::DeviceView& v) {
  const store::DeviceRow& d = v.device;
  std::string body = "<dl class=\"device\">";
  auto fact = [&](const char* term, const std::string& html) {
    if (!html.empty()) body += std::string("<dt>") + term + "</dt><dd>" + html + "</dd>";
  };
  fact("State", !d.inScope   ? "outside the scope: only a link of the run names it"
                : d.answered ? "answered"
                             : "did not answer");
  fact("sysName", SearchLink(d.sysName));
  fact("Address", SearchLink(d.address));
  fact("Bridge MAC", SearchLink(d.bridgeMac));
  fact("sysObjectID", HtmlText(d.sysObjectId));
  body += "</dl><p>" + std::to_string(v.interfaces.size()) + " interfaces, " +
          std::to_string(v.links.size()) + " links, " + std::to_string(v.hosts.size()) +
          " hosts.</p>";
  Behind behind = WhatIsBehind(v);
  body += "<table class=\"ports\"><thead>" +
          HeaderRow("Port|ifIndex|Description|Status|STP|VLANs|Behind it") + "</thead><tbody>";
  std::set<std::string> shown;
  auto row = [&](const std::string& port, const std::string& cells) {
    shown.insert(port);
    auto items = behind.items.find(port);
    body += "<tr id=\"port-" + HtmlText(UrlComponent(port)) + "\">" + Cell(HtmlText(port)) + cells +
            Cell(items == behind.items.end() ? "" : "<ul>" + items->second + "</ul>") + "</tr>";
  };
  for (const store::InterfaceRow& i : v.interfaces) {
    row(i.port, Cell(std::to_string(i.ifIndex)) + Cell(HtmlText(i.description)) +
                    Cell("<span class=\"status-" + HtmlText(i.status) + "\">" + HtmlText(i.status) +
                         "</span>") +
                    Cell(HtmlText(i.stp)) + Cell(HtmlText(i.vlans)));
  }
  // Ports that only a link, a neighbour or a host names.
  for (const auto& item : behind.items) {
    if (!shown.count(item.first)) row(item.first, "<td></td><td></td><td></td><td></td><td></td>");
  }
  body += "</tbody></table>";
  return Page(d.name, body);
}

}  // namespace web
}  // namespace disco
