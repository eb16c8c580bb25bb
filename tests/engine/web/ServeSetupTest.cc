// What `serve` checks before it listens (the address, the token file), the results file read
// back as the store's run, and the map's layout of a big network.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "engine/inventory/ResultsSnapshot.h"
#include "engine/web/MapPicture.h"
#include "engine/web/ServeOptions.h"
#include "support/TempDir.h"

using namespace disco;
using namespace disco::web;

namespace {

TEST(ServeOptionsTest, ABeyondLoopbackListenerNeedsAPrivateTokenFile) {
  ServeOptions o;
  std::string error;
  ASSERT_TRUE(ParseServeOptions({}, &o, &error)) << error;
  EXPECT_EQ(o.host + ":" + std::to_string(o.port), kDefaultListen);
  ServeOptions six;
  ASSERT_TRUE(ParseServeOptions({"--listen", "[::1]:0"}, &six, &error)) << error;
  EXPECT_EQ(six.host, "::1");
  EXPECT_EQ(six.port, 0);

  struct Bad {
    std::vector<std::string> args;
    const char* says;
  };
  const Bad bad[] = {
      {{"--listen", "0.0.0.0:8080"}, "needs an access token"},
      {{"--listen=192.0.2.1:80"}, "needs an access token"},
      {{"--listen", "[::]:80"}, "needs an access token"},
      {{"--listen", "127.0.0.1"}, "ADDR:PORT"},
      {{"--listen", "127.0.0.1:65536"}, "ADDR:PORT"},
      {{"--listen", "::1:80"}, "ADDR:PORT"},
      {{"--db", "a.db", "--results", "r.json"}, "give one"},
      {{"--token"}, "needs a value"},
      {{"--port", "1"}, "unknown option"},
  };
  for (const Bad& b : bad) {
    ServeOptions refused;
    error.clear();
    EXPECT_FALSE(ParseServeOptions(b.args, &refused, &error)) << b.args[0];
    EXPECT_NE(error.find(b.says), std::string::npos) << error;
  }
  ASSERT_TRUE(ParseServeOptions({"--listen", "0.0.0.0:8080", "--token", "t"}, &o, &error));

  TempDir dir;
  std::string token;
  const std::string good = dir.Write("token", "Abcdefghij0123456789-_.~+/=\n");
  chmod(good.c_str(), 0600);
  ASSERT_TRUE(ReadTokenFile(good, &token, &error)) << error;
  EXPECT_EQ(token, "Abcdefghij0123456789-_.~+/=");
  chmod(good.c_str(), 0644);
  EXPECT_FALSE(ReadTokenFile(good, &token, &error));
  EXPECT_NE(error.find("chmod 600"), std::string::npos) << error;
  EXPECT_EQ(error.find("Abcdefghij"), std::string::npos) << "the token must not be shown";
  for (const char* weak : {"short", "has a blank in it 123", "two\nlines-0123456789", ""}) {
    const std::string path = dir.Write("weak", weak);
    chmod(path.c_str(), 0600);
    EXPECT_FALSE(ReadTokenFile(path, &token, &error)) << weak;
  }
  EXPECT_FALSE(ReadTokenFile(dir.Path() + "/none", &token, &error));
}

TEST(ResultsSnapshotTest, InterfacesNeighboursLinksAndHostsComeBackAsTheStoreKeepsThem) {
  const std::string results = R"({
    "format_version": 1,
    "run": {"started": "2026-12-06T20:00:00Z", "seconds": 61.6, "devices": 2, "discovered": 1},
    "devices": [
      {"name": "core-1", "address": "127.0.0.11", "status": "discovered",
       "local_neighbours": [
         {"fields": [{"name": "m_LocalNbrPort", "type": "integer", "value": 8},
                     {"name": "m_LocalNbrCard", "type": "integer", "value": 1},
                     {"name": "m_IfDescr", "type": "string", "value": "<uplink>"},
                     {"name": "m_StpPortState", "type": "integer", "value": 2},
                     {"name": "m_LocalNbrStatus", "type": "integer", "value": 1},
                     {"name": "m_IfIndex", "type": "integer", "value": 1008},
                     {"name": "m_LocalNbrVlanData", "type": "vector", "value": [
                       {"type": "object", "value": [
                         {"name": "m_LocalNbrVlan", "type": "integer", "value": 10},
                         {"name": "m_Encapsulated", "type": "integer", "value": 0},
                         {"name": "m_LocalNbrVlanDescr", "type": "string", "value": "users"}]}]}]},
         {"fields": [{"name": "m_IfIndex", "type": "integer", "value": 5},
                     {"name": "m_LocalNbrStatus", "type": "integer", "value": 2},
                     {"name": "m_IfDescr", "type": "null", "value": null}]}],
       "lldp_neighbours": [{"port": "1:8", "chassis_id": "02:00:00:00:31:00", "port_id": "8",
                            "system_name": "bridge-1", "management_address": "10.0.1.31"}],
       "vlan_fdb": [{"mac": "00:1B:21:00:10:01", "vlan_id": 10, "port": "1:8"}]},
      {"name": "edge-1", "address": "127.0.0.12", "status": "not answering"}],
    "topology": {
      "switches": [{"name": "core-1", "in_scope": true, "sys_name": "core", "bridge_mac": "00:04:96:10:00:00"},
                   {"name": "exos-2", "in_scope": false}],
      "links": [{"a": {"switch": "core-1", "port": "1:8"}, "b": {"switch": "exos-2", "port": "1:48"},
                 "evidence": "edp-one-side", "blocked": true}],
      "hosts": [{"mac": "00:1B:21:00:10:01", "ip": null, "switch": "core-1", "port": "1:8"}]}})";
  store::RunSnapshot run;
  std::string error;
  ASSERT_TRUE(ReadResultsSnapshot(results, "r.json", &run, &error)) << error;
  EXPECT_EQ(run.run.started, 1796587200);
  EXPECT_EQ(run.run.ended, 1796587262);
  ASSERT_EQ(run.devices.size(), 2u);
  EXPECT_EQ(run.devices[0].sysName, "core");
  EXPECT_EQ(run.devices[0].bridgeMac, "00:04:96:10:00:00");
  EXPECT_FALSE(run.devices[1].answered);
  ASSERT_EQ(run.interfaces.size(), 2u);
  const store::InterfaceFact& up = run.interfaces[0];
  EXPECT_EQ(std::make_tuple(up.port, up.ifIndex, up.description, up.status, up.stp, up.vlans),
            std::make_tuple(std::string("1:8"), 1008LL, std::string("<uplink>"), std::string("up"),
                            std::string("blocking"), std::string("users (10)")));
  EXPECT_EQ(run.interfaces[1].port, "if 5");
  EXPECT_EQ(run.interfaces[1].status, "down");
  ASSERT_EQ(run.neighbours.size(), 1u);
  EXPECT_EQ(run.neighbours[0].sysName, "bridge-1");
  ASSERT_EQ(run.links.size(), 1u);
  EXPECT_EQ(run.links[0].stp, "blocked");
  ASSERT_EQ(run.hosts.size(), 1u);
  EXPECT_EQ(run.hosts[0].mac, "00:1b:21:00:10:01");
  EXPECT_EQ(run.hosts[0].vlan, 10);

  for (const char* wrong : {"", "{", "[]", R"({"format_version": 2, "devices": []})"}) {
    EXPECT_FALSE(ReadResultsSnapshot(wrong, "r.json", &run, &error)) << wrong;
    EXPECT_EQ(error.rfind("r.json: ", 0), 0u) << error;
  }
}

