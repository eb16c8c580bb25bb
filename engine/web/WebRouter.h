// The web view's requests and answers, apart from the HTTP server that carries them (so that
// tests ask it directly): which path is which page or API document, who may ask (the access
// token), and the headers every answer carries. Only GET and HEAD are answered; a path that
// names nothing is 404 and never reaches a file.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/web/WebData.h"

namespace disco {
namespace web {

struct WebRequest {
  std::string method;                              // "GET", "HEAD", ...
  std::string path;                                // decoded, without the query: "/switch/core-1"
  std::multimap<std::string, std::string> params;  // the decoded query
  std::string authorization;                       // the Authorization header, "" when none
  std::string cookie;                              // the Cookie header, "" when none
};

struct WebResponse {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;  // also for HEAD: the server sends the headers only
  std::vector<std::pair<std::string, std::string>> headers;  // beyond the common ones
};

// The headers every answer carries: the content security policy (scripts and styles from the
// view itself only, no inline script, no frames, no plug-ins), no sniffing, no referrer, no
// caching of pages.
std::vector<std::pair<std::string, std::string>> CommonHeaders();

// The name of the cookie that carries the token after the login form.
constexpr const char* kTokenCookie = "disco_token";

class WebRouter {
 public:
  // `data` borrowed; must outlive the router. `token` empty: no token is asked for.
  WebRouter(WebData* data, std::string token) : m_Data(data), m_Token(std::move(token)) {}

  // The answer to `request`. Thread-safe.
  WebResponse Handle(const WebRequest& request) const;

 private:
  bool Authorized(const WebRequest& request) const;
  WebResponse Page(const WebRequest& request) const;
  WebResponse Api(const WebRequest& request) const;

  WebData* m_Data;
  std::string m_Token;
};

}  // namespace web
}  // namespace disco
