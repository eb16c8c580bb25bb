#include "engine/cli/Secrets.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace disco {

namespace {

// "public", net-snmp's default community, is known to all: the bundled example may hold it.
bool HoldsSecret(const SnmpSettings& settings) {
  for (const SnmpSetting& s : settings) {
    if (IsSecretSetting(s.first) && !(s.first == "community" && s.second == "public")) return true;
  }
  return false;
}

}  // namespace

bool IsSecretSetting(const std::string& key) {
  return key == "community" || key == "auth_passphrase" || key == "priv_passphrase";
}

bool SecretsFromEnvironment(SnmpSettings* settings, std::string* error) {
  const struct {
    const char* variable;
    const char* key;
  } kSecrets[] = {{kCommunityVariable, "community"},
                  {kAuthPassphraseVariable, "auth_passphrase"},
                  {kPrivPassphraseVariable, "priv_passphrase"}};
  for (const auto& secret : kSecrets) {
    const char* value = std::getenv(secret.variable);
    if (value == nullptr || *value == '\0') continue;
    SnmpSetting setting(secret.key, value);
    CDiscoSnmpCredentials probe;
    if (!ApplySnmpSetting(setting, &probe, error)) {
      *error = std::string("environment variable ") + secret.variable + ": " + *error;
      return false;
    }
    settings->push_back(setting);
  }
  return true;
}

bool CheckScopeFileSecrecy(const std::string& path, const ScopeDocument& scope,
                           std::string* error) {
  bool secret = HoldsSecret(scope.defaults);
  for (const ScopeDevice& d : scope.devices) secret = secret || HoldsSecret(d.snmp);
  if (!secret) return true;
  return CheckPrivateFile(path, "holds a community or passphrase", error);
}

bool CheckPrivateFile(const std::string& path, const std::string& holds, std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = path + ": cannot check who may read it: " + std::strerror(errno);
    return false;
  }
  uid_t user = getuid();
  if (info.st_uid != user && info.st_uid != 0) {
    const passwd* account = getpwuid(user);
    std::string name = account != nullptr ? account->pw_name : std::to_string(user);
    *error = path + ": " + holds + " but belongs to another user (uid " +
             std::to_string(info.st_uid) + "); take it over with 'chown " + name + " " + path +
             "' and 'chmod 600 " + path + "'";
    return false;
  }
  if ((info.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH)) == 0) return true;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  *error = path + ": " + holds + " but group or others may read or write it (mode " + mode +
           "); make it private with 'chmod 600 " + path + "'";
  return false;
}

}  // namespace disco
