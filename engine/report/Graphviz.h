// The topology's SVG picture, drawn by Graphviz's `dot` program from the DOT text.
#pragma once

#include <functional>
#include <string>

namespace disco {

// Whether Graphviz's `dot` program is on the PATH.
bool GraphvizAvailable();

enum class RenderOutcome { kWritten, kStopped, kFailed };

// Renders `dotText` with `dot -Tsvg` into `svgPath`, written whole (WriteFileWhole): the DOT
// text and dot's messages go through unnamed scratch files, dot is a ChildProcess. While dot
// runs, `stopRequested` is polled; once it says true, dot is killed and reaped and nothing is
// written (kStopped; an old picture stays as it was). kFailed with `*error` set: no `dot`, or
// it failed (its message), or the picture could not be written.
RenderOutcome RenderSvg(const std::string& dotText, const std::string& svgPath,
                        const std::function<bool()>& stopRequested, std::string* error);

}  // namespace disco
