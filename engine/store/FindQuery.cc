// `find`: what the store knows about a MAC address, an IPv4 address, a switch or one of its
// ports, or a name an LLDP neighbour gave.
#include <algorithm>
#include <cctype>

#include "engine/store/Addresses.h"
#include "engine/store/StoreQueries.h"

namespace disco {
namespace store {

namespace {

// Host sightings with where they were, most recent first.
const char kHostRows[] =
    "SELECT h.mac, h.ip, h.vlan, d.name, p.name, h.evidence, v.name,"
    " COALESCE(h.first_seen, f.started),"
    " CASE WHEN r.ended <> 0 THEN r.ended ELSE r.started END, h.first_run, h.last_run"
    " FROM host_facts h JOIN ports p ON p.id = h.port_id JOIN devices d ON d.id = p.device_id"
    " LEFT JOIN vendors v ON v.oui = h.mac / 16777216 JOIN runs f ON f.id = h.first_run"
    " LEFT JOIN runs r ON r.id = h.last_run ";
// Open rows (last_run NULL: seen in the latest run) first.
const char kHostOrder[] =
    " ORDER BY COALESCE(h.last_run, 2147483647) DESC, h.first_run DESC, d.name, p.name, h.vlan";

// The interval of a row from its columns `first` to `first + 3` (first_seen, last_seen,
// first_run, last_run): an open row lasts to the latest run.
void Interval(const SqlStatement& s, int first, std::int64_t latest, std::int64_t latestSeen,
              Placement* p) {
  p->firstSeen = s.Int(first);
  p->firstRun = s.Int(first + 2);
  p->current = s.IsNull(first + 3);
  p->lastSeen = p->current ? latestSeen : s.Int(first + 1);
  p->lastRun = p->current ? latest : s.Int(first + 3);
}

Placement HostPlacement(const SqlStatement& s, std::int64_t latest, std::int64_t latestSeen) {
  Placement p;
  p.mac = FormatMac(s.Int(0));
  if (!s.IsNull(1)) p.ip = FormatIpv4(s.Int(1));
  p.vlan = static_cast<int>(s.Int(2));
  p.device = s.Text(3);
  p.port = s.Text(4);
  p.evidence = s.Text(5);
  p.vendor = s.Text(6);
  Interval(s, 7, latest, latestSeen, &p);
  return p;
}

class Finder {
 public:
  Finder(SqlConnection* db, FindResult* result, std::string* error)
      : m_Db(db), m_Result(result), m_Error(error) {}

  bool Start() { return LatestRun(m_Db, &m_Latest, &m_LatestSeen, m_Error); }

  bool Hosts(const std::string& where, const SqlRow& params) {
    return ForEachRow(
        m_Db, kHostRows + where + kHostOrder, params,
        [&](const SqlStatement& s) {
          m_Result->matches.push_back(HostPlacement(s, m_Latest, m_LatestSeen));
        },
        m_Error);
  }

  // The device names whose name or sysName (either case) or address is `name`.
  bool Devices(const std::string& name, std::vector<std::string>* devices) {
    return ForEachRow(
        m_Db,
        "SELECT DISTINCT d.name FROM devices d LEFT JOIN device_facts f"
        " ON f.device_id = d.id WHERE lower(d.name) = lower(?)"
        " OR lower(f.sys_name) = lower(?) OR f.address = ? ORDER BY d.name",
        {name, name, name}, [&](const SqlStatement& s) { devices->push_back(s.Text(0)); }, m_Error);
  }

