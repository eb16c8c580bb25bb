// extreme-disco: discovers Extreme Networks switches with the ExtremeSwitch agent plug-in.
#include <iostream>
#include <string>
#include <vector>

#include "engine/DiscoEngine.h"
#include "engine/queue/QueueCommands.h"
#include "engine/store/StoreCommands.h"
#include "engine/web/ServeCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // find, changes, runs, ports: questions to the inventory store.
  if (!args.empty() && disco::store::IsStoreCommand(args[0])) {
    return disco::store::RunStoreCommand(args, std::cout, std::cerr);
  }
  // enqueue, poll, export: runs shared by pollers through a PostgreSQL store.
  if (!args.empty() && disco::IsQueueCommand(args[0])) {
    return disco::RunQueueCommand(args, disco::kEngineVersion, std::cout, std::cerr);
  }
  // serve: the web view of the store or of a results file.
  if (!args.empty() && disco::web::IsServeCommand(args[0])) {
    return disco::web::RunServeCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
  return disco::RunEngine(args, std::cout, std::cerr);
}
