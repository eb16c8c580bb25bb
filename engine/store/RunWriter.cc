// One run written as intervals. For each fact table, the open rows (still seen in the store's
// latest run: last_run NULL) are compared with the run's facts as whole tuples: an equal tuple
// leaves its row open, so that it extends to the new run without being written; a new tuple opens
// a row; an open row without its tuple in the run is closed at the previous run (last_run,
// last_seen). A run that changes nothing writes nothing but its runs row.
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "engine/store/Addresses.h"
#include "engine/store/StoreQueries.h"

namespace disco {
namespace store {

namespace {

// A tuple's text, the same for values read back from either database and for new ones.
std::string TupleKey(const SqlRow& row) {
  std::string key;
  for (const SqlValue& v : row) {
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
      key += 'i' + std::to_string(*n);
    } else if (const auto* s = std::get_if<std::string>(&v)) {
      key += 't' + std::to_string(s->size()) + ':' + *s;
    } else {
      key += 'n';
    }
    key += ';';
  }
  return key;
}

class Writer {
 public:
  Writer(SqlConnection* db, const std::function<void(std::int64_t)>& afterRows, std::string* error)
      : m_Db(db), m_AfterRows(afterRows), m_Error(error) {}

  bool Begin(const RunFacts& run) {
    if (!LatestRun(m_Db, &m_Previous, &m_PreviousSeen, m_Error)) return false;
    auto insert = m_Db->Prepare(
        "INSERT INTO runs (started, ended, devices_asked, devices_found, scope, version)"
        " VALUES (?, ?, ?, ?, ?, ?) RETURNING id",
        m_Error);
    if (!insert || !insert->Run({run.started, run.ended, std::int64_t{run.devicesAsked},
                                 std::int64_t{run.devicesFound}, run.scope, run.version},
                                m_Error)) {
      return false;
    }
    if (!insert->Next()) return Fail("the new run got no id");
    m_Run = insert->Int(0);
    m_FirstSeen = run.started;
    return LoadIdentities();
  }

  std::int64_t Run() const { return m_Run; }
  std::int64_t Rows() const { return m_Rows; }

  // Ids of devices and ports, made for the names of the run that the store does not know yet.
  bool Identify(const std::set<std::string>& devices,
                const std::set<std::pair<std::string, std::string>>& ports) {
    std::vector<SqlRow> newDevices, newPorts;
    for (const std::string& d : devices) {
      if (!m_Devices.count(d)) newDevices.push_back({d});
    }
    if (!newDevices.empty() && !(InsertRows("devices", {"name"}, newDevices) && LoadIdentities())) {
      return false;
    }
    for (const auto& p : ports) {
      if (!m_Ports.count(PortKey(m_Devices[p.first], p.second))) {
        newPorts.push_back({m_Devices[p.first], p.second});
      }
    }
    if (!newPorts.empty() &&
        !(InsertRows("ports", {"device_id", "name"}, newPorts) && LoadIdentities())) {
      return false;
    }
    return true;
  }

  std::int64_t Port(const std::string& device, const std::string& port) {
    return m_Ports[PortKey(m_Devices[device], port)];
  }
  std::int64_t Device(const std::string& device) { return m_Devices[device]; }

  // Writes one fact table's rows for the run (value columns only, in `columns` order).
  // `times`: whether the table keeps its rows' first_seen and last_seen (host_facts reads them
  // from runs).
  bool WriteFacts(const std::string& table, const std::vector<std::string>& columns,
                  const std::vector<SqlRow>& rows, bool times = true) {
    std::unordered_map<std::string, SqlValue> open;  // tuple: row locator
    if (m_Previous != 0) {
      std::string sql = std::string("SELECT ") + Locator();
      for (const std::string& c : columns) sql += ", " + c;
      sql += " FROM " + table + " WHERE last_run IS NULL";
      bool ok = ForEachRow(
          m_Db, sql, {},
          [&](const SqlStatement& s) {
            SqlRow values;
            for (size_t i = 0; i < columns.size(); ++i) values.push_back(s.Column(int(i) + 1));
            open.emplace(TupleKey(values), s.Column(0));
          },
          m_Error);
      if (!ok) return false;
    }
    std::vector<SqlRow> fresh;
    std::unordered_set<std::string> written;
    for (const SqlRow& row : rows) {
      std::string key = TupleKey(row);
      if (!written.insert(key).second) continue;  // the same fact twice in one run
      auto it = open.find(key);
      if (it != open.end()) {
        open.erase(it);
      } else {
        SqlRow full = times ? SqlRow{m_FirstSeen, std::monostate(), m_Run, std::monostate()}
                            : SqlRow{m_Run, std::monostate()};
        full.insert(full.end(), row.begin(), row.end());
        fresh.push_back(std::move(full));
      }
    }
    std::vector<SqlValue> ended;
    for (const auto& o : open) ended.push_back(o.second);
    if (!Close(table, ended, times)) return false;
    std::vector<std::string> all = {"first_run", "last_run"};
    if (times) all.insert(all.begin(), {"first_seen", "last_seen"});
    all.insert(all.end(), columns.begin(), columns.end());
    return InsertRows(table, all, fresh);
  }

