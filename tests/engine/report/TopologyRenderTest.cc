// The topology as the results, the DOT picture and the summary show it, on a small network with a
// hub, a switch outside the scope heard by EDP from one side, and a link known only from the
// forwarding tables.
#include <gtest/gtest.h>

#include <set>

#include "engine/base/JsonText.h"
#include "engine/map/TopologyView.h"
#include "engine/report/TopologyDot.h"
#include "engine/report/TopologyJson.h"
#include "engine/report/TopologySummary.h"
#include "engine/topology/SyntheticNetwork.h"

namespace {

using namespace disco;
using namespace disco::topology;

Mac M(const char* text) {
  Mac m = 0;
  EXPECT_TRUE(ParseMac(text, &m)) << text;
  return m;
}

Port P(int number, int stp, std::vector<Mac> fdb) {
  Port p;
  p.card = 1;
  p.number = number;
  p.name = "1:" + std::to_string(number);
  p.stpState = stp;
  p.fdb = std::move(fdb);
  return p;
}

//  a 1:1 (hub: h1, h2)   a 1:2 -- far-1 (outside, EDP from a only; h3 behind it)
//  a 1:3 -- 1:4 b (no EDP)   b 1:1 (h4)
TopologyView SmallNetwork() {
  Mac a = M("00:04:96:00:00:0A"), b = M("00:04:96:00:00:0B"), far = M("00:04:96:00:00:FF");
  Mac h1 = M("02:00:00:00:00:01"), h2 = M("02:00:00:00:00:02"), h3 = M("02:00:00:00:00:03"),
      h4 = M("02:00:00:00:00:04");
  Network n;
  n.switches.resize(2);
  n.switches[0].name = "a";
  n.switches[0].macs = {a};
  n.switches[0].ports = {P(1, kStpForwarding, {h1, h2}), P(2, kStpForwarding, {h3}),
                         P(3, kStpForwarding, {b, h4})};
  n.switches[1].name = "b";
  n.switches[1].macs = {b};
  n.switches[1].ports = {P(1, kStpForwarding, {h4}), P(4, kStpForwarding, {a, h1, h2, h3})};
  NeighbourClaim c;
  c.protocol = "edp";
  c.sw = 0;
  c.port = 1;
  c.remoteMac = far;
  c.remoteName = "far-1";
  c.remoteCard = 1;
  c.remotePort = 5;
  n.claims.push_back(c);
  return TopologyView::Build(
      std::move(n), {}, [h1](Mac m) { return m == h1 ? std::string("10.0.0.1") : std::string(); });
}

TEST(TopologyRenderTest, ResultsPictureAndSummaryShowLinksHubsAndOutsideSwitches) {
  TopologyView v = SmallNetwork();
  std::string text = "{\n";
  ASSERT_TRUE(WriteTopology(v, 1, [&text](const std::string& piece) {
    text += piece;
    return true;
  }));
  text += "\n}\n";
  Json t = Json::parse(text)["topology"];
  EXPECT_EQ(Json::parse(text).dump(2) + "\n", text) << "not as dump(2) prints it";

  ASSERT_EQ(t["links"].size(), 2u) << t["links"].dump();
  const Json& edp = t["links"][0];
  EXPECT_EQ(edp["evidence"], "edp-one-side");
  EXPECT_EQ(edp["b"], (Json{{"switch", "far-1"}, {"port", "1:5"}}));
  const Json& fdb = t["links"][1];
  EXPECT_EQ(fdb["evidence"], "fdb");
  EXPECT_EQ(fdb["blocked"], false);
  std::set<std::string> ends = {
      fdb["a"]["switch"].get<std::string>() + " " + fdb["a"]["port"].get<std::string>(),
      fdb["b"]["switch"].get<std::string>() + " " + fdb["b"]["port"].get<std::string>()};
  EXPECT_EQ(ends, (std::set<std::string>{"a 1:3", "b 1:4"}));
  EXPECT_EQ(t["switches"][2]["in_scope"], false);
  EXPECT_EQ(t["switches"][2]["heard_by"], "edp");

  ASSERT_EQ(t["hosts"].size(), 4u) << t["hosts"].dump();
  EXPECT_EQ(t["hosts"][0], (Json{{"mac", "02:00:00:00:00:01"},
                                 {"ip", "10.0.0.1"},
                                 {"switch", "a"},
                                 {"port", "1:1"},
                                 {"shared", true}}));
  EXPECT_EQ(t["hosts"][1]["shared"], true);
  EXPECT_EQ(t["hosts"][2]["behind"], "far-1");
  EXPECT_EQ(t["hosts"][2]["port"], "1:2");
  EXPECT_EQ(t["hosts"][3]["switch"], "b");
  EXPECT_EQ(t["counts"]["shared_ports"], 1);

  std::string dot = TopologyDot(v), summary = TopologySummaryText(v);
  for (const char* part : {"1:1 (shared)", "behind far-1", "style=dashed, label=\"far-1"}) {
    EXPECT_NE(dot.find(part), std::string::npos) << part << "\n" << dot;
  }
  EXPECT_NE(TopologyDot(v, 8, 1).find("3 hosts on 2 edge ports"), std::string::npos);
  for (const char* part :
       {"Links (2)", "a 1:2  -  far-1 1:5  edp-one-side", "4 on 3 edge ports (1 shared)"}) {
    EXPECT_NE(summary.find(part), std::string::npos) << part << "\n" << summary;
  }
}

// A big section reaches the writer in pieces that join to the whole; a failed write ends it.
TEST(TopologyRenderTest, BigSectionIsWrittenInPiecesAndStopsAtAFailedWrite) {
  Network n;
  n.switches.resize(1);
  n.switches[0].name = "a";
  n.switches[0].macs = {M("00:04:96:00:00:0A")};
  std::vector<Mac> hosts;
  for (Mac h = 1; h <= 3000; ++h) hosts.push_back(M("02:00:00:00:00:00") + h);
  n.switches[0].ports = {P(1, kStpForwarding, hosts)};
  TopologyView v = TopologyView::Build(std::move(n), {}, [](Mac) { return std::string(); });
  std::vector<std::string> pieces;
  ASSERT_TRUE(WriteTopology(v, 0, [&pieces](const std::string& piece) {
    pieces.push_back(piece);
    return true;
  }));
  ASSERT_GT(pieces.size(), 2u);
  std::string text;
  for (const std::string& piece : pieces) text += piece;
  Json hostList = Json::parse("{" + text + "}")["topology"]["hosts"];
  ASSERT_EQ(hostList.size(), 3000u);
  EXPECT_EQ(hostList[2999]["mac"], "02:00:00:00:0B:B8");

  int calls = 0;
  EXPECT_FALSE(WriteTopology(v, 0, [&calls](const std::string&) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2);
}

// The DOT text of a generated tree of `switches` (`hosts` on each) with `outside` switches
// outside the scope heard by LLDP, `perPort` of them on one new port, in turn over the switches.
std::string Picture(int switches, int hosts, int outside, int perPort) {
  SyntheticOptions o;
  o.switches = switches;
  o.hostsPerSwitch = hosts;
  o.hubs = o.redundantLinks = 0;
  o.outsideSwitch = false;
  Network n = Generate(o).network;
  for (int k = 0; k < outside; ++k) {
    auto sw = static_cast<std::uint32_t>((k / perPort) % switches);
    if (k % perPort == 0) n.switches[sw].ports.push_back(P(90 + k, kStpForwarding, {}));
    NeighbourClaim c;
    c.protocol = "lldp";
    c.sw = sw;
    c.port = static_cast<std::uint32_t>(n.switches[sw].ports.size() - 1);
    c.remoteMac = 0x02AA00000000ULL + static_cast<Mac>(k);
    c.remoteName = "far-" + std::to_string(k);
    n.claims.push_back(c);
  }
  return TopologyDot(TopologyView::Build(std::move(n), {}, [](Mac) { return std::string(); }));
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Outside switches that one port alone hears share a box; a large picture labels links at their
// ends only and counts hosts in the switches' boxes; a huge one counts outside switches there
// too, so that the boxes never outnumber the discovered switches by much.
TEST(TopologyRenderTest, BigPicturesStayDrawable) {
  std::string small = Picture(5, 0, 4, 2);
  EXPECT_EQ(Count(small, "[shape=box"), 7u) << small;
  EXPECT_NE(small.find("label=\"2 switches\\nfar-0\\nfar-1\\n(outside the scope)\""),
            std::string::npos)
      << small;
  EXPECT_NE(small.find("splines=true"), std::string::npos);
  EXPECT_EQ(small.find("A large network"), std::string::npos);

  std::string large = Picture(400, 2, 0, 1);
  EXPECT_EQ(Count(large, "[shape="), 400u);  // no host notes
  EXPECT_EQ(Count(large, " [label="), 0u);   // no labels mid-link
  EXPECT_NE(large.find("splines=line"), std::string::npos);
  EXPECT_NE(large.find("2 hosts on 2 edge ports"), std::string::npos);
  EXPECT_NE(large.find("label=\"A large network"), std::string::npos);

  std::string huge = Picture(200, 0, 2000, 1);
  EXPECT_EQ(Count(huge, "[shape=box"), 200u);
  EXPECT_EQ(Count(huge, "\\n10 switches outside the scope"), 200u);
  EXPECT_EQ(Count(huge, "-- \"outside"), 0u);  // links between discovered switches only
}

}  // namespace
