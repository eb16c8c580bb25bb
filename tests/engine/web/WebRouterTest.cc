// The web view's answers, asked of the router directly over a real SQLite store: the pages and
// the API, what is refused (methods, paths, a missing or wrong token), and device text that
// tries to become markup.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/store/Store.h"
#include "engine/web/WebRouter.h"
#include "support/TempDir.h"

using namespace disco;
using namespace disco::web;

namespace {

// A sysName and an interface description that try to run a script, break out of an attribute,
// and carry bytes that are not UTF-8.
const std::string kHostileName = "<script>alert(1)</script>\"onmouseover='x'\xff\xfe";
const std::string kHostileDescr = "</td><img src=x onerror=alert(2)>&amp;\x1b[2J";

store::RunSnapshot HostileRun() {
  store::RunSnapshot r;
  r.run = {"web.yaml", "2.0.0", 1796587200, 1796587260, 2, 2};
  r.devices = {{"core-1", "127.0.0.11", "core-1", "1.3.6.1.4.1.1916.2", "00:04:96:10:00:00", true},
               {"edge<1>", "127.0.0.12", kHostileName, "1.3.6.1.4.1.1916.2", "", true}};
  r.interfaces = {{"core-1", "1:1", 1001, "Port 1:1", "up", "forwarding", "Default (1)"},
                  {"edge<1>", "1:8", 1008, kHostileDescr, "up", "blocking", "Default (1)"},
                  {"edge<1>", "1:3", 1003, "access", "up", "forwarding", "users (10)"}};
  r.links = {{"core-1", "1:1", "edge<1>", "1:8", "edp", "blocked"},
             {"core-1", "2:1", "far-away", "1:48", "lldp-one-side", "forwarding"}};
  r.hosts = {{"00:1b:21:00:10:01", "10.0.10.101", 10, "edge<1>", "1:3", "fdb"}};
  r.neighbours = {{"edge<1>", "1:3", "02:00:00:00:31:00", "8", "<b>printer</b>", "10.0.1.31"}};
  return r;
}

class WebRouterTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    const std::string target = m_Dir.Path() + "/inventory.db";
    auto writer = store::OpenStore(target, {}, &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_GT(writer->WriteRun(HostileRun(), nullptr, &error), 0) << error;
    std::vector<std::unique_ptr<store::Store>> stores;
    for (int i = 0; i < 2; ++i) {
      stores.push_back(store::OpenStore(target, {}, &error));
      ASSERT_TRUE(stores.back()) << error;
    }
    m_Data = std::make_unique<WebData>(std::move(stores));
  }

  WebResponse Get(const std::string& path, const std::string& token = "",
                  std::multimap<std::string, std::string> params = {},
                  const std::string& method = "GET", const std::string& cookie = "") {
    WebRequest r;
    r.method = method;
    r.path = path;
    r.params = std::move(params);
    r.cookie = cookie;
    if (!token.empty()) r.authorization = "Bearer " + token;
    return WebRouter(m_Data.get(), m_Token).Handle(r);
  }

  TempDir m_Dir;
  std::unique_ptr<WebData> m_Data;
  std::string m_Token;
};

// Device text may appear escaped, never as markup: no tag of its own, no quote that ends an
// attribute, no byte that is not UTF-8.
void ExpectNoHostileMarkup(const std::string& body) {
  for (const char* raw : {"<script>alert", "<img", "<b>printer", "'x'", "\"onmouseover", "\xff",
                          "\x1b", "&amp;\x1b"}) {
    EXPECT_EQ(body.find(raw), std::string::npos) << "raw device text: " << raw;
  }
}

TEST_F(WebRouterTest, PagesShowEverySwitchPortAndHostWithDeviceTextEscaped) {
  WebResponse map = Get("/");
  ASSERT_EQ(map.status, 200) << map.body;
  // Both switches of the run and the one only a link names, each a link to its page.
  for (const char* href : {"/switch/core-1\"", "/switch/edge%3C1%3E\"", "/switch/far-away\""}) {
    EXPECT_NE(map.body.find(href), std::string::npos) << href;
  }
  EXPECT_NE(map.body.find("class=\"switch outside\""), std::string::npos);
  EXPECT_NE(map.body.find("class=\"link blocked\""), std::string::npos);

  WebResponse edge = Get("/switch/edge<1>");
  ASSERT_EQ(edge.status, 200);
  ExpectNoHostileMarkup(edge.body);
  // The escaped device text; behind 1:3 the host (its MAC and IP link to their search), the
  // neighbour; 1:8 the link.
  for (const char* part :
       {"&lt;script&gt;alert(1)&lt;/script&gt;&quot;onmouseover=&#39;x&#39;\\xff\\xfe",
        "&lt;/td&gt;&lt;img src=x onerror=alert(2)&gt;&amp;amp;\\x1b[2J",
        "/search?q=00%3A1b%3A21%3A00%3A10%3A01", "/search?q=10.0.10.101", "VLAN 10",
        "&lt;b&gt;printer&lt;/b&gt;", "seen 2026-12-06T20:00:00Z to 2026-12-06T20:01:00Z"}) {
    EXPECT_NE(edge.body.find(part), std::string::npos) << part;
  }

  // Search in another notation answers like `find`: the switch and the port.
  WebResponse found = Get("/search", "", {{"q", "001B.2100.1001"}});
  ASSERT_EQ(found.status, 200);
  EXPECT_NE(found.body.find("href=\"/switch/edge%3C1%3E#port-1%3A3\""), std::string::npos);
  ExpectNoHostileMarkup(Get("/search", "", {{"q", kHostileName}}).body);
  EXPECT_EQ(Get("/runs").status, 200);
  // One run: no changes to show, said in a page.
  EXPECT_EQ(Get("/changes").status, 404);
  EXPECT_EQ(Get("/changes", "", {{"from", "x"}}).status, 400);
}

