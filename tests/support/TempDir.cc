#include "support/TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "extreme-disco-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) m_Path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
  std::string path = m_Path + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
