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
  Json arp = facts.value("arp", Json::object());
  report->arp.total = arp.value("entries", 0);
  report->arp.fromDevices = arp.value("from_devices", 0);
  report->arp.local = arp.value("local", 0);
  report->arp.fromScope = arp.value("from_scope", 0);
}

}  // namespace

bool EndRun(store::JobQueue& queue, const std::string& target, std::int64_t run,
            const std::string& pluginPath, const std::string& version, std::string* error) {
  std::string text;
  RunSettings settings;
  std::vector<store::DeviceResult> results;
  std::vector<store::QueuedDevice> devices;
  std::vector<std::string> failed;
  if (!queue.RunSettings(run, &text, error) || !RunSettingsFromJson(text, &settings, error) ||
      !queue.RunResults(run, &results, &devices, &failed, error)) {
    return false;
  }
  const std::size_t n = devices.size();
  ResultsWriter writer(n);
  if (!writer.Open(error)) return false;
  TopologyCollector topologyInput(n);
  InventoryCollector inventoryInput(n);
  DiscoveryReport report;
  report.pluginPath = pluginPath;
  report.startedAt = settings.startedAt;
  report.pingEnabled = settings.pingEnabled;
  report.pingAddresses = settings.pingAddresses;
  std::vector<bool> written(n, false);
  for (const store::DeviceResult& r : results) {
    std::size_t order = static_cast<std::size_t>(r.order);
    if (order >= n) continue;
    writer.ImportDevice(order, r.results, r.summary, r.discovered);
    if (!topologyInput.ImportDevice(order, Json::parse(r.topology, nullptr, false)) ||
        !inventoryInput.ImportDevice(order, Json::parse(r.inventory, nullptr, false))) {
      *error = "the extracts of device " + std::to_string(order) + " cannot be read";
      return false;
    }
    ReadFacts(r.facts, &report);
    written[order] = true;
  }
  // A device whose job failed (its pollers kept dying on it) stands as interrupted.
  for (std::size_t order = 0; order < n; ++order) {
    if (written[order]) continue;
    DeviceEntry entry;
    if (!DeviceEntryFromJson(devices[order].device, {}, &entry, error)) return false;
    DeviceRun device(entry);
    device.ended = DeviceEnd::kInterrupted;
    writer.AddDevice(order, device);
    inventoryInput.AddDevice(order, device);
  }

  TopologyView view = TopologyView::Build(topologyInput);
  writer.SetTopology([&view](const TextWriter& write) { return WriteTopology(view, 1, write); },
                     "");
  std::int64_t ended = static_cast<std::int64_t>(std::time(nullptr));
  report.seconds = static_cast<double>(ended - settings.started);
  std::ostringstream document;
  if (!writer.WriteDocument(report, document, error)) return false;

  // The inventory keeps it as a run of one process would have.
  store::RunFacts facts;
  facts.scope = settings.scope;
  facts.version = version;
  facts.started = settings.started;
  facts.ended = ended;
  facts.devicesAsked = static_cast<int>(n);
  store::RunSnapshot snapshot = inventoryInput.TakeSnapshot(view, facts);
  for (const store::DeviceFact& d : snapshot.devices) facts.devicesFound += d.answered;
  snapshot.run.devicesFound = facts.devicesFound;
  std::unique_ptr<store::Store> inventory = store::OpenStore(target, store::StoreOptions(), error);
  if (!inventory) return false;
  std::vector<std::string> skipped;
  std::int64_t kept = inventory->WriteRun(snapshot, &skipped, error);
  if (kept == 0) return false;
  switch (queue.CompleteRun(run, document.str(), kept, error)) {
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

}  // namespace disco
