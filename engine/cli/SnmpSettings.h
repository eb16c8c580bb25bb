// SNMP access settings by name, the vocabulary shared by the command line (-v, -c, -u, -l, -a,
// -A, -x, -X, -n, -t, -r, -Cr) and the scope file (version, community, user, level,
// auth_protocol, auth_passphrase, priv_protocol, priv_passphrase, context, timeout, retries,
// max_repetitions).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace disco {

// One setting: its name in the scope file's vocabulary and its value as written.
using SnmpSetting = std::pair<std::string, std::string>;
using SnmpSettings = std::vector<SnmpSetting>;

// Whether `key` names an SNMP setting.
bool IsSnmpSettingKey(const std::string& key);

// Whether an error message may quote the value that was given.
enum class ValueShown { kShown, kWithheld };

// Applies one setting to `*c`. The version is "1", "2c" or "3"; the level "noAuthNoPriv",
// "authNoPriv" or "authPriv" (any case); the timeout is in seconds (decimals allowed); retries a
// count from 0; max_repetitions (GETBULK) a count from 1 to 1000. Returns false with `*error`
// naming the setting (never echoing a passphrase); with kWithheld (a scope file's settings) it
// shows no value at all.
bool ApplySnmpSetting(const SnmpSetting& setting, CDiscoSnmpCredentials* c, std::string* error,
                      ValueShown shown = ValueShown::kShown);

// Applies settings in order; stops at the first bad one.
bool ApplySnmpSettings(const SnmpSettings& settings, CDiscoSnmpCredentials* c, std::string* error);

}  // namespace disco
