#include "engine/report/Graphviz.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "engine/report/SafeFile.h"
#include "engine/tidy/ChildProcess.h"
#include "engine/tidy/TemporaryFile.h"

namespace disco {

namespace {

// What dot said on its standard error, without trailing line ends.
std::string MessagesOf(const TemporaryFile& messages) {
  std::string text;
  char buffer[4096];
  for (off_t at = 0;;) {
    ssize_t n = pread(messages.Fd(), buffer, sizeof buffer, at);
    if (n <= 0 || text.size() > 64 * 1024) break;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

bool GraphvizAvailable() { return !FindProgram("dot").empty(); }

RenderOutcome RenderSvg(const std::string& dotText, const std::string& svgPath,
                        const std::function<bool()>& stopRequested, std::string* error) {
  std::string why;
  std::unique_ptr<TemporaryFile> input = TemporaryFile::Scratch(&why);
  std::unique_ptr<TemporaryFile> messages = input ? TemporaryFile::Scratch(&why) : nullptr;
  if (!messages) {
    *error = "cannot render " + svgPath + ": " + why;
    return RenderOutcome::kFailed;
  }
  if (!WriteAll(input->Fd(), dotText) || lseek(input->Fd(), 0, SEEK_SET) != 0) {
    *error = "cannot render " + svgPath + ": " + std::strerror(errno);
    return RenderOutcome::kFailed;
  }
  bool stopped = false;
  auto draw = [&](int out, std::string* w) {
    ChildProcess dot;
    if (!dot.Start({"dot", "-Tsvg"}, input->Fd(), out, messages->Fd(), w)) {
      *w += " (Graphviz, Debian package graphviz)";
      return false;
    }
    int status = 0;
    if (dot.Wait(stopRequested, &status) == ChildProcess::End::kStopped) {
      stopped = true;
      *w = "stopped";
      return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::string text = MessagesOf(*messages);
    *w = "dot failed" + (text.empty() ? std::string() : ": " + text);
    return false;
  };
  if (WriteFileWhole(svgPath, draw, &why)) return RenderOutcome::kWritten;
  if (stopped) return RenderOutcome::kStopped;
  *error = "cannot write " + svgPath + ": " + why;
  return RenderOutcome::kFailed;
}

}  // namespace disco
