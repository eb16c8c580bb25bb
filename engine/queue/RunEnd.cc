#include "engine/queue/RunEnd.h"

#include <ctime>
#include <memory>
#include <sstream>
#include <vector>

#include "engine/inventory/InventoryCollector.h"
#include "engine/map/TopologyCollector.h"
#include "engine/map/TopologyView.h"
#include "engine/queue/RunTemplate.h"
#include "engine/report/ResultsJson.h"
#include "engine/report/TopologyJson.h"
#include "engine/store/Store.h"

namespace disco {

namespace {

// The run's head as the devices' pollers saw it: the agent, and the ARP data's counts (every
// poller built the same table from the run's devices; the local entries are its own machine's).
void ReadFacts(const std::string& text, DiscoveryReport* report) {
  Json facts = Json::parse(text, nullptr, false);
  if (!facts.is_object() || !report->agentName.empty()) return;
  Json agent = facts.value("agent", Json::object());
  report->agentName = agent.value("name", "");
  report->agentDescription = agent.value("description", "");
  report->agentVersion = agent.value("version", "");
  report->pluginPath = agent.value("plugin", "");
  Json arp = facts.value("arp", Json::object());
  report->arp.total = arp.value("entries", 0);
  report->arp.fromDevices = arp.value("from_devices", 0);
  report->arp.local = arp.value("local", 0);
  report->arp.fromScope = arp.value("from_scope", 0);
}

// A run's devices as the pollers left them, put together as a run of one process holds them.
struct AssembledRun {
  RunSettings settings;
  DiscoveryReport report;
  std::size_t devices = 0;                // the run's, done or not
  std::unique_ptr<ResultsWriter> writer;  // with the devices' results when they were read
  std::unique_ptr<TopologyCollector> topology;
  std::unique_ptr<InventoryCollector> inventory;
};

bool Assemble(store::JobQueue& queue, std::int64_t run, bool withResults, AssembledRun* out,
              std::string* error) {
  std::string text;
  std::vector<store::QueuedDevice> devices;
  std::vector<std::string> failed;
  if (!queue.RunSettings(run, &text, error) || !RunSettingsFromJson(text, &out->settings, error) ||
      !queue.RunDevices(run, &devices, &failed, error)) {
    return false;
  }
  const std::size_t n = out->devices = devices.size();
  out->writer = std::make_unique<ResultsWriter>(n);
  if (!out->writer->Open(error)) return false;
  out->topology = std::make_unique<TopologyCollector>(n);
  out->inventory = std::make_unique<InventoryCollector>(n);
  DiscoveryReport& report = out->report;
  report.startedAt = out->settings.startedAt;
  report.pingEnabled = out->settings.pingEnabled;
  report.pingAddresses = out->settings.pingAddresses;
  std::vector<bool> written(n, false);
  // Each device's results go to the writer's spool as they are read; the extracts, far
  // smaller, stay for the topology and the inventory.
  auto take = [&](store::DeviceResult&& r, std::string* why) {
    std::size_t order = static_cast<std::size_t>(r.order);
    if (order >= n) return true;
    if (withResults) out->writer->ImportDevice(order, r.results, r.summary, r.discovered);
    if (!out->topology->ImportDevice(order, Json::parse(r.topology, nullptr, false)) ||
        !out->inventory->ImportDevice(order, Json::parse(r.inventory, nullptr, false))) {
      *why = "the extracts of device " + std::to_string(order) + " cannot be read";
      return false;
    }
    ReadFacts(r.facts, &report);
    written[order] = true;
    return true;
  };
  if (!queue.RunResults(run, withResults, take, error)) return false;
  // A device whose job failed (its pollers kept dying on it) stands as interrupted.
  for (std::size_t order = 0; order < n; ++order) {
    if (written[order]) continue;
    DeviceEntry entry;
    if (!DeviceEntryFromJson(devices[order].device, {}, &entry, error)) return false;
    DeviceRun device(entry);
    device.ended = DeviceEnd::kInterrupted;
    out->writer->AddDevice(order, device);
    out->inventory->AddDevice(order, device);
  }
  return true;
}

}  // namespace

bool EndRun(store::JobQueue& queue, const std::string& target, std::int64_t run,
            const std::string& version, std::string* error) {
  // The results document is not rendered here: `export` renders it when asked, from the same
  // device results. Kept whole in the store it would cost seconds per run of big switches.
  AssembledRun assembled;
  if (!Assemble(queue, run, false, &assembled, error)) return false;
  TopologyView view = TopologyView::Build(*assembled.topology);
  std::int64_t ended = static_cast<std::int64_t>(std::time(nullptr));

  // The inventory keeps it as a run of one process would have.
  store::RunFacts facts;
  facts.scope = assembled.settings.scope;
  facts.version = version;
  facts.started = assembled.settings.started;
  facts.ended = ended;
  facts.devicesAsked = static_cast<int>(assembled.devices);
  store::RunSnapshot snapshot = assembled.inventory->TakeSnapshot(view, facts);
  for (const store::DeviceFact& d : snapshot.devices) facts.devicesFound += d.answered;
  snapshot.run.devicesFound = facts.devicesFound;
  std::unique_ptr<store::Store> inventory = store::OpenStore(target, store::StoreOptions(), error);
  if (!inventory) return false;
  std::vector<std::string> skipped;
  std::int64_t kept = inventory->WriteRun(snapshot, &skipped, error);
  if (kept == 0) return false;
  switch (queue.CompleteRun(run, ended, kept, error)) {
    case store::JobQueue::Finished::kDone:
      return true;
    case store::JobQueue::Finished::kLost:
      *error = "the claim on the run's end lapsed; another poller ends it";
      return false;
    case store::JobQueue::Finished::kError:
      return false;
  }
  return false;
}

bool ExportRun(store::JobQueue& queue, std::int64_t run, const std::string& path, std::ostream& out,
               std::string* error) {
  std::int64_t ended = 0;
  AssembledRun assembled;
  if (!queue.RunEnded(run, &ended, error) || !Assemble(queue, run, true, &assembled, error)) {
    return false;
  }
  TopologyView view = TopologyView::Build(*assembled.topology);
  assembled.writer->SetTopology(
      [&view](const TextWriter& write) { return WriteTopology(view, 1, write); }, "");
  assembled.report.seconds = static_cast<double>(ended - assembled.settings.started);
  return WriteResults(assembled.report, *assembled.writer, path, out, error);
}

}  // namespace disco