  // A switch's own states (address, bridge MAC, sysName) and its links.
  bool Switch(const std::string& device) {
    bool ok = ForEachRow(
        m_Db,
        "SELECT f.bridge_mac, f.address, f.sys_name, f.first_seen, f.last_seen, f.first_run,"
        " f.last_run, v.name FROM device_facts f JOIN devices d ON d.id = f.device_id"
        " LEFT JOIN vendors v ON v.oui = f.bridge_mac / 16777216"
        " WHERE d.name = ? ORDER BY COALESCE(f.last_run, 2147483647) DESC, f.first_run DESC",
        {device},
        [&](const SqlStatement& s) {
          Placement p;
          if (!s.IsNull(0)) p.mac = FormatMac(s.Int(0));
          p.ip = s.Text(1);
          p.name = s.Text(2);
          p.device = device;
          p.evidence = "device";
          Interval(s, 3, m_Latest, m_LatestSeen, &p);
          p.vendor = s.Text(7);
          m_Result->matches.push_back(p);
        },
        m_Error);
    return ok &&
           ForEachRow(
               m_Db,
               "SELECT da.name, pa.name, db.name, pb.name, l.evidence, l.stp, l.first_seen"
               " FROM link_facts l JOIN ports pa ON pa.id = l.port_a"
               " JOIN devices da ON da.id = pa.device_id JOIN ports pb ON pb.id = l.port_b"
               " JOIN devices db ON db.id = pb.device_id WHERE l.last_run IS NULL AND (da.name = ? "
               "OR"
               " db.name = ?) ORDER BY da.name, pa.name, db.name, pb.name",
               {device, device},
               [&](const SqlStatement& s) {
                 m_Result->links.push_back({s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4),
                                            s.Text(5), s.Int(6), m_LatestSeen, true});
               },
               m_Error);
  }

  // Where LLDP neighbours of that system name were heard.
  bool Neighbours(const std::string& name) {
    return ForEachRow(
        m_Db,
        "SELECT n.chassis_id, n.address, n.sys_name, d.name, p.name, n.first_seen, n.last_seen,"
        " n.first_run, n.last_run FROM neighbour_facts n JOIN ports p ON p.id = n.port_id"
        " JOIN devices d ON d.id = p.device_id WHERE lower(n.sys_name) = lower(?)"
        " ORDER BY COALESCE(n.last_run, 2147483647) DESC, n.first_run DESC",
        {name},
        [&](const SqlStatement& s) {
          Placement p;
          std::int64_t mac = 0;
          if (ParseMac(s.Text(0), &mac)) p.mac = FormatMac(mac);
          p.ip = s.Text(1);
          p.name = s.Text(2);
          p.device = s.Text(3);
          p.port = s.Text(4);
          p.evidence = "neighbour";
          Interval(s, 5, m_Latest, m_LatestSeen, &p);
          m_Result->matches.push_back(p);
        },
        m_Error);
  }

 private:
  SqlConnection* m_Db;
  FindResult* m_Result;
  std::string* m_Error;
  std::int64_t m_Latest = 0, m_LatestSeen = 0;
};

}  // namespace

bool FindInStore(SqlConnection* db, const std::string& query, FindResult* result,
                 std::string* error) {
  *result = FindResult();
  result->query = query;
  Finder finder(db, result, error);
  if (!finder.Start()) return false;
  std::int64_t number = 0;
  if (ParseMac(query, &number)) {
    result->kind = "mac";
    return finder.Hosts("WHERE h.mac = ?", {number});
  }
  if (ParseIpv4(query, &number)) {
    result->kind = "ip";
    if (!finder.Hosts("WHERE h.ip = ?", {number})) return false;
    if (!result->matches.empty()) return true;
  }
  std::vector<std::string> devices;
  if (!finder.Devices(query, &devices)) return false;
  if (!devices.empty()) {
    result->kind = "switch";
    for (const std::string& d : devices) {
      if (!finder.Switch(d)) return false;
    }
    return true;
  }
  // "switch:port": the port's name may hold colons too ("1:8"), so try each split.
  for (size_t colon = query.find(':'); colon != std::string::npos;
       colon = query.find(':', colon + 1)) {
    if (!finder.Devices(query.substr(0, colon), &devices)) return false;
    if (devices.empty()) continue;
    result->kind = "port";
    for (const std::string& d : devices) {
      if (!finder.Hosts("WHERE d.name = ? AND p.name = ?", {d, query.substr(colon + 1)})) {
        return false;
      }
    }
    return true;
  }
  result->kind = "name";
  return finder.Neighbours(query);
}

}  // namespace store
}  // namespace disco
