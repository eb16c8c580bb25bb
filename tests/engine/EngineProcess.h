// Runs the extreme-disco program as a user would, for the engine's integration tests.
#pragma once

#include <string>
#include <vector>

struct EngineProcessResult {
  int exitCode = -1;  // -1 when the program did not exit by itself
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs DISCO_ENGINE_PATH with `args` in `workDir` ("" for the current one), killing it after
// `timeoutSeconds`. When `interruptOn` is not empty, sends the program one SIGINT as soon as its
// standard error holds that text.
EngineProcessResult RunEngineProcess(const std::vector<std::string>& args,
                                     const std::string& workDir = "", int timeoutSeconds = 180,
                                     const std::string& interruptOn = "");

// A fresh directory, removed with its contents on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_Path; }
  // Writes `text` to Path()/name and returns the file's path.
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::string m_Path;
};

// Reads a whole file ("" when it cannot be read).
std::string ReadFile(const std::string& path);

// The sample network's recording of `name` (core-1, edge-1, edge-2).
std::string SampleRecording(const std::string& name);