  // Names the organisations of the OUIs the store does not know yet.
  bool AddVendors(const std::set<std::int64_t>& macs, const OuiVendors& vendors) {
    std::set<std::int64_t> known;
    if (!ForEachRow(
            m_Db, "SELECT oui FROM vendors", {},
            [&](const SqlStatement& s) { known.insert(s.Int(0)); }, m_Error)) {
      return false;
    }
    std::vector<SqlRow> rows;
    for (std::int64_t mac : macs) {
      std::int64_t oui = OuiVendors::Oui(mac);
      std::string name = vendors.Vendor(mac);
      if (!name.empty() && known.insert(oui).second) rows.push_back({oui, name});
    }
    return InsertRows("vendors", {"oui", "name"}, rows);
  }

 private:
  static std::string PortKey(std::int64_t device, const std::string& port) {
    return std::to_string(device) + ':' + port;
  }

  bool Fail(const std::string& why) {
    *m_Error = m_Db->Target() + ": " + why;
    return false;
  }

  // The column that finds a row again within this transaction: the writer holds the write
  // lock, so no other writer moves a row before the updates below.
  const char* Locator() const { return m_Db->Dialect() == SqlDialect::kSqlite ? "rowid" : "ctid"; }

  // Ends rows (by their locators) at the previous run.
  bool Close(const std::string& table, const std::vector<SqlValue>& rows, bool lastSeen) {
    if (rows.empty()) return true;
    auto s = m_Db->Prepare("UPDATE " + table + " SET last_run = ?" +
                               (lastSeen ? ", last_seen = ?" : "") + " WHERE " + Locator() + " = ?",
                           m_Error);
    if (!s) return false;
    for (const SqlValue& row : rows) {
      SqlRow params = lastSeen ? SqlRow{m_Previous, m_PreviousSeen, row} : SqlRow{m_Previous, row};
      if (!s->Run(params, m_Error)) return false;
      if (++m_Rows % 1000 == 0 && m_AfterRows) m_AfterRows(m_Rows);
    }
    return true;
  }

  bool InsertRows(const std::string& table, const std::vector<std::string>& columns,
                  const std::vector<SqlRow>& rows) {
    if (rows.empty()) return true;
    auto inserter = m_Db->Insert(table, columns, m_Error);
    if (!inserter) return false;
    for (const SqlRow& row : rows) {
      if (!inserter->Add(row, m_Error)) return false;
      if (++m_Rows % 1000 == 0 && m_AfterRows) m_AfterRows(m_Rows);
    }
    return inserter->Finish(m_Error);
  }

  bool LoadIdentities() {
    m_Devices.clear();
    m_Ports.clear();
    return ForEachRow(
               m_Db, "SELECT id, name FROM devices", {},
               [&](const SqlStatement& s) { m_Devices[s.Text(1)] = s.Int(0); }, m_Error) &&
           ForEachRow(
               m_Db, "SELECT id, device_id, name FROM ports", {},
               [&](const SqlStatement& s) { m_Ports[PortKey(s.Int(1), s.Text(2))] = s.Int(0); },
               m_Error);
  }

