#include "engine/collect/RefusedMacValues.h"

namespace disco {

Json RefusedMacJson(const RefusedMacCounts& counts) {
  Json out = Json::object();
  for (const auto& c : counts) out[c.first] = c.second;
  return out;
}

std::string RefusedMacWarning(const RefusedMacCounts& counts) {
  long total = 0;
  std::string parts;
  for (const auto& c : counts) {
    total += c.second;
    parts += (parts.empty() ? "" : ", ") + c.first + " " + std::to_string(c.second);
  }
  if (total == 0) return "";
  return "  warning: " + std::to_string(total) +
         (total == 1 ? " value that is not a MAC address" : " values that are not MAC addresses") +
         " left out (" + parts + ")\n";
}

}  // namespace disco
