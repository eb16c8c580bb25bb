// The results file: the agent, the run, and per device its status, the error reports raised
// for it, and the neighbours the agent handed over, each record's fields in order with their
// types. The format is described in doc/results-schema.md.
#pragma once

#include <nlohmann/json.hpp>

#include "engine/Discovery.h"

class CTolAtom;
class CTolVBList;
class CDiscoProcessedData;

namespace disco {

// Keys keep the order in which they are written.
using Json = nlohmann::ordered_json;

// {"type": "integer"|"string"|"bytes"|"object"|"vector"|"null", "value": ...}: integers as
// numbers, strings as text, bytes as upper-case hex, objects as field lists, vectors as lists
// of typed values.
Json RenderAtom(const CTolAtom* atom);
// [{"name": ..., "type": ..., "value": ...}, ...] in list order.
Json RenderFields(const CTolVBList& fields);
// {"local_neighbours": [{"fields": [...], "remote_neighbours": [{"fields": [...]}, ...]}, ...]}
// in hand-over order; remote neighbours whose local neighbour was never handed over go to
// "unmatched_remote_neighbours" (present only when there are some), with the local fields.
Json RenderNeighbours(const CDiscoProcessedData& processed);

Json RenderError(const TolErrorRecord& error);
Json RenderDevice(const DeviceRun& device);
Json RenderResults(const DiscoveryReport& report);

// Version of the results format, "format_version" in the file.
constexpr int kResultsFormatVersion = 1;

}  // namespace disco