  SqlConnection* m_Db;
  const std::function<void(std::int64_t)>& m_AfterRows;
  std::string* m_Error;
  std::int64_t m_Previous = 0, m_PreviousSeen = 0, m_Run = 0, m_FirstSeen = 0;
  std::int64_t m_Rows = 0;
  std::unordered_map<std::string, std::int64_t> m_Devices, m_Ports;
};

// An optional address: NULL when empty, false when unreadable.
bool OptionalIpv4(const std::string& text, SqlValue* value) {
  std::int64_t ip = 0;
  if (text.empty()) {
    *value = std::monostate();
  } else if (ParseIpv4(text, &ip)) {
    *value = ip;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::int64_t WriteRunFacts(SqlConnection* db, const RunSnapshot& run, const OuiVendors* vendors,
                           const std::function<void(std::int64_t)>& afterRows,
                           std::vector<std::string>* skipped, std::int64_t* written,
                           std::string* error) {
  std::vector<std::string> dropped;
  std::set<std::string> devices;
  std::set<std::pair<std::string, std::string>> ports;
  auto port = [&](const std::string& d, const std::string& p) {
    devices.insert(d);
    ports.emplace(d, p);
  };
  for (const DeviceFact& d : run.devices) devices.insert(d.name);
  for (const InterfaceFact& i : run.interfaces) port(i.device, i.port);
  for (const LinkFact& l : run.links) port(l.deviceA, l.portA), port(l.deviceB, l.portB);
  for (const NeighbourFact& n : run.neighbours) port(n.device, n.port);

  std::vector<SqlRow> hostRows;
  std::vector<const HostFact*> hosts;
  std::set<std::int64_t> macs;
  for (const HostFact& h : run.hosts) {
    std::int64_t mac = 0;
    SqlValue ip;
    if (!ParseMac(h.mac, &mac) || !OptionalIpv4(h.ip, &ip)) {
      dropped.push_back("host '" + h.mac + "' (" + h.ip + ") on " + h.device + ":" + h.port +
                        ": not a MAC or IPv4 address");
      continue;
    }
    port(h.device, h.port);
    macs.insert(mac);
    hostRows.push_back({mac, ip, std::int64_t{0}, std::int64_t{h.vlan}, h.evidence});
    hosts.push_back(&h);
  }

  Writer writer(db, afterRows, error);
  if (!writer.Begin(run.run) || !writer.Identify(devices, ports)) return 0;
  for (size_t i = 0; i < hosts.size(); ++i)
    hostRows[i][2] = writer.Port(hosts[i]->device, hosts[i]->port);

  std::vector<SqlRow> rows;
  for (const DeviceFact& d : run.devices) {
    std::int64_t mac = 0;
    SqlValue bridge;
    if (ParseMac(d.bridgeMac, &mac)) {
      bridge = mac;
      macs.insert(mac);
    } else if (!d.bridgeMac.empty()) {
      dropped.push_back("device " + d.name + ": bridge MAC '" + d.bridgeMac + "' kept as none");
    }
    rows.push_back({bridge, writer.Device(d.name), std::int64_t{d.answered ? 1 : 0}, d.address,
                    d.sysName, d.sysObjectId});
  }
  if (!writer.WriteFacts(
          "device_facts",
          {"bridge_mac", "device_id", "answered", "address", "sys_name", "sys_object_id"}, rows)) {
    return 0;
  }
  rows.clear();
  for (const InterfaceFact& i : run.interfaces) {
    rows.push_back({std::int64_t{i.ifIndex}, writer.Port(i.device, i.port), i.description, i.status,
                    i.stp, i.vlans});
  }
  if (!writer.WriteFacts("interface_facts",
                         {"if_index", "port_id", "description", "status", "stp", "vlans"}, rows)) {
    return 0;
  }
  rows.clear();
  for (const LinkFact& l : run.links) {
    // A link has no direction: its ends are kept in name order.
    bool swap = std::tie(l.deviceB, l.portB) < std::tie(l.deviceA, l.portA);
    std::int64_t a = writer.Port(l.deviceA, l.portA), b = writer.Port(l.deviceB, l.portB);
    rows.push_back({swap ? b : a, swap ? a : b, l.evidence, l.stp});
  }
  if (!writer.WriteFacts("link_facts", {"port_a", "port_b", "evidence", "stp"}, rows)) return 0;
  rows.clear();
  for (const NeighbourFact& n : run.neighbours) {
    rows.push_back({writer.Port(n.device, n.port), n.chassisId, n.portId, n.sysName, n.address});
  }
  if (!writer.WriteFacts("neighbour_facts",
                         {"port_id", "chassis_id", "remote_port", "sys_name", "address"}, rows) ||
      !writer.WriteFacts("host_facts", {"mac", "ip", "port_id", "vlan", "evidence"}, hostRows,
                         false)) {
    return 0;
  }
  if (vendors != nullptr && !writer.AddVendors(macs, *vendors)) return 0;
  if (skipped != nullptr) *skipped = std::move(dropped);
  *written = writer.Rows();
  return writer.Run();
}

}  // namespace store
}  // namespace disco
