// An error report. Constructing a CTolError reports it at once to the error sink of the calling
// thread (or the process-wide sink when the thread has none); the object itself can be dropped.
#pragma once

class CTolError {
 public:
  // Reports `code` raised in `sourceFile` at `line`; `text` may be null. Copies what it needs.
  CTolError(int code, const char* sourceFile, int line, const char* text);
  ~CTolError() = default;

  int RECode() const { return m_Code; }

 private:
  int m_Code;
};
