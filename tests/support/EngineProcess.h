// Runs the extreme-disco program as a user would, for the engine's integration tests.
#pragma once

#include <string>
#include <vector>

#include "support/TempDir.h"

struct EngineProcessResult {
  int exitCode = -1;  // -1 when the program did not exit by itself
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs DISCO_ENGINE_PATH with `args` in `workDir` ("" for the current one), killing it after
// `timeoutSeconds`. When `interruptOn` is not empty, the program is sent one SIGINT as soon as
// its standard error holds that text.
EngineProcessResult RunEngineProcess(const std::vector<std::string>& args,
                                     const std::string& workDir = "", int timeoutSeconds = 180,
                                     const std::string& interruptOn = "");

// The sample network's recording of the switch `name` (core-1, exos-1, ...).
std::string SampleRecording(const std::string& name);
