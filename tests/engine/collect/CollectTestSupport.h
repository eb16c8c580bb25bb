// What the collector tests share: one device served from a recording, and the collected rows as
// texts that compare and print whole.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/collect/CollectedData.h"
#include "engine/collect/DeviceInterfaces.h"
#include "host/CDiscoSnmprecBackend.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolRecord.h"
#include "host/CTolVarBind.h"

// Whether one of `problems` holds `part`.
inline bool Mentions(const std::vector<std::string>& problems, const std::string& part) {
  for (const std::string& p : problems) {
    if (p.find(part) != std::string::npos) return true;
  }
  return false;
}

// "10:users 20:voice "
inline std::string Ids(const std::vector<disco::VlanRef>& vlans) {
  std::string text;
  for (const disco::VlanRef& v : vlans) text += std::to_string(v.id) + ":" + v.name + " ";
  return text;
}

// A neighbour as "port chassis portSubtype:port name address".
inline std::vector<std::string> Texts(const std::vector<disco::LldpNeighbour>& rows) {
  std::vector<std::string> out;
  for (const auto& n : rows) {
    out.push_back(n.local.label + " " + n.chassisId + " " + n.portIdSubtype + ":" + n.portId + " " +
                  n.systemName + " " + n.managementAddress);
  }
  return out;
}

// An entry as "mac vlan name ifIndex port ip".
inline std::vector<std::string> Texts(const std::vector<disco::VlanFdbEntry>& rows) {
  std::vector<std::string> out;
  for (const auto& e : rows) {
    out.push_back(e.mac + " " + std::to_string(e.vlanId) + " " + e.vlanName + " " +
                  std::to_string(e.local.ifIndex) + " " + e.local.label + " " + e.ip);
  }
  return out;
}

// A bridge port as "bridgePort ifIndex port native untagged | tagged".
inline std::vector<std::string> Texts(const std::vector<disco::PortVlans>& rows) {
  std::vector<std::string> out;
  for (const auto& p : rows) {
    out.push_back(std::to_string(p.bridgePort) + " " + std::to_string(p.local.ifIndex) + " " +
                  p.local.label + " " + std::to_string(p.native.id) + " " + Ids(p.untagged) + "| " +
                  Ids(p.tagged));
  }
  return out;
}

// Device 127.0.0.9 served from `recording`, with `interfaces`; by default 1001 ("1:1"), 1002
// ("1:2") and 3 ("1:3").
struct Device {
  explicit Device(const char* recording, disco::DeviceInterfaces given = Defaults())
      : interfaces(std::move(given)) {
    auto backend = std::make_shared<CDiscoSnmprecBackend>();
    std::string error;
    ok = backend->AddDevice("127.0.0.9", recording, &error);
    EXPECT_TRUE(ok) << error;
    requester.DSRSetSnmpBackend(backend);
    record.RRAddValue(new CTolVarBind("m_Name", "sw"));
    record.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.9"));
  }
  static disco::DeviceInterfaces Defaults() {
    disco::DeviceInterfaces i;
    i.Add(1001, "1:1", "Port 1:1", "00:04:96:60:00:01");
    i.Add(1002, "1:2", "Port 1:2", "00:04:96:60:00:02");
    i.Add(3, "1:3", "Port 3", "00:04:96:60:00:03");
    return i;
  }
  bool ok = false;
  CDiscoStdRequester requester;
  CTolRecord record;
  disco::DeviceInterfaces interfaces;
};
