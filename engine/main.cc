// extreme-disco: discovers Extreme Networks switches with the ExtremeSwitch agent plug-in.
#include <iostream>
#include <string>
#include <vector>

#include "engine/DiscoEngine.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return disco::RunEngine(args, std::cout, std::cerr);
}
