// The scope file parser on arbitrary text: it accepts or refuses with a message, never crashes.
// An accepted scope has at least one device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/cli/ScopeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  disco::ScopeDocument scope;
  std::string error;
  if (disco::ParseScopeText(text, "/nonexistent", &scope, &error)) {
    if (scope.devices.empty()) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  return 0;
}
