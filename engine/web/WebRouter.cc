#include "engine/web/WebRouter.h"

#include <cstdlib>

#include "engine/store/StoreJson.h"
#include "engine/web/Pages.h"
#include "engine/web/WebAssets.h"
#include "engine/web/WebText.h"

namespace disco {
namespace web {

namespace {

const char kJson[] = "application/json; charset=utf-8";

std::string Param(const WebRequest& r, const std::string& name) {
  auto it = r.params.find(name);
  return it == r.params.end() ? "" : it->second;
}

// A run id of the query ("" gives 0: the default); false when it is not a positive number.
bool RunParam(const WebRequest& r, const std::string& name, std::int64_t* run) {
  std::string text = Param(r, name);
  *run = 0;
  if (text.empty()) return true;
  if (text.size() > 12) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *run = std::atoll(text.c_str());
  return *run > 0;
}

WebResponse Html(int status, std::string body) {
  WebResponse r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

WebResponse Json(int status, const store::StoreJsonValue& value) {
  WebResponse r;
  r.status = status;
  r.contentType = kJson;
  r.body = JsonText(value) + "\n";
  return r;
}

WebResponse JsonError(int status, const std::string& message) {
  return Json(status, {{"error", message}});
}

// "/switch/NAME" -> NAME; "" when `path` is not under `prefix` or names nothing.
std::string Below(const std::string& path, const std::string& prefix) {
  if (path.compare(0, prefix.size(), prefix) != 0) return "";
  return path.substr(prefix.size());
}

// The value of cookie `name` in a Cookie header; "" when absent.
std::string CookieValue(const std::string& header, const std::string& name) {
  std::size_t at = 0;
  while (at < header.size()) {
    std::size_t end = header.find(';', at);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(at, end - at);
    std::size_t start = pair.find_first_not_of(' ');
    if (start != std::string::npos && pair.compare(start, name.size() + 1, name + "=") == 0) {
      return pair.substr(start + name.size() + 1);
    }
    at = end + 1;
  }
  return "";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> CommonHeaders() {
  return {{"Content-Security-Policy",
           "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
           "connect-src 'self'; form-action 'self'; base-uri 'none'; object-src 'none'; "
           "frame-ancestors 'none'"},
          {"X-Content-Type-Options", "nosniff"},
          {"X-Frame-Options", "DENY"},
          {"Referrer-Policy", "no-referrer"},
          {"Cache-Control", "no-store"}};
}

bool WebRouter::Authorized(const WebRequest& r) const {
  if (m_Token.empty()) return true;
  const std::string bearer = "Bearer ";
  if (r.authorization.compare(0, bearer.size(), bearer) == 0 &&
      SameSecret(r.authorization.substr(bearer.size()), m_Token)) {
    return true;
  }
  std::string cookie = CookieValue(r.cookie, kTokenCookie);
  return !cookie.empty() && SameSecret(cookie, m_Token);
}

WebResponse WebRouter::Handle(const WebRequest& r) const {
  if (r.method != "GET" && r.method != "HEAD") {
    WebResponse refused =
        Html(405, MessagePage("Not allowed", "This view only reads: GET and HEAD."));
    refused.headers.push_back({"Allow", "GET, HEAD"});
    return refused;
  }
  const std::string asset = Below(r.path, "/assets/");
  if (!asset.empty()) {
    const WebAsset* a = FindAsset(asset);
    if (a == nullptr) return Html(404, MessagePage("Not found", "No such page."));
    WebResponse ok;
    ok.contentType = a->contentType;
    ok.body = a->content;
    return ok;
  }
  if (r.path == "/login") {
    if (m_Token.empty()) return Html(404, MessagePage("Not found", "No such page."));
    const std::string given = Param(r, "token");
    if (given.empty()) return Html(200, LoginPage(false));
    if (!SameSecret(given, m_Token)) return Html(401, LoginPage(true));
    WebResponse in = Html(303, MessagePage("Signed in", "Go on to the map."));
    in.headers.push_back({"Location", "/"});
    in.headers.push_back({"Set-Cookie", std::string(kTokenCookie) + "=" + m_Token +
                                            "; Path=/; HttpOnly; SameSite=Strict"});
    return in;
  }
  const bool api = r.path == "/api" || r.path.compare(0, 5, "/api/") == 0;
  if (!Authorized(r)) {
    WebResponse refused = api ? JsonError(401,
                                          "this view needs its access token (Authorization: "
                                          "Bearer TOKEN)")
                              : Html(401, LoginPage(false));
    refused.headers.push_back({"WWW-Authenticate", "Bearer"});
    return refused;
  }
  return api ? Api(r) : Page(r);
}

WebResponse WebRouter::Page(const WebRequest& r) const {
  std::string error;
  auto failed = [&] { return Html(500, MessagePage("The store cannot be read", error)); };
  if (r.path == "/") {
    std::string svg;
    std::size_t switches = 0;
    if (!m_Data->Map(&svg, &switches, &error)) return failed();
    return Html(200, MapPage(svg, switches));
  }
  const std::string name = Below(r.path, "/switch/");
  if (!name.empty()) {
    store::DeviceView view;
    bool found = false;
    if (!m_Data->With([&](store::Store& s) { return s.Device(name, &view, &found, &error); })) {
      return failed();
    }
    if (!found)
      return Html(404, MessagePage("Not found", "The latest run has no switch " + name + "."));
    return Html(200, SwitchPage(view));
  }
  if (r.path == "/search") {
    const std::string query = Param(r, "q");
    if (query.empty()) return Html(200, SearchPage("", nullptr));
    store::FindResult result;
    if (!m_Data->With([&](store::Store& s) { return s.Find(query, &result, &error); })) {
      return failed();
    }
    return Html(200, SearchPage(query, &result));
  }
  if (r.path == "/runs") {
    std::vector<store::RunRow> runs;
    if (!m_Data->With([&](store::Store& s) { return s.Runs(&runs, &error); })) return failed();
    return Html(200, RunsPage(runs));
  }
  if (r.path == "/changes") {
    std::int64_t from = 0, to = 0;
    if (!RunParam(r, "from", &from) || !RunParam(r, "to", &to)) {
      return Html(400, MessagePage("Changes", "A run is a run id, a positive number."));
    }
    store::ChangesResult changes;
    if (!m_Data->With([&](store::Store& s) { return s.Changes(from, to, &changes, &error); })) {
      return Html(404, MessagePage("Changes", error));
    }
    return Html(200, ChangesPage(changes));
  }
  return Html(404, MessagePage("Not found", "No such page."));
}

WebResponse WebRouter::Api(const WebRequest& r) const {
  std::string error;
  auto failed = [&] { return JsonError(500, error); };
  if (r.path == "/api/devices") {
    std::vector<store::DeviceRow> devices;
    if (!m_Data->With([&](store::Store& s) { return s.Devices(&devices, &error); })) {
      return failed();
    }
    return Json(200, store::DevicesJson(devices));
  }
  const std::string name = Below(r.path, "/api/devices/");
  if (!name.empty()) {
    store::DeviceView view;
    bool found = false;
    if (!m_Data->With([&](store::Store& s) { return s.Device(name, &view, &found, &error); })) {
      return failed();
    }
    if (!found) return JsonError(404, "the latest run has no such switch");
    return Json(200, store::DeviceJson(view));
  }
  if (r.path == "/api/links") {
    std::vector<store::LinkRow> links;
    if (!m_Data->With([&](store::Store& s) { return s.Links(&links, &error); })) return failed();
    return Json(200, store::LinksJson(links));
  }
  if (r.path == "/api/find") {
    const std::string query = Param(r, "q");
    if (query.empty()) return JsonError(400, "give the thing to find as q=");
    store::FindResult result;
    if (!m_Data->With([&](store::Store& s) { return s.Find(query, &result, &error); })) {
      return failed();
    }
    return Json(200, store::FindJson(result));
  }
  if (r.path == "/api/changes") {
    std::int64_t from = 0, to = 0;
    if (!RunParam(r, "from", &from) || !RunParam(r, "to", &to)) {
      return JsonError(400, "a run is a run id, a positive number");
    }
    store::ChangesResult changes;
    if (!m_Data->With([&](store::Store& s) { return s.Changes(from, to, &changes, &error); })) {
      return JsonError(404, error);
    }
    return Json(200, store::ChangesJson(changes));
  }
  if (r.path == "/api/runs") {
    std::vector<store::RunRow> runs;
    if (!m_Data->With([&](store::Store& s) { return s.Runs(&runs, &error); })) return failed();
    return Json(200, store::RunsJson(runs));
  }
  return JsonError(404, "no such API document");
}

}  // namespace web
}  // namespace disco
