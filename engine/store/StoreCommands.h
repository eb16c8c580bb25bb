// The program's store subcommands: `find`, `changes`, `runs` and `ports`, each reading an
// inventory store (--db TARGET, DefaultStoreTarget() without it).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace disco {
namespace store {

// Exit statuses of the store subcommands.
constexpr int kCommandOk = 0;            // answered (also "no changes", "no idle port")
constexpr int kCommandNothingFound = 1;  // `find` matched nothing
constexpr int kCommandUsage = 2;         // bad command line
constexpr int kCommandStoreError = 3;    // the store cannot be opened or read

// Whether `word` (the program's first argument) names a store subcommand.
bool IsStoreCommand(const std::string& word);

// Runs the subcommand `args[0]` with its arguments `args[1..]`: the answer goes to `out`,
// messages to `err`. Returns one of the exit statuses above.
int RunStoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace store
}  // namespace disco
