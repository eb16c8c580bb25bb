// The sample network discovered in this process from its recordings: every device's results,
// topology extract and inventory part exported and imported into fresh collectors give the same
// results document, topology and inventory as the devices themselves.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/cli/ScopeFile.h"
#include "engine/inventory/InventoryCollector.h"
#include "engine/map/TopologyCollector.h"
#include "engine/map/TopologyView.h"
#include "engine/report/ResultsJson.h"
#include "engine/report/TopologyJson.h"
#include "engine/run/AgentPlugin.h"
#include "engine/run/Discovery.h"
#include "host/TolSleep.h"

namespace {

using namespace disco;

std::string TopologyText(const TopologyView& view) {
  std::string text;
  WriteTopology(view, 1, [&text](const std::string& piece) {
    text += piece;
    return true;
  });
  return text;
}

std::string Document(ResultsWriter& writer, const DiscoveryReport& report) {
  std::ostringstream out;
  std::string error;
  EXPECT_TRUE(writer.WriteDocument(report, out, &error)) << error;
  return out.str();
}

TEST(ExtractRoundTripTest, SampleNetworkComesBackUnchanged) {
  TolSetSleepScale(0.001);
  EngineOptions options;
  options.scopeFile = std::string(DISCO_SOURCE_DIR) + "/examples/sample-network.yaml";
  options.replayDir = std::string(DISCO_SOURCE_DIR) + "/examples/sample-network";
  ScopeDocument scope;
  DiscoveryPlan plan;
  std::string error;
  ASSERT_TRUE(LoadScopeFile(options.scopeFile, &scope, &error)) << error;
  ASSERT_TRUE(BuildDiscoveryPlan(options, &scope, &plan, &error)) << error;
  std::unique_ptr<AgentPlugin> plugin = AgentPlugin::Load(DISCO_PLUGIN_PATH, &error);
  ASSERT_NE(plugin, nullptr) << error;
  const std::size_t n = plan.devices.size();
  ResultsWriter direct(n), imported(n);
  ASSERT_TRUE(direct.Open(&error) && imported.Open(&error)) << error;
  TopologyCollector topology(n), topologyBack(n);
  InventoryCollector inventory(n), inventoryBack(n);
  std::vector<std::string> inventoryJson(n);

  Progress progress(nullptr);
  DiscoverySettings settings;
  settings.threads = 2;
  Discovery discovery(*plugin, plan, settings, progress);
  discovery.OnDeviceDone([&](size_t i, const DeviceRun& d) {
    direct.AddDevice(i, d);
    topology.AddDevice(i, d);
    inventory.AddDevice(i, d);
    std::string results, summary;
    ASSERT_TRUE(direct.ExportDevice(i, &results, &summary));
    imported.ImportDevice(i, results, summary, d.Status() == DeviceStatus::kDiscovered);
    // Through text, as the queue keeps them.
    ASSERT_TRUE(topologyBack.ImportDevice(i, Json::parse(topology.ExportDevice(i).dump())));
    inventoryJson[i] = inventory.ExportDevice(i).dump();
    ASSERT_TRUE(inventoryBack.ImportDevice(i, Json::parse(inventoryJson[i])));
  });
  ASSERT_EQ(discovery.Run(&error), RunOutcome::kDone) << error;
  const DiscoveryReport& report = discovery.Report();

  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_EQ(inventoryBack.ExportDevice(i).dump(), inventoryJson[i]) << plan.devices[i].name;
  }
  TopologyView view = TopologyView::Build(topology);
  TopologyView viewBack = TopologyView::Build(topologyBack);
  std::string topologyText = TopologyText(view);
  EXPECT_EQ(TopologyText(viewBack), topologyText);
  EXPECT_GE(view.topology.links.size(), 5u);  // the sample network's links were all inferred

  store::RunSnapshot kept = inventory.TakeSnapshot(view, {});
  store::RunSnapshot keptBack = inventoryBack.TakeSnapshot(viewBack, {});
  EXPECT_EQ(keptBack.interfaces.size(), kept.interfaces.size());
  EXPECT_EQ(keptBack.links.size(), kept.links.size());
  EXPECT_EQ(keptBack.hosts.size(), kept.hosts.size());

  // The imported writer has no device of its own: the report gives only the run's head.
  DiscoveryReport head;
  head.agentName = report.agentName;
  head.agentDescription = report.agentDescription;
  head.agentVersion = report.agentVersion;
  head.pluginPath = report.pluginPath;
  head.startedAt = report.startedAt;
  head.seconds = report.seconds;
  head.pingEnabled = report.pingEnabled;
  head.pingAddresses = report.pingAddresses;
  head.sweeps = report.sweeps;
  head.queries = report.queries;
  head.arp = report.arp;
  head.engineErrors = report.engineErrors;
  auto member = [&](const TextWriter& write) { return WriteTopology(view, 1, write); };
  direct.SetTopology(member, "");
  imported.SetTopology(member, "");
  std::string document = Document(direct, report);
  EXPECT_NE(document.find("\"discovered\": 5"), std::string::npos);
  EXPECT_EQ(Document(imported, head), document);
  discovery.Finish();
}

}  // namespace
