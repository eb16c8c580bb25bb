// What the web view reads: the inventory store, through its interface only, by several request
// threads at once. A Store serves one thread at a time, so the view keeps a few open stores and
// lends one to each request; the map of the latest run is drawn once per run and shared.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/store/Store.h"

namespace disco {
namespace web {

class WebData {
 public:
  // Takes ownership of `stores` (at least one), which must all read the same store.
  explicit WebData(std::vector<std::unique_ptr<store::Store>> stores);

  // Calls `use` with a store no other thread uses meanwhile (waits for one), and returns what it
  // returns. Thread-safe.
  bool With(const std::function<bool(store::Store&)>& use);

  // The map of the latest run as SVG text (MapPicture.h), drawn at the first call after a new
  // run. False with `*error` set when the store cannot be read. Thread-safe.
  bool Map(std::string* svg, std::size_t* switches, std::string* error);

 private:
  std::mutex m_Mutex;  // guards m_Free and the map
  std::condition_variable m_Returned;
  std::vector<std::unique_ptr<store::Store>> m_Free;
  std::int64_t m_MapRun = -1;  // the run m_MapSvg shows
  std::string m_MapSvg;
  std::size_t m_MapSwitches = 0;
};

}  // namespace web
}  // namespace disco
