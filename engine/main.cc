// extreme-disco: discovers Extreme Networks switches with the ExtremeSwitch agent plug-in.
#include <iostream>
#include <string>
#include <vector>

#include "engine/DiscoEngine.h"
#include "engine/store/StoreCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // find, changes, runs, ports: questions to the inventory store.
  if (!args.empty() && disco::store::IsStoreCommand(args[0])) {
    return disco::store::RunStoreCommand(args, std::cout, std::cerr);
  }
  return disco::RunEngine(args, std::cout, std::cerr);
}
