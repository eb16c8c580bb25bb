// Device text made to forge output: line breaks, terminal escapes, control bytes, character
// references and a 10 kB name, through the terminal summary, the DOT picture and the SVG that
// dot makes of it. Each stays on its own line, inside its width, and the SVG is valid XML.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/map/TopologyView.h"
#include "engine/report/Graphviz.h"
#include "engine/report/Summary.h"
#include "engine/report/TopologyDot.h"
#include "engine/report/TopologyJson.h"
#include "engine/report/TopologySummary.h"
#include "host/CTolVBList.h"
#include "host/CTolVarBind.h"

namespace {

using namespace disco;

const char kForgedStart[] = "x\r\nLinks (99)\n  a 1:1  -  \x1b[31mred\x07\0&#1;\"\\N";
const std::string kForged =
    std::string(kForgedStart, sizeof kForgedStart - 1) + std::string(10240, 'w');

// Fails unless every line is shorter than `width` and no control byte but the line ends is left.
void ExpectTidyLines(const std::string& text, std::size_t width) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LT(line.size(), width) << line.substr(0, 80);
    for (unsigned char c : line) ASSERT_TRUE(c >= 0x20 && c != 0x7F) << line;
    EXPECT_NE(line.rfind("Links (99)", 0), 0u) << "a forged line: " << line;
  }
}

TEST(ForgedTextTest, SummaryKeepsDeviceTextOnItsLineAndWithinItsWidth) {
  DeviceEntry entry;
  entry.name = "sw";
  entry.address = "127.0.0.1";
  DeviceRun device(entry);
  device.passedFilter = true;
  DeviceSummaryBuilder builder(device);
  CTolVBList port;
  port.RVBLAddToListEnd(new CTolVarBind("m_LocalNbrCard", 1));
  port.RVBLAddToListEnd(new CTolVarBind("m_LocalNbrPort", 1));
  port.RVBLAddToListEnd(new CTolVarBind("m_IfDescr", kForged.c_str()));
  port.RVBLAddToListEnd(new CTolVarBind("m_LocalNbrVlanDescr", kForged.c_str()));
  builder.AddInterface(port);
  DeviceCollections found;
  found.lldp.resize(1);
  found.lldp[0].local.label = "1:1";
  found.lldp[0].systemName = found.lldp[0].portId = kForged;
  found.vlanFdb.resize(1);
  found.vlanFdb[0].local.label = "1:1";
  found.vlanFdb[0].mac = "00:1B:21:00:00:01";
  found.vlanFdb[0].vlanName = kForged;
  builder.AddCollections(found);
  std::ostringstream out;
  WriteDeviceSummary(builder.Finish(), KnownDevices(), out);
  std::string text = out.str();
  ExpectTidyLines(text, 400);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << text;
  EXPECT_NE(text.find("x\\r\\nLinks (99)\\n"), std::string::npos) << text;
}

TEST(ForgedTextTest, TopologyNamesStayInTheirPlaceInSummaryDotAndSvg) {
  using namespace topology;
  Network n;
  n.switches.resize(1);
  n.switches[0].name = "a";
  n.switches[0].macs = {0x10};
  for (int p = 1; p <= 2; ++p) {
    Port port;
    port.card = 1;
    port.number = p;
    port.name = "1:" + std::to_string(p);
    n.switches[0].ports.push_back(port);
  }
  n.switches[0].ports[0].fdb = {0x02000000000A};
  for (std::uint32_t p = 0; p < 2; ++p) {
    NeighbourClaim c;
    c.protocol = "edp";
    c.port = p;
    c.remoteMac = 0x20 + p;
    c.remoteName = p == 0 ? kForged : "a";  // the second calls itself like the switch
    c.remoteCard = 1;
    c.remotePort = 9;
    n.claims.push_back(c);
  }
  TopologyView v = TopologyView::Build(std::move(n), {}, nullptr);

  std::string summary = TopologySummaryText(v);
  ExpectTidyLines(summary, 200);
  EXPECT_NE(summary.find("Notes (1)\n  name conflict: 2 switches are named a"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("a [00:00:00:00:00:21]"), std::string::npos) << summary;
  std::string json = "{\n";
  ASSERT_TRUE(WriteTopology(v, 1, [&json](const std::string& piece) {
    json += piece;
    return true;
  }));
  Json notes = Json::parse(json + "\n}\n")["topology"]["notes"];
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0]["kind"], "name_conflict");
  EXPECT_NE(json.find("\\r\\nLinks (99)"), std::string::npos);  // the results keep it whole

  std::string dot = TopologyDot(v);
  ExpectTidyLines(dot, 400);
  EXPECT_EQ(dot.find("&#1;"), std::string::npos) << dot;
  if (!GraphvizAvailable()) GTEST_SKIP() << "Graphviz's dot is not installed";
  char dir[] = "/tmp/forged-text-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string svg = std::string(dir) + "/t.svg", error;
  ASSERT_EQ(RenderSvg(
                dot, svg, [] { return false; }, &error),
            RenderOutcome::kWritten)
      << error;
  std::string parse =
      "python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' " + svg +
      " 2>/dev/null";
  EXPECT_EQ(std::system(parse.c_str()), 0) << "not valid XML: " << svg;
  std::remove(svg.c_str());
  rmdir(dir);
}

}  // namespace
