#include "engine/run/Interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "engine/tidy/Leftovers.h"

namespace disco {

namespace {

// Lock-free, so that the handler may touch it.
std::atomic<int> g_Signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

struct sigaction g_PreviousInt;
struct sigaction g_PreviousTerm;

void Note(const char* text, size_t length) {
  ssize_t ignored = write(STDERR_FILENO, text, length);
  (void)ignored;  // nothing to be done about a failed note inside a handler
}

void OnSignal(int signal) {
  int expected = 0;
  if (!g_Signal.compare_exchange_strong(expected, signal)) {
    static const char kQuit[] = "\nextreme-disco: stopped at once\n";
    Note(kQuit, sizeof kQuit - 1);
    RemoveLeftovers();  // no child process or temporary name outlives the run
    _exit(128 + signal);
  }
  static const char kStop[] =
      "\nextreme-disco: stopping; the results of the devices through are being written "
      "(Ctrl-C again quits at once)\n";
  Note(kStop, sizeof kStop - 1);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  g_Signal = 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &g_PreviousInt);
  sigaction(SIGTERM, &action, &g_PreviousTerm);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &g_PreviousInt, nullptr);
  sigaction(SIGTERM, &g_PreviousTerm, nullptr);
}

int StopSignal() { return g_Signal.load(); }

}  // namespace disco
