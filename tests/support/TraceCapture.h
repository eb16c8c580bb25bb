// Sets the trace level and collects standard output while it lives; both are restored by the
// destructor, so a failing assertion or an exception leaves neither behind.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

#include "host/TolDebug.h"

class TraceCapture {
 public:
  explicit TraceCapture(int level)
      : m_Level(__Tolvane_Debug_Level), m_Old(std::cout.rdbuf(m_Text.rdbuf())) {
    __Tolvane_Debug_Level = level;
  }
  ~TraceCapture() {
    std::cout.rdbuf(m_Old);
    __Tolvane_Debug_Level = m_Level;
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::string Text() const { return m_Text.str(); }
  bool Has(const std::string& line) const { return Text().find(line) != std::string::npos; }
  int Count(const std::string& line) const {
    const std::string text = Text();
    int n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
  }

 private:
  int m_Level;
  std::stringstream m_Text;
  std::streambuf* m_Old;
};

inline std::string TraceText(const TraceCapture& trace) { return trace.Text(); }
inline const std::string& TraceText(const std::string& text) { return text; }

// Each of the lines must appear in `trace`, a TraceCapture or the text it captured.
#define EXPECT_TRACES(trace, ...)        \
  for (const char* line : {__VA_ARGS__}) \
  EXPECT_NE(TraceText(trace).find(line), std::string::npos) << "missing: " << line
