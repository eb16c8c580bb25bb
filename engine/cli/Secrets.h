// Community strings and passphrases kept off the command line, where every user of the machine
// can read them in the process list: from the environment, or from a scope file only its owner
// can read.
#pragma once

#include <string>

#include "engine/cli/ScopeFile.h"
#include "engine/cli/SnmpSettings.h"

namespace disco {

// The environment variables and the SNMP setting each one gives.
constexpr const char* kCommunityVariable = "EXTREME_DISCO_COMMUNITY";             // community
constexpr const char* kAuthPassphraseVariable = "EXTREME_DISCO_AUTH_PASSPHRASE";  // -A
constexpr const char* kPrivPassphraseVariable = "EXTREME_DISCO_PRIV_PASSPHRASE";  // -X

// The secrets set (and not empty) in the environment, as settings for every device: the lowest
// layer, under a scope file's defaults, the command line and a device's own settings. Returns
// false with `*error` (naming the variable, never the value) when one is not a valid setting.
bool SecretsFromEnvironment(SnmpSettings* settings, std::string* error);

// Whether `setting` is a community or a passphrase.
bool IsSecretSetting(const std::string& key);

// Refuses a scope file that holds a secret (a passphrase, or a community other than "public")
// unless it belongs to the running user (or root) and neither group nor others may read or
// write it. `scope` is the file's parsed text. Returns false with `*error` (beginning with the
// path) naming the fix (chmod, chown).
bool CheckScopeFileSecrecy(const std::string& path, const ScopeDocument& scope, std::string* error);

// Refuses a file that `holds` a secret (e.g. "holds a community or passphrase") unless it belongs
// to the running user (or root) and neither group nor others may read or write it. False with
// `*error` (beginning with the path) naming the fix (chmod, chown).
bool CheckPrivateFile(const std::string& path, const std::string& holds, std::string* error);

}  // namespace disco
