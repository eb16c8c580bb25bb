// The pages of the web view, rendered on the server from what the store answered. Every value
// that came from a device is escaped (WebText.h); MAC and IP addresses link to their search.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/store/StoreResults.h"

namespace disco {
namespace web {

// The map: `svg` (MapPicture.h) with pan, zoom and a click that opens a switch (assets/map.js).
std::string MapPage(const std::string& svg, std::size_t switches);
// A switch and, per port, its status, spanning-tree state and VLANs, and the links, LLDP
// neighbours and hosts behind it with the time each was first and last seen.
std::string SwitchPage(const store::DeviceView& view);
// The search box's answer, as `find` gives it; `result` null when nothing was asked yet.
std::string SearchPage(const std::string& query, const store::FindResult* result);
// The runs, newest first, each with a link to what changed since the one before.
std::string RunsPage(const std::vector<store::RunRow>& runs);
// What changed between two runs.
std::string ChangesPage(const store::ChangesResult& changes);
// A page that only says `text`, under `title`.
std::string MessagePage(const std::string& title, const std::string& text);
// The form that asks for the access token (GET /login?token=...); `refused` after a wrong one.
std::string LoginPage(bool refused);

}  // namespace web
}  // namespace disco
