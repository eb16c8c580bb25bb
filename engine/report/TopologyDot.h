// The topology as a Graphviz picture: switches as boxes (outside the scope dashed), links
// labelled with both ends' card:port (blocked links dashed), and the hosts of each edge port
// grouped in one note beside its switch. SVG is rendered by Graphviz (Graphviz.h).
#pragma once

#include <string>

#include "engine/map/TopologyView.h"

namespace disco {

// The DOT text of the topology. A port's note lists at most `hostsPerNote` hosts and says how
// many more there are. With more than `maxNotes` edge ports that have hosts, each switch gets
// one note counting its hosts and edge ports instead, so that big networks stay drawable.
std::string TopologyDot(const TopologyView& view, std::size_t hostsPerNote = 8,
                        std::size_t maxNotes = 1000);

// Writes `text` to `path` whole (WriteFileWhole). False with `*error` set.
bool WriteTextFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace disco
