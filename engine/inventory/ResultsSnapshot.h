// A results file read back as the run the inventory store keeps, for views of a run that was
// not written to a store: its devices, the interfaces the agent handed over (labelled, with
// status, spanning-tree state and VLANs as the inventory words them), the LLDP neighbours, and
// the links and placed hosts of its topology section.
#pragma once

#include <string>

#include "engine/store/Inventory.h"

namespace disco {

// Reads the results document `text` (doc/results-schema.md), named `source` in messages and
// kept as the run's scope. False with `*error` set when it is not JSON or not a results
// document of a known format version; a record missing a value it should have is left out.
bool ReadResultsSnapshot(const std::string& text, const std::string& source,
                         store::RunSnapshot* run, std::string* error);

}  // namespace disco
