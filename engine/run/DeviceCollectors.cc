#include "engine/run/DeviceCollectors.h"

#include <map>
#include <memory>
#include <string>

#include "engine/base/JsonText.h"
#include "engine/collect/InterfaceCollector.h"
#include "engine/collect/LldpCollector.h"
#include "engine/collect/PortVlanCollector.h"
#include "host/CDiscoArpService.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

std::string IpFromArp(CDiscoArpService& arp, const std::string& mac, const std::string& space) {
  std::unique_ptr<CTolAtomVector> answer(
      arp.GetARP(nullptr, mac.c_str(), nullptr, nullptr, space.empty() ? nullptr : space.c_str()));
  if (!answer || answer->RAVSize() == 0) return "";
  const CTolAtom* host = answer->RAVGetValue(0);
  if (host == nullptr || host->RAObject() == nullptr) return "";
  return FieldText(*host->RAObject(), "m_HostIp", "");
}

}  // namespace

void RunCollectors(CDiscoStdRequester& requester, CDiscoArpService& arp, FdbMode mode,
                   DeviceRun& d) {
  if (!d.proc) return;
  // The engine's own interface list names every interface, the agent's labels kept where its
  // numbering holds; without one (no ifTable), the agent's interfaces are all there is.
  std::map<long, std::string> agentLabels;
  for (const CTolVBList* local : d.proc->DPDLocalNbrs()) {
    long long ifIndex = 0;
    if (FieldInteger(*local, "m_IfIndex", &ifIndex)) {
      agentLabels.emplace(static_cast<long>(ifIndex), InterfaceLabel(*local));
    }
  }
  CollectInterfaces(requester, *d.record, agentLabels, &d.collected);
  DeviceInterfaces interfaces = d.collected.interfaces.empty()
                                    ? DeviceInterfaces(*d.proc)
                                    : DeviceInterfaces(d.collected.interfaces);
  CollectLldp(requester, *d.record, interfaces, &d.collected);
  BridgePorts bridgePorts(requester, *d.record);
  CollectPortVlans(requester, *d.record, bridgePorts, interfaces, &d.collected);
  bool fdbOff = d.entry.downloadFdb && !*d.entry.downloadFdb;
  bool read = mode == FdbMode::kAlways || (mode == FdbMode::kAuto && !fdbOff);
  if (!read) return;
  const std::string space = d.entry.addressSpace;
  bool found = CollectVlanFdb(
      requester, *d.record, interfaces,
      [&arp, &space](const std::string& mac) { return IpFromArp(arp, mac, space); }, &d.collected,
      &bridgePorts);
  // Without --fdb always, a device that has none of the tables has nothing to report.
  if (!found && mode == FdbMode::kAuto) d.collected.fdbRead = false;
}

}  // namespace disco
