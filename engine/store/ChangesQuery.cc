// `changes`: what differs between two runs. A row is in run R when first_run <= R <= last_run
// (an open row's NULL last_run is the latest run), so the rows of one run and not the other are
// found from their intervals alone.
#include <map>
#include <set>

#include "engine/store/Addresses.h"
#include "engine/store/StoreQueries.h"

namespace disco {
namespace store {

namespace {

const char kHostRows[] =
    "SELECT h.mac, h.ip, h.vlan, d.name, p.name, h.evidence, h.first_run, h.last_run"
    " FROM host_facts h JOIN ports p ON p.id = h.port_id JOIN devices d ON d.id = p.device_id";

const char kLinkRows[] =
    "SELECT da.name, pa.name, db.name, pb.name, l.evidence, l.stp, l.first_seen, l.last_seen,"
    " l.last_run"
    " FROM link_facts l JOIN ports pa ON pa.id = l.port_a JOIN devices da ON da.id = pa.device_id"
    " JOIN ports pb ON pb.id = l.port_b JOIN devices db ON db.id = pb.device_id"
    " WHERE l.first_run <= ? AND (l.last_run IS NULL OR l.last_run >= ?)";

Placement HostRow(const SqlStatement& s) {
  Placement p;
  p.mac = FormatMac(s.Int(0));
  if (!s.IsNull(1)) p.ip = FormatIpv4(s.Int(1));
  p.vlan = static_cast<int>(s.Int(2));
  p.device = s.Text(3);
  p.port = s.Text(4);
  p.evidence = s.Text(5);
  p.firstRun = s.Int(6);
  p.lastRun = s.IsNull(7) ? 0 : s.Int(7);
  p.current = s.IsNull(7);
  return p;
}

bool RunExists(SqlConnection* db, std::int64_t run, bool* exists, std::string* error) {
  *exists = false;
  return ForEachRow(
      db, "SELECT id FROM runs WHERE id = ?", {run}, [&](const SqlStatement&) { *exists = true; },
      error);
}

// Hosts: only the rows of one run and not the other can differ; for their MAC addresses, a row
// the two runs share means the host stayed.
bool HostChanges(SqlConnection* db, ChangesResult* r, std::string* error) {
  std::int64_t from = r->fromRun, to = r->toRun;
  std::map<std::string, std::vector<Placement>> before, after;
  std::map<std::string, std::int64_t> macs;
  bool ok = ForEachRow(
      db,
      std::string(kHostRows) +
          " WHERE (h.first_run <= ? AND h.last_run >= ? AND h.last_run < ?)"
          " OR (h.first_run > ? AND h.first_run <= ? AND (h.last_run IS NULL OR h.last_run >= ?))"
          " ORDER BY h.mac, h.first_run, d.name, p.name, h.vlan",
      {from, from, to, from, to, to},
      [&](const SqlStatement& s) {
        Placement p = HostRow(s);
        macs[p.mac] = s.Int(0);
        (!p.current && p.lastRun < to ? before : after)[p.mac].push_back(p);
      },
      error);
  if (!ok) return false;
  auto stayed = db->Prepare(
      "SELECT count(*) FROM host_facts WHERE mac = ? AND first_run <= ?"
      " AND (last_run IS NULL OR last_run >= ?)",
      error);
  if (!stayed) return false;
  for (const auto& m : macs) {
    if (!stayed->Run({m.second, from, to}, error) || !stayed->Next()) return false;
    bool shared = stayed->Int(0) > 0;
    const std::vector<Placement>& b = before[m.first];
    const std::vector<Placement>& a = after[m.first];
    if (b.empty() && !shared) {
      r->hostsNew.push_back(a.front());
    } else if (a.empty() && !shared) {
      r->hostsGone.push_back(b.front());
    } else if (!a.empty() && !b.empty()) {
      std::set<std::pair<std::string, std::string>> places;
      for (const Placement& p : b) places.emplace(p.device, p.port);
      for (const Placement& p : a) {
        if (places.count({p.device, p.port})) continue;
        r->hostsMoved.push_back({m.first, {b.front().device, b.front().port}, {p.device, p.port}});
        break;
      }
    }
  }
  return true;
}

bool LinkChanges(SqlConnection* db, ChangesResult* r, std::string* error) {
  std::map<std::string, LinkRow> at[2];
  for (int i = 0; i < 2; ++i) {
    std::int64_t run = i == 0 ? r->fromRun : r->toRun;
    bool ok = ForEachRow(
        db, kLinkRows, {run, run},
        [&](const SqlStatement& s) {
          LinkRow l{s.Text(0), s.Text(1), s.Text(2), s.Text(3),  s.Text(4),
                    s.Text(5), s.Int(6),  s.Int(7),  s.IsNull(8)};
          at[i][l.deviceA + '\n' + l.portA + '\n' + l.deviceB + '\n' + l.portB] = l;
        },
        error);
    if (!ok) return false;
  }
  for (const auto& l : at[1]) {
    if (!at[0].count(l.first)) r->linksAdded.push_back(l.second);
  }
  for (const auto& l : at[0]) {
    if (!at[1].count(l.first)) r->linksRemoved.push_back(l.second);
  }
  return true;
}

bool PortChanges(SqlConnection* db, ChangesResult* r, std::string* error) {
  std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> at[2];
  for (int i = 0; i < 2; ++i) {
    std::int64_t run = i == 0 ? r->fromRun : r->toRun;
    bool ok = ForEachRow(
        db,
        "SELECT d.name, p.name, i.status, i.stp FROM interface_facts i"
        " JOIN ports p ON p.id = i.port_id JOIN devices d ON d.id = p.device_id"
        " WHERE i.first_run <= ? AND (i.last_run IS NULL OR i.last_run >= ?)",
        {run, run},
        [&](const SqlStatement& s) {
          at[i][{s.Text(0), s.Text(1)}] = {s.Text(2), s.Text(3)};
        },
        error);
    if (!ok) return false;
  }
  for (const auto& p : at[1]) {
    auto before = at[0].find(p.first);
    if (before == at[0].end() || before->second == p.second) continue;
    r->portsChanged.push_back({p.first.first, p.first.second, before->second.first, p.second.first,
                               before->second.second, p.second.second});
  }
  return true;
}

bool DevicesLost(SqlConnection* db, ChangesResult* r, std::string* error) {
  std::map<std::string, bool> answered[2];
  for (int i = 0; i < 2; ++i) {
    std::int64_t run = i == 0 ? r->fromRun : r->toRun;
    bool ok = ForEachRow(
        db,
        "SELECT d.name, f.answered FROM device_facts f JOIN devices d ON d.id = f.device_id"
        " WHERE f.first_run <= ? AND (f.last_run IS NULL OR f.last_run >= ?)",
        {run, run}, [&](const SqlStatement& s) { answered[i][s.Text(0)] = s.Int(1) != 0; }, error);
    if (!ok) return false;
  }
  for (const auto& d : answered[0]) {
    auto after = answered[1].find(d.first);
    if (d.second && (after == answered[1].end() || !after->second)) {
      r->devicesLost.push_back(d.first);
    }
  }
  return true;
}

}  // namespace

bool ChangesInStore(SqlConnection* db, std::int64_t fromRun, std::int64_t toRun,
                    ChangesResult* result, std::string* error) {
  *result = ChangesResult();
  if (fromRun == 0 || toRun == 0) {
    std::vector<std::int64_t> last;
    if (!ForEachRow(
            db, "SELECT id FROM runs ORDER BY id DESC LIMIT 2", {},
            [&](const SqlStatement& s) { last.push_back(s.Int(0)); }, error)) {
      return false;
    }
    if (toRun == 0 && !last.empty()) toRun = last[0];
    if (fromRun == 0) {
      // The run before `toRun`.
      if (!ForEachRow(
              db, "SELECT max(id) FROM runs WHERE id < ?", {toRun},
              [&](const SqlStatement& s) { fromRun = s.Int(0); }, error)) {
        return false;
      }
    }
    if (fromRun == 0 || toRun == 0) {
      *error = db->Target() + ": the store needs two runs to compare";
      return false;
    }
  }
  for (std::int64_t run : {fromRun, toRun}) {
    bool exists = false;
    if (!RunExists(db, run, &exists, error)) return false;
    if (!exists) {
      *error = db->Target() + ": no run " + std::to_string(run) + " in the store";
      return false;
    }
  }
  if (fromRun >= toRun) {
    *error = "the run to compare from (" + std::to_string(fromRun) +
             ") must be older than the run to compare to (" + std::to_string(toRun) + ")";
    return false;
  }
  result->fromRun = fromRun;
  result->toRun = toRun;
  return HostChanges(db, result, error) && LinkChanges(db, result, error) &&
         PortChanges(db, result, error) && DevicesLost(db, result, error);
}

}  // namespace store
}  // namespace disco
