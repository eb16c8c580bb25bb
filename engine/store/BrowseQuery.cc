// What the web view browses: the switches and links of the latest run, and one switch with all
// that stands behind its ports. Only open rows (last_run NULL) belong to the latest run.
#include <set>

#include "engine/store/Addresses.h"
#include "engine/store/StoreQueries.h"

namespace disco {
namespace store {

namespace {

const char kDeviceRows[] =
    "SELECT d.name, f.address, f.sys_name, f.sys_object_id, f.bridge_mac, f.answered"
    " FROM device_facts f JOIN devices d ON d.id = f.device_id WHERE f.last_run IS NULL";

const char kLinkRows[] =
    "SELECT da.name, pa.name, db.name, pb.name, l.evidence, l.stp, l.first_seen"
    " FROM link_facts l JOIN ports pa ON pa.id = l.port_a JOIN devices da ON da.id = pa.device_id"
    " JOIN ports pb ON pb.id = l.port_b JOIN devices db ON db.id = pb.device_id"
    " WHERE l.last_run IS NULL";

DeviceRow ReadDevice(const SqlStatement& s) {
  DeviceRow d;
  d.name = s.Text(0);
  d.address = s.Text(1);
  d.sysName = s.Text(2);
  d.sysObjectId = s.Text(3);
  if (!s.IsNull(4)) d.bridgeMac = FormatMac(s.Int(4));
  d.answered = s.Int(5) != 0;
  return d;
}

// An open row's interval: from its first run to the latest run's end.
void OpenInterval(const SqlStatement& s, int first, std::int64_t latest, std::int64_t seen,
                  Placement* p) {
  p->firstSeen = s.Int(first);
  p->firstRun = s.Int(first + 1);
  p->lastSeen = seen;
  p->lastRun = latest;
  p->current = true;
}

}  // namespace

bool LinksInStore(SqlConnection* db, const std::string& device, std::vector<LinkRow>* links,
                  std::string* error) {
  links->clear();
  std::int64_t latest = 0, seen = 0;
  if (!LatestRun(db, &latest, &seen, error)) return false;
  std::string sql = kLinkRows;
  SqlRow params;
  if (!device.empty()) {
    // Through the ports' indexes: one switch's links without a look at the others.
    const std::string ports =
        "(SELECT p.id FROM ports p JOIN devices d ON d.id = p.device_id WHERE d.name = ?)";
    sql += " AND (l.port_a IN " + ports + " OR l.port_b IN " + ports + ")";
    params = {device, device};
  }
  return ForEachRow(
      db, sql + " ORDER BY da.name, pa.name, db.name, pb.name", params,
      [&](const SqlStatement& s) {
        links->push_back({s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Text(5),
                          s.Int(6), seen, true});
      },
      error);
}

bool DevicesInStore(SqlConnection* db, std::vector<DeviceRow>* devices, std::string* error) {
  devices->clear();
  std::set<std::string> named;
  bool ok = ForEachRow(
      db, std::string(kDeviceRows) + " ORDER BY d.name", {},
      [&](const SqlStatement& s) {
        devices->push_back(ReadDevice(s));
        named.insert(devices->back().name);
      },
      error);
  std::vector<LinkRow> links;
  if (!ok || !LinksInStore(db, "", &links, error)) return false;
  std::set<std::string> outside;
  for (const LinkRow& l : links) {
    for (const std::string* end : {&l.deviceA, &l.deviceB}) {
      if (!named.count(*end)) outside.insert(*end);
    }
  }
  for (const std::string& name : outside) {
    DeviceRow d;
    d.name = name;
    d.inScope = false;
    devices->push_back(d);
  }
  return true;
}

bool DeviceInStore(SqlConnection* db, const std::string& name, DeviceView* view, bool* found,
                   std::string* error) {
  *view = DeviceView();
  *found = false;
  std::int64_t latest = 0, seen = 0, id = 0;
  bool ok = LatestRun(db, &latest, &seen, error) &&
            ForEachRow(
                db, "SELECT id FROM devices WHERE name = ?", {name},
                [&](const SqlStatement& s) { id = s.Int(0); }, error);
  if (!ok || id == 0 || latest == 0) return ok;
  view->device.name = name;
  ok = ForEachRow(
           db, std::string(kDeviceRows) + " AND d.id = ?", {id},
           [&](const SqlStatement& s) {
             view->device = ReadDevice(s);
             *found = true;
           },
           error) &&
       LinksInStore(db, name, &view->links, error);
  if (!ok) return false;
  if (!*found) {
    if (view->links.empty()) return true;
    view->device.inScope = false;
    *found = true;
  }
  return ForEachRow(
             db,
             "SELECT p.name, i.if_index, i.description, i.status, i.stp, i.vlans"
             " FROM interface_facts i JOIN ports p ON p.id = i.port_id"
             " WHERE p.device_id = ? AND i.last_run IS NULL ORDER BY i.if_index, p.name",
             {id},
             [&](const SqlStatement& s) {
               view->interfaces.push_back(
                   {s.Text(0), s.Int(1), s.Text(2), s.Text(3), s.Text(4), s.Text(5)});
             },
             error) &&
         ForEachRow(
             db,
             "SELECT p.name, n.chassis_id, n.remote_port, n.sys_name, n.address, n.first_seen"
             " FROM neighbour_facts n JOIN ports p ON p.id = n.port_id"
             " WHERE p.device_id = ? AND n.last_run IS NULL ORDER BY p.name, n.id",
             {id},
             [&](const SqlStatement& s) {
               view->neighbours.push_back(
                   {s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Int(5), seen});
             },
             error) &&
         ForEachRow(
             db,
             "SELECT p.name, h.mac, h.ip, h.vlan, h.evidence, v.name,"
             " COALESCE(h.first_seen, f.started), h.first_run"
             " FROM host_facts h JOIN ports p ON p.id = h.port_id JOIN runs f ON f.id = h.first_run"
             " LEFT JOIN vendors v ON v.oui = h.mac / 16777216"
             " WHERE p.device_id = ? AND h.last_run IS NULL ORDER BY p.name, h.mac",
             {id},
             [&](const SqlStatement& s) {
               Placement p;
               p.device = name;
               p.port = s.Text(0);
               p.mac = FormatMac(s.Int(1));
               if (!s.IsNull(2)) p.ip = FormatIpv4(s.Int(2));
               p.vlan = static_cast<int>(s.Int(3));
               p.evidence = s.Text(4);
               p.vendor = s.Text(5);
               OpenInterval(s, 6, latest, seen, &p);
               view->hosts.push_back(p);
             },
             error);
}

}  // namespace store
}  // namespace disco
