#include "engine/web/ServeOptions.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/base/Ipv4Address.h"
#include "engine/base/OptionWords.h"
#include "engine/cli/Secrets.h"

namespace disco {
namespace web {

const char kServeHelp[] =
    "usage: extreme-disco serve [--db TARGET | --results FILE] [--listen ADDR:PORT]\n"
    "                           [--token FILE]\n\n"
    "A read-only web view of the inventory store (or of one run's results file): the map of\n"
    "the latest run, a page per switch with what is behind each port, search, runs and changes,\n"
    "and the same data as JSON under /api/ (doc/web.md). It runs until Ctrl-C.\n\n"
    "Options:\n"
    "  --db TARGET       the inventory store (a file, sqlite:FILE, or postgresql://...);\n"
    "                    default the one `find` reads\n"
    "  --results FILE    show this results file of a run instead of a store\n"
    "  --listen ADDR:PORT  where to listen (default 127.0.0.1:8080; port 0: any free port).\n"
    "                    An address beyond loopback (127.0.0.0/8, localhost, [::1]) needs --token\n"
    "  --token FILE      a file only its owner may read holding the access token (16 or more\n"
    "                    of A-Z a-z 0-9 - . _ ~ + / =): requests carry it as\n"
    "                    'Authorization: Bearer TOKEN' or sign in once at /login\n"
    "  -h, --help        print this help\n"
    "Exit status: 0 stopped by Ctrl-C or SIGTERM, 2 bad usage, 3 the store or results cannot\n"
    "be read, 4 the address cannot be listened on.\n";

namespace {

bool ParsePort(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *port = std::atoi(text.c_str());
  return *port <= 65535;
}

bool ParseListen(const std::string& text, std::string* host, int* port) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  *host = text.substr(0, colon);
  if (host->front() == '[') {
    if (host->size() < 3 || host->back() != ']') return false;
    *host = host->substr(1, host->size() - 2);
  } else if (host->find(':') != std::string::npos) {
    return false;  // an IPv6 address goes in brackets
  }
  return ParsePort(text.substr(colon + 1), port);
}

bool TokenCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '+' || c == '/' || c == '=';
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
  uint32_t address = 0;
  if (ParseIpv4(host, &address)) return (address >> 24) == 127;
  return host == "localhost" || host == "::1";
}

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions* o, std::string* error) {
  std::string listen = kDefaultListen;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name, value;
    bool hasValue = false;
    if (!ReadOptionWord(args, &i, {"--db", "--results", "--listen", "--token"}, &name, &value,
                        &hasValue, error)) {
      return false;
    }
    if (hasValue) {
      if (value.empty()) {
        *error = name + " needs a value";
        return false;
      }
      std::string* target = name == "--db"        ? &o->db
                            : name == "--results" ? &o->results
                            : name == "--listen"  ? &listen
                                                  : &o->tokenFile;
      *target = value;
    } else if (name == "-h" || name == "--help") {
      o->help = true;
    } else if (name.size() > 1 && name[0] == '-') {
      *error = "unknown option " + name;
      return false;
    } else {
      *error = "unexpected argument '" + name + "'";
      return false;
    }
  }
  if (!o->db.empty() && !o->results.empty()) {
    *error = "--db and --results each name what to show: give one";
    return false;
  }
  if (!ParseListen(listen, &o->host, &o->port)) {
    *error = "--listen takes ADDR:PORT, e.g. 127.0.0.1:8080 or [::1]:8080";
    return false;
  }
  if (!IsLoopbackHost(o->host) && o->tokenFile.empty()) {
    *error = "listening on " + o->host +
             ", beyond this machine, needs an access token: give --token FILE (a file only you "
             "may read, holding the token), or listen on 127.0.0.1";
    return false;
  }
  return true;
}

bool ReadTokenFile(const std::string& path, std::string* token, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read the token file";
    return false;
  }
  if (!CheckPrivateFile(path, "holds the access token", error)) return false;
  std::ostringstream text;
  text << in.rdbuf();
  std::string t = text.str();
  if (!t.empty() && t.back() == '\n') t.pop_back();
  if (!t.empty() && t.back() == '\r') t.pop_back();
  bool valid = t.size() >= 16 && t.size() <= 4096;
  for (char c : t) valid = valid && TokenCharacter(c);
  if (!valid) {
    *error = path +
             ": the token must be one line of at least 16 characters of A-Z a-z 0-9 - . _ ~ + / =";
    return false;
  }
  *token = t;
  return true;
}

}  // namespace web
}  // namespace disco