TEST_F(WebRouterTest, ApiGivesTheSameDataAsValidJson) {
  WebResponse devices = Get("/api/devices");
  ASSERT_EQ(devices.status, 200);
  EXPECT_EQ(devices.contentType.find("application/json"), 0u);
  EXPECT_EQ(devices.body.find('<'), std::string::npos);  // written as \u003c
  auto doc = nlohmann::json::parse(devices.body);
  ASSERT_EQ(doc["devices"].size(), 3u);
  EXPECT_EQ(doc["devices"][1]["sys_name"].get<std::string>().substr(0, 8), "<script>");
  EXPECT_EQ(doc["devices"][2]["name"], "far-away");
  EXPECT_FALSE(doc["devices"][2]["in_scope"].get<bool>());

  auto edge = nlohmann::json::parse(Get("/api/devices/edge<1>").body);
  ASSERT_EQ(edge["interfaces"].size(), 2u);
  EXPECT_EQ(edge["hosts"][0]["port"], "1:3");
  EXPECT_EQ(edge["links"][0]["stp"], "blocked");
  EXPECT_EQ(edge["neighbours"][0]["sys_name"], "<b>printer</b>");
  EXPECT_EQ(nlohmann::json::parse(Get("/api/links").body)["links"].size(), 2u);
  auto found = nlohmann::json::parse(Get("/api/find", "", {{"q", "10.0.10.101"}}).body);
  EXPECT_EQ(found["matches"][0]["switch"], "edge<1>");
  EXPECT_EQ(nlohmann::json::parse(Get("/api/runs").body)["runs"].size(), 1u);
  EXPECT_EQ(Get("/api/find").status, 400);
  EXPECT_EQ(Get("/api/devices/nothere").status, 404);
}

TEST_F(WebRouterTest, RefusesOtherMethodsUnknownPathsAndFilesWithoutReachingThem) {
  for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
    WebResponse r = Get("/", "", {}, method);
    EXPECT_EQ(r.status, 405) << method;
    EXPECT_EQ(r.headers.at(0), (std::pair<std::string, std::string>{"Allow", "GET, HEAD"}));
  }
  EXPECT_EQ(Get("/", "", {}, "HEAD").status, 200);
  for (const char* path : {"/nothere", "/etc/passwd", "/assets/../../etc/passwd", "/assets/",
                           "/assets/nothere.js", "/api/nothere", "/switch/"}) {
    EXPECT_EQ(Get(path).status, 404) << path;
  }
  WebResponse script = Get("/assets/map.js");
  EXPECT_EQ(script.status, 200);
  EXPECT_EQ(script.contentType.find("text/javascript"), 0u);
  EXPECT_NE(script.body.find("viewBox"), std::string::npos);
  bool policy = false;
  for (const auto& h : CommonHeaders()) {
    policy = policy || (h.first == "Content-Security-Policy" &&
                        h.second.find("script-src 'self'") != std::string::npos &&
                        h.second.find("unsafe-inline") == std::string::npos);
  }
  EXPECT_TRUE(policy);
}

TEST_F(WebRouterTest, WithATokenOnlyItsBearerOrItsCookieIsServed) {
  m_Token = "0123456789abcdef-token";
  EXPECT_EQ(Get("/").status, 401);
  EXPECT_EQ(Get("/api/devices").status, 401);
  EXPECT_EQ(Get("/", "0123456789abcdef-tokeN").status, 401);
  EXPECT_EQ(Get("/", "0123456789abcdef-token-and-more").status, 401);
  EXPECT_EQ(Get("/", "0123456789abcdef-token").status, 200);
  EXPECT_EQ(Get("/api/devices", "0123456789abcdef-token").status, 200);
  // The assets hold nothing of the network: the login page needs its style.
  EXPECT_EQ(Get("/assets/style.css").status, 200);

  EXPECT_EQ(Get("/login", "", {{"token", "wrong-wrong-wrong-1"}}).status, 401);
  WebResponse in = Get("/login", "", {{"token", m_Token}});
  ASSERT_EQ(in.status, 303);
  std::string cookie;
  for (const auto& h : in.headers) {
    if (h.first == "Set-Cookie") cookie = h.second;
  }
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
  const std::string sent = "theme=dark; " + cookie.substr(0, cookie.find(';'));
  EXPECT_EQ(Get("/switch/core-1", "", {}, "GET", sent).status, 200);
  EXPECT_EQ(Get("/switch/core-1", "", {}, "GET", "disco_token=0123456789abcdef-tokem").status, 401);
}

}  // namespace
