#include "engine/collect/VlanFdbCollector.h"

#include "engine/base/JsonText.h"
#include "engine/collect/EngineOids.h"
#include "engine/collect/LldpDecode.h"
#include "engine/collect/TableColumns.h"
#include "host/CTolRecord.h"
#include "host/TolSnmpValue.h"

namespace disco {

namespace {

constexpr int kLearned = 3;
constexpr int kMgmt = 5;

// 802.1Q VLAN ids: 0 and 4095 are reserved, anything else is no VLAN.
bool VlanIdInRange(long long id) { return id >= 1 && id <= 4094; }

// Counts rows of one kind of trouble and keeps the first as an example.
struct Trouble {
  long count = 0;
  std::string first;
  void Add(const std::string& example) {
    if (count++ == 0) first = example;
  }
  void Report(const std::string& table, const std::string& what,
              std::vector<std::string>* problems) const {
    if (count == 0) return;
    problems->push_back(table + ": " + std::to_string(count) + " row" + (count == 1 ? " " : "s ") +
                        what + " (first: " + first + ")");
  }
};

// The six sub-identifiers of `index` from `at` as a MAC text; false when they are no octets.
bool MacAt(const Index& index, std::size_t at, std::string* mac) {
  if (index.size() < at + 6) return false;
  std::string octets;
  for (std::size_t i = at; i < at + 6; ++i) {
    if (index[i] > 255) return false;
    octets += static_cast<char>(index[i]);
  }
  *mac = TolFormatMac(octets);
  return true;
}

struct Vlan {
  long id = 0;
  std::string name;
};

// The rows of one forwarding table, already split into MAC, VLAN and port.
struct Row {
  std::string mac;
  Vlan vlan;
  bool vlanKnown = false;
  long long port = 0;  // ifIndex
  bool portKnown = false;
  long long status = 0;
  bool statusKnown = false;
};

void Keep(const std::string& table, const std::vector<Row>& rows,
          const DeviceInterfaces& interfaces, const MacToIp& ipOf, DeviceCollections* out) {
  Trouble noStatus, noVlan, noInterface, noPort;
  out->vlanFdb.reserve(out->vlanFdb.size() + rows.size());
  for (const Row& r : rows) {
    std::string example = "MAC " + r.mac + " VLAN " + std::to_string(r.vlan.id);
    if (!r.statusKnown) {
      noStatus.Add(example);
      continue;
    }
    if (r.status != kLearned && r.status != kMgmt) continue;
    VlanFdbEntry e;
    e.mac = r.mac;
    e.vlanId = r.vlan.id;
    e.vlanName = r.vlan.name;
    e.status = static_cast<int>(r.status);
    if (!r.vlanKnown) noVlan.Add(example);
    if (r.portKnown && !interfaces.Find(static_cast<long>(r.port), &e.local)) {
      e.local.ifIndex = static_cast<long>(r.port);
      noInterface.Add(example + " port ifIndex " + std::to_string(r.port));
    } else if (!r.portKnown && r.status != kMgmt) {
      // A management entry names no port: it is the switch's own address.
      noPort.Add(example);
    }
    if (ipOf) e.ip = ipOf(e.mac);
    if (e.local.label.empty() && r.status == kLearned) ++out->fdbWithoutPort;
    out->vlanFdb.push_back(std::move(e));
  }
  noStatus.Report(table, "without status, left out", &out->problems);
  noVlan.Report(table, "in a VLAN the switch does not describe", &out->problems);
  noInterface.Report(table, "on a port that is no interface of the device", &out->problems);
  noPort.Report(table, "on no port (the switch maps the bridge port to no interface)",
                &out->problems);
}

// The VLAN of an Extreme forwarding row, from the VLAN interface's ifIndex that indexes it
// (extremeVlanIfVlanId, extremeVlanIfDescr); an id out of 1..4094 is reported and taken as
// unknown.
void ExtremeVlan(const Column& vlanIds, const Column& vlanNames, unsigned long vlanIfIndex,
                 Trouble* badVlan, Row* r) {
  long long id = 0;
  r->vlanKnown = IntegerAt(vlanIds, {vlanIfIndex}, &id);
  if (r->vlanKnown && !VlanIdInRange(id)) {
    badVlan->Add("MAC " + r->mac + " VLAN id " + std::to_string(id));
    r->vlanKnown = false;
    id = 0;
  }
  r->vlan.id = static_cast<long>(id);
  r->vlan.name = PrintableOrHex(OctetsAt(vlanNames, {vlanIfIndex}));
}

// Reads a row's MAC address and the ifIndex of its VLAN from its index (and the key column's
// value); false for a malformed row.
using ExtremeRowKey = bool (*)(const Index& index, const Column& keys, std::string* mac,
                               unsigned long* vlanIfIndex);

// The rows of one of Extreme's forwarding tables, keyed by the column `keys` (which the switch
// has): each with its VLAN, its port's ifIndex from `ports` and its status from the column at
// `statusOid`. Rows `key` cannot read are left out and counted in a problem: `table` with what
// `malformed` says.
void ReadExtremeRows(CDiscoStdRequester& requester, CTolRecord& device, const Column& keys,
                     const Column& ports, const char* statusOid, ExtremeRowKey key,
                     const std::string& table, const std::string& malformed, std::vector<Row>* rows,
                     std::vector<std::string>* problems) {
  Column status, vlanIds, vlanNames;
  ReadColumn(requester, device, statusOid, &status);
  ReadColumn(requester, device, oids::kExtremeVlanIfVlanId, &vlanIds);
  ReadColumn(requester, device, oids::kExtremeVlanIfDescr, &vlanNames);
  long rowsLeftOut = 0;
  Trouble badVlan;
  rows->reserve(rows->size() + keys.size());
  for (const auto& entry : keys) {
    const Index& index = entry.first;
    Row r;
    unsigned long vlanIfIndex = 0;
    if (!key(index, keys, &r.mac, &vlanIfIndex)) {
      ++rowsLeftOut;
      continue;
    }
    ExtremeVlan(vlanIds, vlanNames, vlanIfIndex, &badVlan, &r);
    long ifIndex = 0;
    r.portKnown = IfIndexAt(ports, index, &ifIndex);
    r.port = ifIndex;
    r.statusKnown = IntegerAt(status, index, &r.status);
    rows->push_back(std::move(r));
  }
  if (rowsLeftOut > 0) {
    problems->push_back(table + ": " + std::to_string(rowsLeftOut) + " rows with " + malformed +
                        " left out");
  }
  badVlan.Report("extremeVlanIfVlanId", "with a VLAN id outside 1..4094, taken as no VLAN",
                 problems);
}

// extremeFdbMacExosFdbTable, indexed by MAC address and the VLAN's ifIndex; false when the
// switch has none.
bool ReadExos(CDiscoStdRequester& requester, CTolRecord& device, std::vector<Row>* rows,
              std::vector<std::string>* problems) {
  Column ports;
  if (!ReadColumn(requester, device, oids::kExosFdbPortIfIndex, &ports) || ports.empty()) {
    return false;
  }
  auto key = [](const Index& index, const Column&, std::string* mac, unsigned long* vlan) {
    if (index.size() != 7 || !MacAt(index, 0, mac)) return false;
    *vlan = index[6];
    return true;
  };
  ReadExtremeRows(requester, device, ports, ports, oids::kExosFdbStatus, key,
                  "extremeFdbMacExosFdbTable", "a malformed index", rows, problems);
  return true;
}

// extremeFdbMacFdbTable of the older switches, indexed by the VLAN's ifIndex and a row number,
// with the MAC address as a column; false when the switch has none.
bool ReadLegacyExtreme(CDiscoStdRequester& requester, CTolRecord& device, std::vector<Row>* rows,
                       std::vector<std::string>* problems) {
  Column macs;
  if (!ReadColumn(requester, device, oids::kExtremeFdbMacAddress, &macs) || macs.empty()) {
    return false;
  }
  Column ports;
  ReadColumn(requester, device, oids::kExtremeFdbPortIfIndex, &ports);
  auto key = [](const Index& index, const Column& keys, std::string* mac, unsigned long* vlan) {
    std::string octets = OctetsAt(keys, index);
    if (index.size() != 2 || octets.size() != 6) return false;
    *mac = TolFormatMac(octets);
    *vlan = index[0];
    return true;
  };
  ReadExtremeRows(requester, device, macs, ports, oids::kExtremeFdbStatus, key,
                  "extremeFdbMacFdbTable", "a malformed index or MAC address", rows, problems);
  return true;
}

// dot1qTpFdbTable; false when the switch has no row there.
bool ReadQBridge(CDiscoStdRequester& requester, CTolRecord& device, const BridgePorts* bridgePorts,
                 std::vector<Row>* rows, std::vector<std::string>* problems) {
  Column ports;
  if (!ReadColumn(requester, device, oids::kDot1qTpFdbPort, &ports) || ports.empty()) {
    return false;
  }
  Column status, fdbIds, names;
  ReadColumn(requester, device, oids::kDot1qTpFdbStatus, &status);
  ReadColumn(requester, device, oids::kDot1qVlanFdbId, &fdbIds);
  ReadColumn(requester, device, oids::kDot1qVlanStaticName, &names);
  BridgePorts ownMapping;
  if (bridgePorts == nullptr) {
    ownMapping = BridgePorts(requester, device);
    bridgePorts = &ownMapping;
  }
  // Filtering database -> VLAN; with shared learning several VLANs use one database, and the
  // lowest VLAN id names it.
  std::map<unsigned long, Vlan> vlanOf;
  Trouble badVlan;
  for (const auto& [index, value] : fdbIds) {
    long long fdbValue = 0;
    if (index.size() != 2 || !IntegerAt(fdbIds, index, &fdbValue)) continue;
    if (!VlanIdInRange(static_cast<long long>(index[1]))) {
      badVlan.Add("VLAN id " + std::to_string(index[1]));
      continue;
    }
    unsigned long fdbId = static_cast<unsigned long>(fdbValue);
    long vlanId = static_cast<long>(index[1]);
    auto it = vlanOf.find(fdbId);
    if (it == vlanOf.end() || vlanId < it->second.id) {
      vlanOf[fdbId] = Vlan{vlanId, PrintableOrHex(OctetsAt(names, {index[1]}))};
    }
  }
  badVlan.Report("dot1qVlanCurrentTable", "with a VLAN id outside 1..4094, left out", problems);
  long malformed = 0;
  for (const auto& [index, value] : ports) {
    Row r;
    if (index.size() != 7 || !MacAt(index, 1, &r.mac)) {
      ++malformed;
      continue;
    }
    auto vlan = vlanOf.find(index[0]);
    r.vlanKnown = vlan != vlanOf.end();
    if (r.vlanKnown) r.vlan = vlan->second;
    long long bridgePort = 0;
    long ifIndex = 0;
    r.portKnown =
        IntegerAt(ports, index, &bridgePort) && bridgePorts->IfIndexOf(bridgePort, &ifIndex);
    r.port = ifIndex;
    r.statusKnown = IntegerAt(status, index, &r.status);
    rows->push_back(std::move(r));
  }
  if (malformed > 0) {
    problems->push_back("dot1qTpFdbTable: " + std::to_string(malformed) +
                        " rows with a malformed index left out");
  }
  return true;
}

}  // namespace

bool CollectVlanFdb(CDiscoStdRequester& requester, CTolRecord& device,
                    const DeviceInterfaces& interfaces, const MacToIp& ipOf, DeviceCollections* out,
                    const BridgePorts* bridgePorts) {
  out->fdbRead = true;
  bool found = true;
  std::vector<Row> rows;
  if (ReadExos(requester, device, &rows, &out->problems)) {
    out->fdbSource = "extremeFdbMacExosFdbTable";
  } else if (ReadLegacyExtreme(requester, device, &rows, &out->problems)) {
    out->fdbSource = "extremeFdbMacFdbTable";
  } else {
    out->fdbSource = "dot1qTpFdbTable";
    found = ReadQBridge(requester, device, bridgePorts, &rows, &out->problems);
  }
  Keep(out->fdbSource, rows, interfaces, ipOf, out);
  return found;
}

}  // namespace disco
