// Files written whole or not at all, safely in folders that other users can write to.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace disco {

// Writes all of `text` to `fd`, going on after interruptions and short writes. False on a write
// error, with errno set.
bool WriteAll(int fd, std::string_view text);

// Whether `path` is "-" or names the file that standard output is open on (/dev/stdout, the
// terminal, the file it was redirected to).
bool NamesStandardOutput(const std::string& path);

// Writes what `fill` writes to the descriptor it is given (false, with `*why` set or errno, when
// it cannot). A regular or absent target is replaced whole: the content goes to a new file
// without a name in the target's folder (engine/tidy/TemporaryFile.h: never an existing file or
// a link planted there), which takes the target's place once complete and is gone on any
// failure or interruption. The new file keeps a replaced file's permissions; a new one gets
// 0666 less the umask. A target that names standard output is written there; any other target
// that is no regular file is written directly, never replaced, and opened without waiting (a
// FIFO that nobody reads fails with ENXIO instead of hanging). False with `*why` set to the
// reason (the system's, when it gave one).
bool WriteFileWhole(const std::string& path,
                    const std::function<bool(int fd, std::string* why)>& fill, std::string* why);

}  // namespace disco
