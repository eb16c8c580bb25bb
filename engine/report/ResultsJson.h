// The results file: the agent, the run, and per device its status, the error reports raised
// for it, and the neighbours the agent handed over, each record's fields in order with their
// types. The format is described in doc/results-schema.md.
//
// A device's results are rendered as soon as the device is through, and its processed data can
// then be freed: the rendered text waits in a spool (an unnamed temporary file) until the run
// ends and the whole document is written, so that a run's memory is bounded by the devices in
// flight, not by the number of devices or the size of their tables.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "engine/base/JsonText.h"
#include "engine/report/Spool.h"
#include "engine/report/Summary.h"
#include "engine/run/Discovery.h"

class CDiscoProcessedData;

namespace disco {

// Version of the results format, "format_version" in the file.
constexpr int kResultsFormatVersion = 1;

// The neighbours of `processed` as they stand in a device's results, at nesting `depth`:
// "local_neighbours": [{"fields": [...], "remote_neighbours": [{"fields": [...]}, ...]}, ...] in
// hand-over order; remote neighbours whose local neighbour was never handed over go to
// "unmatched_remote_neighbours" (present only when there are some), with the local fields
// ("local_fields"). Appends the members (", " separated, without braces); `summary`, when not
// null, is given every interface and remote neighbour in the same order.
// `drain`, when set, is called after each remote neighbour, so that the caller can move what
// `*out` holds elsewhere.
// With `collected`, the engine's VLANs join the agent's records: an interface's "port_vlans"
// follow its fields when the switch gave them, and a remote neighbour's "vlan" follows its
// fields when a VLAN-aware forwarding entry names the VLAN of its MAC address.
void AppendNeighbours(std::string* out, const CDiscoProcessedData& processed, int depth,
                      DeviceSummaryBuilder* summary, const std::function<void()>& drain = {},
                      const DeviceCollections* collected = nullptr);

class ResultsWriter {
 public:
  // `devices`: how many devices the run has; they are numbered in plan order.
  explicit ResultsWriter(std::size_t devices);

  // Opens the spool. Returns false with `*error` set when no temporary file can be made.
  bool Open(std::string* error);

  // Renders the results and the summary of device `order`, which is through all its steps; its
  // processed data is only read during the call. Thread-safe: engine threads call it.
  void AddDevice(std::size_t order, const DeviceRun& device);

  // The rendered texts of device `order` once it was added: its JSON object as the document
  // holds it and its encoded summary (WriteDeviceSummary's input). False when the device was
  // never added or the spool failed. Thread-safe.
  bool ExportDevice(std::size_t order, std::string* results, std::string* summary);
  // Takes device `order` as another writer's ExportDevice gave it, so that a run discovered by
  // several processes is written as one; `discovered` counts it among the run's discovered
  // devices. Thread-safe.
  void ImportDevice(std::size_t order, const std::string& results, const std::string& summary,
                    bool discovered);

  // Writes the whole results document to `out`, devices in plan order (a device never added is
  // rendered from its run now). With no device in `report` (a run whose devices were all
  // imported), the devices are the ones imported, and `report` gives the rest. Returns false with
  // `*error` when the spool or `out` failed.
  bool WriteDocument(const DiscoveryReport& report, std::ostream& out, std::string* error);
  // The same to the file descriptor `fd` (a regular file: the spooled parts are then copied
  // inside the kernel). `*error` carries the system's reason.
  bool WriteDocumentToFd(const DiscoveryReport& report, int fd, std::string* error);

  // Writes a member of the top object (rendered at depth 1) in pieces through `write`; false
  // as soon as `write` fails.
  using MemberWriter = std::function<bool(const std::function<bool(const std::string&)>& write)>;

  // The document's "topology" member, written after the devices as `member` renders it (the
  // section is never held whole), and the summary's links. Call before WriteDocument and
  // WriteSummary; what `member` reads must outlive them.
  void SetTopology(MemberWriter member, std::string summary) {
    m_TopologyMember = std::move(member);
    m_TopologySummary = std::move(summary);
  }

  // Writes the terminal summary of the run. `resultsPath` is where the results went ("-" for
  // standard output).
  void WriteSummary(const DiscoveryReport& report, const std::string& resultsPath,
                    std::ostream& out);

 private:
  // Where the document goes: text, and spooled parts.
  struct Sink {
    std::function<bool(const std::string&)> write;
    std::function<bool(const Spool::Extent&)> copy;
  };
  bool WriteDocumentTo(const DiscoveryReport& report, const Sink& sink, std::string* error);

  struct DeviceParts {
    bool added = false;
    bool discovered = false;
    std::vector<Spool::Extent> results;  // the device's JSON object, in pieces
    Spool::Extent summary;
  };

  std::mutex m_Mutex;  // guards m_Parts
  std::vector<DeviceParts> m_Parts;
  Spool m_Spool;
  KnownDevices m_Known;
  MemberWriter m_TopologyMember;
  std::string m_TopologySummary;
};

// Writes `writer`'s whole document for `report` to the file `path`, whole or not at all
// (WriteFileWhole: never through a file or link planted at a temporary name; a device or a pipe
// is written directly), or to `out` when `path` is "-". False with `*error` set ("cannot write
// results to PATH: REASON").
bool WriteResults(const DiscoveryReport& report, ResultsWriter& writer, const std::string& path,
                  std::ostream& out, std::string* error);

}  // namespace disco
