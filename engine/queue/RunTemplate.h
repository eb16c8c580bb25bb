// A run as the queue keeps it, without a secret: each device's entry and the run's settings (the
// ping scope, static ARP entries, forwarding-database mode, time limits) as JSON, and back into
// the plan entries and discovery settings a poller runs with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/JsonText.h"
#include "engine/cli/EngineOptions.h"
#include "engine/run/Discovery.h"
#include "engine/run/DiscoveryPlan.h"

namespace disco {

// A device's entry as a job holds it: everything but the community and the passphrases.
Json DeviceEntryJson(const DeviceEntry& entry);
// The entry of a job's `device` text, its secrets taken from `secrets` (the environment's
// settings, applied over the job's). False with `*error` for a malformed text or a bad secret.
bool DeviceEntryFromJson(const std::string& device, const SnmpSettings& secrets, DeviceEntry* entry,
                         std::string* error);

// What a run was enqueued with.
struct RunSettings {
  std::string scope;         // the scope file's name
  std::int64_t started = 0;  // Unix seconds, when it was enqueued
  std::string startedAt;     // the same, ISO 8601 UTC
  bool pingEnabled = true;
  std::vector<std::string> pingAddresses;
  PingSites pingSites;  // the addresses only some sites' devices need
  std::vector<StaticArpEntry> staticArp;
  int pingTimeoutMs = 1000;
  int pingRate = 200;
  FdbMode fdb = FdbMode::kAuto;
  double deviceTimeoutSeconds = kDefaultDeviceTimeoutSeconds;
};

// The settings of a run of `plan` with `options`.
RunSettings SettingsOfRun(const EngineOptions& options, const DiscoveryPlan& plan);
Json RunSettingsJson(const RunSettings& settings);
// False with `*error` for a text that is not such a document.
bool RunSettingsFromJson(const std::string& text, RunSettings* settings, std::string* error);

// A device's ARP data as the queue keeps it between the two stages, and back.
Json DeviceArpJson(const DeviceArp& arp);
bool DeviceArpFromJson(const std::string& text, DeviceArp* arp);

}  // namespace disco
