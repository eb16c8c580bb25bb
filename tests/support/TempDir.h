// Temporary files for tests: a fresh directory removed with its contents, and whole-file reads.
#pragma once

#include <string>

// A fresh directory, removed with its contents on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_Path; }
  // Writes `text` to Path()/name (replacing the file) and returns the file's path.
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::string m_Path;
};

// Reads a whole file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
