// The map of a run as SVG for the web view: every switch a box that links to its page, every
// link a line with the card:port of both ends (dashed when spanning tree blocks it), switches
// outside the scope drawn apart. The layout is computed here, in time linear in the switches
// and links, so that a map of thousands of switches is drawn at once: each connected part of
// the network is laid out in layers from its best-linked switch (breadth first), a layer
// ordered by where its switches' parents stand and wrapped into rows of at most
// kMapRowWidth boxes; the parts stand one under the other, the biggest first.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/store/StoreResults.h"

namespace disco {
namespace web {

constexpr std::size_t kMapRowWidth = 24;

struct MapPosition {
  double x = 0, y = 0;  // the centre of the switch's box
};

// Positions of `devices` (same order) for `links`; switches the links do not name stand alone.
std::vector<MapPosition> LayOutMap(const std::vector<store::DeviceRow>& devices,
                                   const std::vector<store::LinkRow>& links);

// The whole <svg> element of the map (device text escaped, ids and links made from names).
std::string DrawMap(const std::vector<store::DeviceRow>& devices,
                    const std::vector<store::LinkRow>& links);

}  // namespace web
}  // namespace disco
