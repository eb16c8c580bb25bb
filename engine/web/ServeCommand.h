// `extreme-disco serve`: the web view, a read-only HTTP server inside the program
// (cpp-httplib), until Ctrl-C or SIGTERM.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace disco {
namespace web {

// Whether `word` (the program's first argument) is "serve".
bool IsServeCommand(const std::string& word);

// Runs `serve` with the arguments after the word: opens the store (or loads the results file
// into a throwaway store of its own, removed at the end), listens, prints the view's address to
// `out` once it listens, and serves until SIGINT or SIGTERM. Messages go to `err`. Returns the
// exit status kServeHelp lists.
int RunServeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace web
}  // namespace disco
