#include "engine/cli/ScopeFile.h"

#include <yaml-cpp/yaml.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/base/Ipv4Address.h"
#include "engine/base/MacAddress.h"

namespace disco {

namespace {

// A parse failure at a node: thrown inside this file only, turned into `*error` at the top.
struct ScopeError {
  int line;
  std::string message;
};

[[noreturn]] void Fail(const YAML::Node& node, const std::string& message) {
  throw ScopeError{node.Mark().line >= 0 ? node.Mark().line + 1 : 0, message};
}

// A key as messages name it: a setting name as written; for anything else (a value taken for a
// key, "community:S3cr3t") only the leading name-like part, so that no value is ever echoed.
std::string KeyName(const std::string& text) {
  std::size_t n = 0;
  while (n < text.size() && n < 32 &&
         (std::isalnum(static_cast<unsigned char>(text[n])) || text[n] == '_' || text[n] == '-')) {
    ++n;
  }
  if (n == text.size()) return "'" + text + "'";
  return n == 0 ? "a key that is no setting name" : "'" + text.substr(0, n) + "...'";
}

// The keys of one mapping, with the line each was first given on: YAML keeps every duplicate
// key, and a later one would silently override (or add to) the first.
class KeySet {
 public:
  // Returns the key's text; refuses a key given before in the same mapping. `checked` says the
  // text is a checked value (a normalised MAC) that a message may show whole.
  std::string Add(const YAML::Node& key, const std::string& text, bool checked = false) {
    int line = key.Mark().line + 1;
    auto inserted = m_Lines.emplace(text, line);
    if (!inserted.second) {
      Fail(key, (checked ? "'" + text + "'" : KeyName(text)) + " is given twice (first on line " +
                    std::to_string(inserted.first->second) + ")");
    }
    return text;
  }
  std::string Add(const YAML::Node& key) { return Add(key, key.as<std::string>()); }

