// The terminal summary of a run, made from its results document: per device its interfaces
// (card:port, description, status, spanning-tree state, VLANs) and what was found behind each
// (MAC addresses with their IP addresses, EDP peers with their card and port).
#pragma once

#include <ostream>
#include <string>

#include "engine/ResultsJson.h"

namespace disco {

// Writes the summary of `results` (as RenderResults makes it). `resultsPath` is where the
// results went ("-" for standard output).
void WriteSummary(const Json& results, const std::string& resultsPath, std::ostream& out);

// Names of the integer values of the interface status and of the spanning-tree port state.
std::string IfOperStatusName(long long status);
std::string StpPortStateName(long long state);

}  // namespace disco
