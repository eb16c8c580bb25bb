// The results' "topology" section (doc/results-schema.md): the switches, discovered and outside
// the scope, the links with both ends and their evidence, the hosts on their edge ports and the
// hosts whose port the forwarding tables could not decide.
#pragma once

#include <functional>
#include <string>

#include "engine/map/TopologyView.h"

namespace disco {

// Takes the next piece of a document's text; false when it could not be written.
using TextWriter = std::function<bool(const std::string&)>;

// Writes the member `"topology": {...}` as it stands at nesting `depth` of the document (1 for
// a member of the top object) through `write`, host by host in pieces of about 64 KiB: never the
// whole section as one JSON tree or one text. Returns false as soon as `write` fails.
bool WriteTopology(const TopologyView& view, int depth, const TextWriter& write);

// Names of the spanning-tree states in the section ("forwarding", "blocking", ...; "" for none).
std::string StpStateText(int state);

}  // namespace disco
