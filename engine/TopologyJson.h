// The results' "topology" section (doc/results-schema.md): the switches, discovered and outside
// the scope, the links with both ends and their evidence, the hosts on their edge ports and the
// hosts whose port the forwarding tables could not decide.
#pragma once

#include <string>

#include "engine/TopologyView.h"

namespace disco {

// Appends the member `"topology": {...}` as it stands at nesting `depth` of the document (1 for
// a member of the top object), host by host, never the whole section as one JSON tree.
void AppendTopology(std::string* out, const TopologyView& view, int depth);

// Names of the spanning-tree states in the section ("forwarding", "blocking", ...; "" for none).
std::string StpStateText(int state);

}  // namespace disco
