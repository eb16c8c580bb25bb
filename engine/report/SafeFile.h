// Files written whole or not at all, safely in folders that other users can write to.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace disco {

// Writes all of `text` to `fd`, going on after interruptions and short writes. False on a write
// error, with errno set.
bool WriteAll(int fd, std::string_view text);

// Writes what `fill` writes to the descriptor it is given (false, with `*why` set or errno, when
// it cannot). A regular or absent target is replaced whole: the content goes to a new file made
// by mkstemp in the target's folder (never an existing file or a link planted there), mode 0644,
// renamed over the target once complete and removed on any failure. A target that exists and is
// no regular file (/dev/stdout, a FIFO, a terminal) is written directly and never replaced.
// False with `*why` set to the reason (the system's, when it gave one).
bool WriteFileWhole(const std::string& path,
                    const std::function<bool(int fd, std::string* why)>& fill, std::string* why);

}  // namespace disco
