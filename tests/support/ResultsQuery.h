// Questions the engine's tests ask of a results file.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using Json = nlohmann::json;

// The entry of the list `list` whose `key` is `value` (a null JSON when absent).
const Json& Entry(const Json& list, const std::string& key, const std::string& value);
// The device named `name` (a null JSON when absent).
const Json& DeviceNamed(const Json& results, const std::string& name);
// The value of the field `name` in a rendered field list (null when absent).
Json FieldValue(const Json& fields, const std::string& name);
// "card:port" of a local neighbour, or "if N" without card and port.
std::string PortLabel(const Json& localNeighbour);
// The local neighbour at "card:port" (or "if N") of a device (null when absent).
const Json& LocalAt(const Json& device, const std::string& label);

// A remote neighbour as the test reads it.
struct Remote {
  std::string port;  // the local port it was handed over for
  std::string mac;
  std::string ip;       // "" when not resolved
  std::string edpPeer;  // "card:port" of an EDP neighbour, "" for a forwarding-database one
};
std::vector<Remote> RemotesOf(const Json& device);
