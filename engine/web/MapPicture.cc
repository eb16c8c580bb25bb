#include "engine/web/MapPicture.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>

#include "engine/web/WebText.h"

namespace disco {
namespace web {

namespace {

constexpr double kBoxWidth = 150, kBoxHeight = 36;
constexpr double kColumn = 190, kRow = 120, kPartGap = 80;

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// The switch index of each link end; links whose ends are not among the devices are left out.
std::vector<std::pair<std::size_t, std::size_t>> Ends(const std::vector<store::DeviceRow>& devices,
                                                      const std::vector<store::LinkRow>& links,
                                                      std::vector<std::size_t>* linkIndex) {
  std::map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < devices.size(); ++i) index.emplace(devices[i].name, i);
  std::vector<std::pair<std::size_t, std::size_t>> ends;
  for (std::size_t l = 0; l < links.size(); ++l) {
    auto a = index.find(links[l].deviceA), b = index.find(links[l].deviceB);
    if (a == index.end() || b == index.end()) continue;
    ends.emplace_back(a->second, b->second);
    if (linkIndex) linkIndex->push_back(l);
  }
  return ends;
}

}  // namespace

std::vector<MapPosition> LayOutMap(const std::vector<store::DeviceRow>& devices,
                                   const std::vector<store::LinkRow>& links) {
  const std::size_t n = devices.size();
  std::vector<std::vector<std::size_t>> next(n);
  for (const auto& e : Ends(devices, links, nullptr)) {
    if (e.first == e.second) continue;
    next[e.first].push_back(e.second);
    next[e.second].push_back(e.first);
  }
  // The connected parts, each a list of its switches.
  std::vector<int> part(n, -1);
  std::vector<std::vector<std::size_t>> parts;
  for (std::size_t s = 0; s < n; ++s) {
    if (part[s] >= 0) continue;
    parts.emplace_back();
    std::vector<std::size_t> todo{s};
    part[s] = static_cast<int>(parts.size() - 1);
    while (!todo.empty()) {
      std::size_t at = todo.back();
      todo.pop_back();
      parts.back().push_back(at);
      for (std::size_t o : next[at]) {
        if (part[o] < 0) {
          part[o] = part[s];
          todo.push_back(o);
        }
      }
    }
  }
  std::stable_sort(parts.begin(), parts.end(),
                   [](const auto& a, const auto& b) { return a.size() > b.size(); });
  std::vector<MapPosition> at(n);
  std::vector<double> order(n, 0);  // a switch's place in its layer, for its children's order
  std::vector<bool> seen(n, false);
  double top = 0;
  std::vector<std::size_t> loners;  // switches without links share the last rows
  for (const auto& members : parts) {
    if (members.size() == 1) {
      loners.push_back(members[0]);
      continue;
    }
    // The best-linked switch (the first by name among equals) roots the layers.
    std::size_t root = members[0];
    for (std::size_t m : members) {
      if (next[m].size() > next[root].size() ||
          (next[m].size() == next[root].size() && devices[m].name < devices[root].name)) {
        root = m;
      }
    }
    std::vector<std::size_t> layer{root};
    seen[root] = true;
    while (!layer.empty()) {
      std::size_t rows = (layer.size() + kMapRowWidth - 1) / kMapRowWidth;
      for (std::size_t i = 0; i < layer.size(); ++i) {
        std::size_t row = i / kMapRowWidth,
                    inRow = std::min(kMapRowWidth, layer.size() - row * kMapRowWidth);
        double column =
            static_cast<double>(i % kMapRowWidth) - (static_cast<double>(inRow) - 1) / 2;
        at[layer[i]] = {column * kColumn, top + static_cast<double>(row) * kRow};
        order[layer[i]] = static_cast<double>(i);
      }
      top += static_cast<double>(rows) * kRow;
      // The next layer: each switch after the parent that reached it first, in parent order.
      std::vector<std::pair<double, std::size_t>> children;
      for (std::size_t p : layer) {
        std::vector<std::size_t> mine;
        for (std::size_t c : next[p]) {
          if (!seen[c]) {
            seen[c] = true;
            mine.push_back(c);
          }
        }
        std::sort(mine.begin(), mine.end(),
                  [&](std::size_t a, std::size_t b) { return devices[a].name < devices[b].name; });
        for (std::size_t c : mine) children.emplace_back(order[p], c);
      }
      layer.clear();
      for (const auto& c : children) layer.push_back(c.second);
    }
    top += kPartGap;
  }
  for (std::size_t i = 0; i < loners.size(); ++i) {
    std::size_t inRow = std::min(kMapRowWidth, loners.size() - (i / kMapRowWidth) * kMapRowWidth);
    double column = static_cast<double>(i % kMapRowWidth) - (static_cast<double>(inRow) - 1) / 2;
    at[loners[i]] = {column * kColumn, top + static_cast<double>(i / kMapRowWidth) * kRow};
  }
  return at;
}

std::string DrawMap(const std::vector<store::DeviceRow>& devices,
                    const std::vector<store::LinkRow>& links) {
  std::vector<MapPosition> at = LayOutMap(devices, links);
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (const MapPosition& p : at) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  minX -= kBoxWidth;
  minY -= kBoxHeight * 2;
  const double width = maxX - minX + kBoxWidth, height = maxY - minY + kBoxHeight * 2;
  std::string svg = "<svg id=\"map\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" +
                    Number(minX) + " " + Number(minY) + " " + Number(width) + " " + Number(height) +
                    "\" data-switches=\"" + std::to_string(devices.size()) + "\"><g id=\"links\">";
  std::vector<std::size_t> linkIndex;
  auto ends = Ends(devices, links, &linkIndex);
  std::string labels;
  for (std::size_t k = 0; k < ends.size(); ++k) {
    const store::LinkRow& l = links[linkIndex[k]];
    const MapPosition &a = at[ends[k].first], &b = at[ends[k].second];
    svg += "<line class=\"link" + std::string(l.stp == "blocked" ? " blocked" : "") + "\" x1=\"" +
           Number(a.x) + "\" y1=\"" + Number(a.y) + "\" x2=\"" + Number(b.x) + "\" y2=\"" +
           Number(b.y) + "\"><title>" +
           HtmlText(l.deviceA + " " + l.portA + " - " + l.deviceB + " " + l.portB + " (" +
                    l.evidence + ")") +
           "</title></line>";
    // Each end's port a quarter of the way along the line, beside its own switch.
    auto label = [&](const MapPosition& from, const MapPosition& to, const std::string& port) {
      if (port.empty()) return;
      labels += "<text class=\"port\" x=\"" + Number(from.x + (to.x - from.x) * 0.3) + "\" y=\"" +
                Number(from.y + (to.y - from.y) * 0.3) + "\">" + HtmlText(port) + "</text>";
    };
    label(a, b, l.portA);
    label(b, a, l.portB);
  }
  svg += "</g><g id=\"ports\">" + labels + "</g><g id=\"switches\">";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const store::DeviceRow& d = devices[i];
    std::string cls = d.inScope ? (d.answered ? "switch" : "switch silent") : "switch outside";
    svg += "<a href=\"/switch/" + HtmlText(UrlComponent(d.name)) + "\" class=\"" + cls +
           "\" data-name=\"" + HtmlText(d.name) + "\"><rect x=\"" +
           Number(at[i].x - kBoxWidth / 2) + "\" y=\"" + Number(at[i].y - kBoxHeight / 2) +
           "\" width=\"" + Number(kBoxWidth) + "\" height=\"" + Number(kBoxHeight) +
           "\" rx=\"6\"/><text x=\"" + Number(at[i].x) + "\" y=\"" + Number(at[i].y + 5) + "\">" +
           HtmlText(d.name, 20) + "</text>" + "<title>" +
           HtmlText(d.name + (d.inScope ? "" : " (outside the scope)")) + "</title></a>";
  }
  return svg + "</g></svg>";
}

}  // namespace web
}  // namespace disco
