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

// When and how a run is interrupted: once its standard error holds `onText` (when not empty)
// or the file `onFile` exists (when not empty), each of `signals` is sent, one right after the
// other.
struct EngineInterrupt {
  std::string onText;
  std::string onFile;
  std::vector<int> signals;
};

// As above, interrupted as `interrupt` says.
EngineProcessResult RunEngineProcess(const std::vector<std::string>& args,
                                     const std::string& workDir, int timeoutSeconds,
                                     const EngineInterrupt& interrupt);

// The sample network's recording of the switch `name` (core-1, exos-1, ...).
std::string SampleRecording(const std::string& name);
