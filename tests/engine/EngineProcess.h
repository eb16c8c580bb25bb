// Runs the extreme-disco program as a user would, for the engine's integration tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/TempDir.h"

struct EngineProcessResult {
  int exitCode = -1;  // -1 when the program did not exit by itself
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs DISCO_ENGINE_PATH with `args` in `workDir` ("" for the current one), killing it after
// `timeoutSeconds`. `onErrorLine`, when set, is given each line of standard error (without its
// end of line) as soon as it is written, so that a test can act while the program runs. When
// `interruptOn` is not empty, the program is sent one SIGINT as soon as its standard error holds
// that text.
EngineProcessResult RunEngineProcess(
    const std::vector<std::string>& args, const std::string& workDir = "", int timeoutSeconds = 180,
    const std::function<void(const std::string&)>& onErrorLine = {},
    const std::string& interruptOn = "");

// The sample network's recording of `name` (core-1, edge-1, edge-2).
std::string SampleRecording(const std::string& name);