TEST(MapPictureTest, AThousandSwitchesGetBoxesOfTheirOwnAndEveryLinkIsDrawn) {
  std::vector<store::DeviceRow> devices;
  std::vector<store::LinkRow> links;
  for (int i = 0; i < 1000; ++i) {
    store::DeviceRow d;
    d.name = "sw-" + std::to_string(i);
    devices.push_back(d);
    if (i > 0) {
      links.push_back({"sw-" + std::to_string((i - 1) / 7), "1:" + std::to_string(41 + (i - 1) % 7),
                       d.name, "1:48", "edp", i % 100 == 0 ? "blocked" : "forwarding"});
    }
  }
  devices.push_back({"alone", "", "", "", "", true, true});
  links.push_back({"sw-3", "1:1", "sw-3", "1:2", "fdb", "forwarding"});  // a loop on one switch
  std::vector<MapPosition> at = LayOutMap(devices, links);
  ASSERT_EQ(at.size(), devices.size());
  std::set<std::pair<long, long>> places;
  for (const MapPosition& p : at) places.insert({std::lround(p.x), std::lround(p.y)});
  EXPECT_EQ(places.size(), devices.size()) << "two switches share a place";
  // A layer's rows are no wider than kMapRowWidth boxes.
  std::map<long, int> perRow;
  for (const MapPosition& p : at) ++perRow[std::lround(p.y)];
  for (const auto& row : perRow) EXPECT_LE(row.second, static_cast<int>(kMapRowWidth));

  std::string svg = DrawMap(devices, links);
  auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(count("<a href=\"/switch/"), devices.size());
  EXPECT_EQ(count("<line class=\"link"), links.size());
  EXPECT_EQ(count("<line class=\"link blocked\""), 9u);
}

}  // namespace
