#include "engine/store/StoreText.h"

#include <iomanip>

#include "engine/base/DeviceText.h"
#include "engine/store/Addresses.h"

namespace disco {
namespace store {

namespace {

// Device data (names, descriptions, LLDP strings) goes to a terminal: escaped and cut as the
// discovery's summary shows it.
std::string Clean(const std::string& text) { return TerminalText(text, 64); }

std::string When(std::int64_t seconds) { return seconds != 0 ? FormatUtc(seconds) : "-"; }

std::string Place(const std::string& device, const std::string& port) {
  return Clean(port.empty() ? device : device + ":" + port);
}

void PrintLink(const LinkRow& l, std::ostream& out) {
  out << "  " << Place(l.deviceA, l.portA) << " <-> " << Place(l.deviceB, l.portB) << "  "
      << Clean(l.evidence) << (l.stp.empty() ? "" : ", " + Clean(l.stp)) << "\n";
}

}  // namespace

void PrintRuns(const std::vector<RunRow>& runs, std::ostream& out) {
  if (runs.empty()) {
    out << "no runs in the store\n";
    return;
  }
  out << std::left << std::setw(6) << "run" << std::setw(22) << "started" << std::setw(22)
      << "ended" << std::setw(10) << "devices" << std::setw(9) << "version"
      << "scope\n";
  for (const RunRow& r : runs) {
    out << std::setw(6) << r.id << std::setw(22) << When(r.started) << std::setw(22)
        << When(r.ended) << std::setw(10)
        << (std::to_string(r.devicesFound) + "/" + std::to_string(r.devicesAsked)) << std::setw(9)
        << Clean(r.version) << Clean(r.scope) << "\n";
  }
}

void PrintQueueRuns(const std::vector<QueueRunRow>& runs, std::ostream& out) {
  if (runs.empty()) return;
  out << "\nruns of the pollers' queue:\n"
      << std::left << std::setw(6) << "id" << std::setw(11) << "state" << std::setw(22)
      << "enqueued" << std::setw(7) << "done" << std::setw(7) << "left" << std::setw(8) << "failed"
      << std::setw(7) << "run"
      << "name\n";
  for (const QueueRunRow& r : runs) {
    out << std::setw(6) << r.id << std::setw(11) << Clean(r.state) << std::setw(22)
        << When(r.enqueued) << std::setw(7) << r.done << std::setw(7) << r.left << std::setw(8)
        << r.failed << std::setw(7) << (r.storeRun != 0 ? std::to_string(r.storeRun) : "-")
        << Clean(r.name) << "\n";
    for (const std::string& failure : r.failures)
      out << "      " << TerminalText(failure, 400) << "\n";
  }
}

void PrintFind(const FindResult& result, std::ostream& out) {
  if (result.matches.empty()) {
    out << "nothing in the store matches '" << Clean(result.query) << "'\n";
    return;
  }
  for (const Placement& p : result.matches) {
    out << (p.current ? "now     " : "before  ") << Place(p.device, p.port);
    if (!p.mac.empty()) out << "  " << p.mac;
    if (!p.ip.empty()) out << "  " << Clean(p.ip);
    if (p.vlan != 0) out << "  vlan " << p.vlan;
    if (!p.name.empty()) out << "  " << Clean(p.name);
    if (!p.vendor.empty()) out << "  (" << Clean(p.vendor) << ")";
    out << "  " << When(p.firstSeen) << " .. " << When(p.lastSeen) << "  " << Clean(p.evidence)
        << "\n";
  }
  if (!result.links.empty()) {
    out << "links:\n";
    for (const LinkRow& l : result.links) PrintLink(l, out);
  }
}

void PrintChanges(const ChangesResult& r, std::ostream& out) {
  out << "changes from run " << r.fromRun << " to run " << r.toRun << "\n";
  bool any = false;
  auto heading = [&](const char* title, size_t count) {
    if (count != 0) out << title << " (" << count << "):\n";
    any = any || count != 0;
  };
  auto host = [&](const Placement& p) {
    out << "  " << p.mac << (p.ip.empty() ? "" : "  " + p.ip) << "  " << Place(p.device, p.port)
        << "\n";
  };
  heading("new hosts", r.hostsNew.size());
  for (const Placement& p : r.hostsNew) host(p);
  heading("hosts gone", r.hostsGone.size());
  for (const Placement& p : r.hostsGone) host(p);
  heading("hosts moved", r.hostsMoved.size());
  for (const HostMove& m : r.hostsMoved) {
    out << "  " << m.mac << "  " << Place(m.from.device, m.from.port) << " -> "
        << Place(m.to.device, m.to.port) << "\n";
  }
  heading("links added", r.linksAdded.size());
  for (const LinkRow& l : r.linksAdded) PrintLink(l, out);
  heading("links removed", r.linksRemoved.size());
  for (const LinkRow& l : r.linksRemoved) PrintLink(l, out);
  heading("ports changed", r.portsChanged.size());
  for (const PortChange& c : r.portsChanged) {
    out << "  " << Place(c.device, c.port) << "  status " << Clean(c.statusFrom) << " -> "
        << Clean(c.statusTo) << ", stp " << Clean(c.stpFrom) << " -> " << Clean(c.stpTo) << "\n";
  }
  heading("devices that stopped answering", r.devicesLost.size());
  for (const std::string& d : r.devicesLost) out << "  " << Clean(d) << "\n";
  if (!any) out << "no changes\n";
}

void PrintIdlePorts(const std::vector<IdlePort>& ports, int days, std::ostream& out) {
  if (ports.empty()) {
    out << "no port without hosts for " << days << " days\n";
    return;
  }
  for (const IdlePort& p : ports) {
    out << Place(p.device, p.port) << "  " << Clean(p.status.empty() ? "-" : p.status) << "  ";
    if (p.lastMac.empty()) {
      out << "no host ever seen\n";
    } else {
      out << "last host " << p.lastMac << " at " << When(p.lastSeen) << "\n";
    }
  }
}

}  // namespace store
}  // namespace disco
