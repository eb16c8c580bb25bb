// What `extreme-disco serve` was asked: which store or results file to show, where to listen,
// and the access token that a listener beyond this machine must have.
#pragma once

#include <string>
#include <vector>

namespace disco {
namespace web {

constexpr const char* kDefaultListen = "127.0.0.1:8080";

struct ServeOptions {
  std::string db;       // --db TARGET ("" and no results: the default store)
  std::string results;  // --results FILE
  std::string host = "127.0.0.1";
  int port = 8080;        // 0: any free port (the address printed at start says which)
  std::string tokenFile;  // --token FILE
  bool help = false;
};

// Reads the arguments after "serve". False with `*error` (a sentence without the program's
// name) for an unknown option, a missing value, --db with --results, a bad --listen, or a
// listen address beyond loopback without --token.
bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions* options,
                       std::string* error);

// Whether `host` (a dotted quad, "localhost" or an IPv6 address) is only reachable from this
// machine: 127.0.0.0/8, localhost, ::1.
bool IsLoopbackHost(const std::string& host);

// Reads the access token from `path`: one line of at least 16 characters of A-Z a-z 0-9 and
// - . _ ~ + / = (a final line break is dropped). The file must be private (CheckPrivateFile).
// False with `*error` naming the file and the reason, never the token.
bool ReadTokenFile(const std::string& path, std::string* token, std::string* error);

// The help text of `serve`.
extern const char kServeHelp[];

}  // namespace web
}  // namespace disco
