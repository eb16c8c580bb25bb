// Engine-wide trace level. Agents write their traces to standard output when the level is at
// least the level of the message; 0 silences them.
#pragma once

#include <atomic>

// An int that any thread may read and write at the same time as others: the engine sets the
// level while agents trace on engine threads and on the ping cycle's reply thread. Reads and
// converts like an int and is assigned ints, so `__Tolvane_Debug_Level = 4;`, comparisons and
// `std::exchange` work as they do on a plain int. The level orders no other data: reads and
// writes are relaxed.
class TolDebugLevel {
 public:
  constexpr TolDebugLevel(int level = 0) noexcept : m_Level(level) {}
  // A copy holds the level read at the time of the copy.
  TolDebugLevel(const TolDebugLevel& other) noexcept : m_Level(other.Get()) {}
  TolDebugLevel& operator=(const TolDebugLevel& other) noexcept {
    Set(other.Get());
    return *this;
  }
  TolDebugLevel& operator=(int level) noexcept {
    Set(level);
    return *this;
  }
  operator int() const noexcept { return Get(); }

  int Get() const noexcept { return m_Level.load(std::memory_order_relaxed); }
  void Set(int level) noexcept { m_Level.store(level, std::memory_order_relaxed); }

 private:
  std::atomic<int> m_Level;
};

extern "C" TolDebugLevel __Tolvane_Debug_Level;
