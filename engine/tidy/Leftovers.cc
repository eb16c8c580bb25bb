#include "engine/tidy/Leftovers.h"

#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace disco {

namespace {

constexpr int kChildren = 8;
constexpr int kNames = 16;

// Lock-free, so that the handler may read them: 0 is a free slot.
std::atomic<pid_t> g_Children[kChildren];
static_assert(std::atomic<pid_t>::is_always_lock_free, "the handler reads the children");

enum NameState : int { kFree, kFilling, kArmed };

struct NameSlot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
NameSlot g_Names[kNames];

}  // namespace

bool RecordChild(pid_t pid) {
  for (std::atomic<pid_t>& slot : g_Children) {
    pid_t expected = 0;
    if (slot.compare_exchange_strong(expected, pid)) return true;
  }
  return false;
}

void ForgetChild(pid_t pid) {
  for (std::atomic<pid_t>& slot : g_Children) {
    pid_t expected = pid;
    if (slot.compare_exchange_strong(expected, 0)) return;
  }
}

int RecordName(const char* path) {
  std::size_t length = std::strlen(path);
  if (length >= PATH_MAX) return -1;
  for (int i = 0; i < kNames; ++i) {
    int expected = kFree;
    if (!g_Names[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(g_Names[i].path, path, length + 1);
    g_Names[i].state.store(kArmed);
    return i;
  }
  return -1;
}

void ForgetName(int slot) {
  if (slot >= 0 && slot < kNames) g_Names[slot].state.store(kFree);
}

void RemoveLeftovers() {
  for (std::atomic<pid_t>& slot : g_Children) {
    pid_t pid = slot.exchange(0);
    if (pid <= 0) continue;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  for (NameSlot& slot : g_Names) {
    if (slot.state.load() == kArmed) unlink(slot.path);
  }
}

}  // namespace disco
