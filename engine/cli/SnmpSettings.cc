#include "engine/cli/SnmpSettings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace disco {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

const char* const kKeys[] = {
    "version",       "community",       "user",    "level",   "auth_protocol", "auth_passphrase",
    "priv_protocol", "priv_passphrase", "timeout", "retries", "context",       "max_repetitions"};

// A whole decimal number from `min` to `max`: digits only, no sign, blank or exponent.
bool ParseCount(const std::string& text, long min, long max, long* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  long n = std::strtol(text.c_str(), nullptr, 10);
  if (n < min || n > max) return false;
  *value = n;
  return true;
}

}  // namespace

bool IsSnmpSettingKey(const std::string& key) {
  return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

bool ApplySnmpSetting(const SnmpSetting& setting, CDiscoSnmpCredentials* c, std::string* error,
                      ValueShown shown) {
  const std::string& key = setting.first;
  // "what 'value' rule", or "what rule" when the value is withheld.
  auto bad = [&](const std::string& what, const std::string& rule) {
    *error = what + (shown == ValueShown::kShown ? " '" + setting.second + "' " : " ") + rule;
    return false;
  };
  const std::string& value = setting.second;
  if (key == "version") {
    std::string v = Lower(value);
    if (v == "1") {
      c->version = CDiscoSnmpCredentials::kV1;
    } else if (v == "2c" || v == "2") {
      c->version = CDiscoSnmpCredentials::kV2c;
    } else if (v == "3") {
      c->version = CDiscoSnmpCredentials::kV3;
    } else {
      return bad("SNMP version", "is not one of 1, 2c, 3");
    }
  } else if (key == "community") {
    c->community = value;
  } else if (key == "user") {
    c->user = value;
  } else if (key == "level") {
    std::string v = Lower(value);
    if (v == "noauthnopriv") {
      c->level = CDiscoSnmpCredentials::kNoAuthNoPriv;
    } else if (v == "authnopriv") {
      c->level = CDiscoSnmpCredentials::kAuthNoPriv;
    } else if (v == "authpriv") {
      c->level = CDiscoSnmpCredentials::kAuthPriv;
    } else {
      return bad("security level", "is not one of noAuthNoPriv, authNoPriv, authPriv");
    }
  } else if (key == "auth_protocol") {
    c->authProtocol = Upper(value);
  } else if (key == "auth_passphrase") {
    c->authPassphrase = value;
  } else if (key == "priv_protocol") {
    c->privProtocol = Upper(value);
  } else if (key == "priv_passphrase") {
    c->privPassphrase = value;
  } else if (key == "context") {
    c->contextName = value;
  } else if (key == "timeout") {
    char* end = nullptr;
    double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
        seconds > 3600) {
      return bad("timeout", "is not a number of seconds above 0 (at most 3600)");
    }
    c->timeoutMs = std::max(1, static_cast<int>(std::lround(seconds * 1000)));
  } else if (key == "retries") {
    char* end = nullptr;
    long n = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n < 0 || n > 20) {
      return bad("retries", "is not a count from 0 to 20");
    }
    c->retries = static_cast<int>(n);
  } else if (key == "max_repetitions") {
    long n = 0;
    const long limit = CDiscoSnmpCredentials::kMaxRepetitionsLimit;
    if (!ParseCount(value, 1, limit, &n)) {
      return bad("max-repetitions", "is not a count from 1 to " + std::to_string(limit));
    }
    c->maxRepetitions = static_cast<int>(n);
  } else {
    *error = "unknown SNMP setting '" + key + "'";
    return false;
  }
  return true;
}

bool ApplySnmpSettings(const SnmpSettings& settings, CDiscoSnmpCredentials* c, std::string* error) {
  for (const SnmpSetting& s : settings) {
    if (!ApplySnmpSetting(s, c, error)) return false;
  }
  return true;
}

}  // namespace disco
