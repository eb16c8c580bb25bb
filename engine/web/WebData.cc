#include "engine/web/WebData.h"

#include "engine/web/MapPicture.h"

namespace disco {
namespace web {

WebData::WebData(std::vector<std::unique_ptr<store::Store>> stores) : m_Free(std::move(stores)) {}

bool WebData::With(const std::function<bool(store::Store&)>& use) {
  std::unique_ptr<store::Store> lent;
  {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Returned.wait(lock, [&] { return !m_Free.empty(); });
    lent = std::move(m_Free.back());
    m_Free.pop_back();
  }
  bool result = use(*lent);
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Free.push_back(std::move(lent));
  }
  m_Returned.notify_one();
  return result;
}

bool WebData::Map(std::string* svg, std::size_t* switches, std::string* error) {
  std::vector<store::RunRow> runs;
  if (!With([&](store::Store& s) { return s.Runs(&runs, error); })) return false;
  const std::int64_t latest = runs.empty() ? 0 : runs.back().id;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (latest == m_MapRun) {
      *svg = m_MapSvg;
      *switches = m_MapSwitches;
      return true;
    }
  }
  std::vector<store::DeviceRow> devices;
  std::vector<store::LinkRow> links;
  if (!With(
          [&](store::Store& s) { return s.Devices(&devices, error) && s.Links(&links, error); })) {
    return false;
  }
  *svg = DrawMap(devices, links);
  *switches = devices.size();
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_MapRun = latest;
  m_MapSvg = *svg;
  m_MapSwitches = devices.size();
  return true;
}

}  // namespace web
}  // namespace disco