 private:
  std::map<std::string, int> m_Lines;
};

std::string Scalar(const YAML::Node& node, const std::string& what) {
  if (!node.IsScalar()) Fail(node, what + " must be a single value");
  return node.Scalar();
}

bool Boolean(const YAML::Node& node, const std::string& what) {
  std::string v = Scalar(node, what);
  if (v == "true" || v == "yes" || v == "on" || v == "1") return true;
  if (v == "false" || v == "no" || v == "off" || v == "0") return false;
  Fail(node, what + " must be true or false");
}

int Port(const YAML::Node& node) {
  std::string v = Scalar(node, "port");
  char* end = nullptr;
  long p = std::strtol(v.c_str(), &end, 10);
  if (v.empty() || *end != '\0' || p < 1 || p > 65535) {
    Fail(node, "port is not a UDP port number (1..65535)");
  }
  return static_cast<int>(p);
}

void SnmpSettingOf(const std::string& key, const YAML::Node& value, SnmpSettings* settings) {
  SnmpSetting setting(key, Scalar(value, key));
  CDiscoSnmpCredentials probe;
  std::string error;
  if (!ApplySnmpSetting(setting, &probe, &error, ValueShown::kWithheld)) Fail(value, error);
  settings->push_back(setting);
}

// A site's name: letters, digits, '-', '_' and '.', as pollers are told it (poll --site).
std::string Site(const YAML::Node& node) {
  std::string site = Scalar(node, "site");
  bool plain = !site.empty() && site.size() <= 64;
  for (char c : site) {
    plain =
        plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.');
  }
  if (!plain) Fail(node, "site must be a name of letters, digits, '-', '_' and '.'");
  return site;
}

void ParseDefaults(const YAML::Node& node, ScopeDocument* scope) {
  if (node.IsNull()) return;
  if (!node.IsMap()) Fail(node, "defaults must be a mapping of settings");
  KeySet keys;
  for (const auto& entry : node) {  // a key-value pair, held for the loop's body
    std::string key = keys.Add(entry.first);
    if (key == "port") {
      scope->defaultPort = Port(entry.second);
    } else if (key == "site") {
      scope->defaultSite = Site(entry.second);
    } else if (IsSnmpSettingKey(key)) {
      SnmpSettingOf(key, entry.second, &scope->defaults);
    } else {
      Fail(entry.first, "unknown setting " + KeyName(key) + " in defaults");
    }
  }
}

ScopeDevice ParseDevice(const YAML::Node& node, const std::string& baseDir) {
  ScopeDevice d;
  d.line = node.Mark().line + 1;
  if (node.IsScalar()) {  // a bare address
    d.address = node.Scalar();
    return d;
  }
  if (!node.IsMap()) Fail(node, "a device must be an address or a mapping with 'address'");
  KeySet keys;
  for (const auto& entry : node) {  // a key-value pair, held for the loop's body
    std::string key = keys.Add(entry.first);
    const YAML::Node& value = entry.second;
    if (key == "address") {
      d.address = Scalar(value, "address");
    } else if (key == "name") {
      d.name = Scalar(value, "name");
    } else if (key == "port") {
      d.port = Port(value);
    } else if (key == "download_fdb") {
      d.downloadFdb = Boolean(value, "download_fdb");
    } else if (key == "address_space") {
      d.addressSpace = Scalar(value, "address_space");
    } else if (key == "site") {
      d.site = Site(value);
    } else if (key == "recording") {
      d.recording = Scalar(value, "recording");
      if (d.recording.empty()) Fail(value, "recording must name a file");
      if (d.recording[0] != '/' && !baseDir.empty()) d.recording = baseDir + "/" + d.recording;
    } else if (IsSnmpSettingKey(key)) {
      SnmpSettingOf(key, value, &d.snmp);
    } else {
      Fail(entry.first, "unknown device setting " + KeyName(key));
    }
  }
  if (d.address.empty()) Fail(node, "device without an address");
  return d;
}

void ParseStaticArp(const YAML::Node& node, ScopeDocument* scope) {
  if (node.IsNull()) return;
  if (!node.IsMap()) Fail(node, "static_arp must map MAC addresses to IPv4 addresses");
  KeySet macs;
  for (const auto& entry : node) {  // a key-value pair, held for the loop's body
    StaticArpEntry e;
    std::string mac = Scalar(entry.first, "a static ARP MAC address");
    if (!NormalizeMac(mac, &e.mac)) Fail(entry.first, "a static ARP key is not a MAC address");
    macs.Add(entry.first, e.mac, true);  // one MAC written two ways is still twice
    e.ip = Scalar(entry.second, "a static ARP address");
    uint32_t a = 0;
    if (!ParseIpv4(e.ip, &a)) Fail(entry.second, "a static ARP address is not an IPv4 address");
    scope->staticArp.push_back(e);
  }
}

// A ping entry: an address, block or range, or a mapping of one ('addresses') to the site whose
// devices need it.
void ParsePingEntry(const YAML::Node& node, ScopeDocument* scope) {
  std::string entry, site;
  if (node.IsMap()) {
    KeySet keys;
    for (const auto& e : node) {  // a key-value pair, held for the loop's body
      std::string key = keys.Add(e.first);
      if (key == "addresses") {
        entry = Scalar(e.second, "addresses");
      } else if (key == "site") {
        site = Site(e.second);
      } else {
        Fail(e.first, "unknown ping entry setting " + KeyName(key));
      }
    }
    if (entry.empty()) Fail(node, "a ping entry with a site needs 'addresses'");
  } else {
    entry = Scalar(node, "a ping entry");
  }
  scope->ping.push_back(entry);
  scope->pingSites.push_back(site);
  scope->pingLines.push_back(node.Mark().line + 1);
}

void ParseDocument(const YAML::Node& root, const std::string& baseDir, ScopeDocument* scope) {
  if (root.IsNull()) throw ScopeError{0, "the scope is empty: it needs a 'devices' list"};
  if (!root.IsMap()) Fail(root, "the scope must be a mapping with a 'devices' list");
  bool hasDevices = false;
  KeySet keys;
  for (const auto& entry : root) {  // a key-value pair, held for the loop's body
    std::string key = keys.Add(entry.first);
    const YAML::Node& value = entry.second;
    if (key == "defaults") {
      ParseDefaults(value, scope);
    } else if (key == "devices") {
      if (!value.IsSequence()) Fail(value, "devices must be a list");
      for (const YAML::Node& d : value) scope->devices.push_back(ParseDevice(d, baseDir));
      hasDevices = true;
    } else if (key == "ping") {
      scope->hasPingList = true;
      if (value.IsNull()) continue;  // an empty list: nothing to ping
      if (!value.IsSequence()) Fail(value, "ping must be a list of addresses, blocks or ranges");
      for (const YAML::Node& p : value) ParsePingEntry(p, scope);
    } else if (key == "static_arp") {
      ParseStaticArp(value, scope);
    } else {
      Fail(entry.first,
           "unknown key " + KeyName(key) + " (expected defaults, devices, ping, static_arp)");
    }
  }
  if (!hasDevices || scope->devices.empty()) Fail(root, "the scope lists no devices");
}

// yaml-cpp's message without what it quotes of the text ("invalid node; first invalid key:
// \"...\"", "unknown escape character: x"): the problem's name only.
std::string YamlProblem(const std::string& message) {
  std::string problem = message.substr(0, message.find_first_of(":\"'"));
  while (!problem.empty() && (problem.back() == ' ' || problem.back() == ';')) problem.pop_back();
  return problem.empty() ? "not a YAML document" : problem;
}

}  // namespace

bool ParseScopeText(const std::string& text, const std::string& baseDir, ScopeDocument* scope,
                    std::string* error) {
  ScopeDocument parsed;
  try {
    ParseDocument(YAML::Load(text), baseDir, &parsed);
  } catch (const ScopeError& e) {
    *error = (e.line > 0 ? "line " + std::to_string(e.line) + ": " : std::string()) + e.message;
    return false;
  } catch (const YAML::Exception& e) {
    *error = (e.mark.line >= 0 ? "line " + std::to_string(e.mark.line + 1) + ": " : std::string()) +
             "malformed YAML: " + YamlProblem(e.msg);
    return false;
  }
  *scope = std::move(parsed);
  return true;
}

bool LoadScopeFile(const std::string& path, ScopeDocument* scope, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    *error =
        path + ": " + (std::filesystem::exists(path, ec) ? "not a regular file" : "no such file");
    return false;
  }
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot read the scope file: " + std::strerror(errno);
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    *error = path + ": cannot read the scope file: " + std::strerror(errno);
    return false;
  }
  size_t slash = path.rfind('/');
  std::string baseDir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  if (!ParseScopeText(text.str(), baseDir, scope, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace disco
