// The files the pages load (the map's script, the style sheet), built into the program from
// engine/web/assets/ (cmake/EmbedWebAssets.cmake), so that the view fetches nothing from
// elsewhere and reads no file at run time.
#pragma once

#include <string>
#include <string_view>

namespace disco {
namespace web {

struct WebAsset {
  const char* name;  // "map.js"
  const char* contentType;
  std::string_view content;
};

// The asset named `name` (a file name of engine/web/assets/), or null.
const WebAsset* FindAsset(const std::string& name);

}  // namespace web
}  // namespace disco
