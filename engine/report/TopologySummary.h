// The summary's part of the topology: the "Links" list, one line per link with both ends, its
// evidence and spanning-tree states, and a line counting the hosts placed and undecided.
#pragma once

#include <string>

#include "engine/map/TopologyView.h"

namespace disco {

std::string TopologySummaryText(const TopologyView& view);

}  // namespace disco
