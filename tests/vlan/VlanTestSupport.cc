#include "vlan/VlanTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "host/CTolAtomVector.h"
#include "host/CTolHashStore.h"
#include "host/CTolTreeList.h"
#include "support/AgentHarness.h"
#include "support/AtomText.h"

const VlanMib kExtremeMib = {
    "EXTREME-VLAN-MIB",
    {"extremeVlanGlobalMappingIfIndex", "extremeVlanIfGlobalIdentifier", "extremeVlanIfDescr",
     "extremeVlanStackLowerLayer", "extremeVlanEncapsIfTag"},
    {"1.3.6.1.4.1.1916.1.2.1.2.1.4", "1.3.6.1.4.1.1916.1.2.1.2.1.2", "1.3.6.1.4.1.1916.1.2.7.1.1.2",
     "1.3.6.1.4.1.1916.1.2.3.1.1.3"}};
const VlanMib kInventedMib = {
    "invented VLAN MIB",
    {"1.3.6.1.4.1.99999.1.1.1.2", "1.3.6.1.4.1.99999.1.2.1.4", "1.3.6.1.4.1.99999.1.2.1.2",
     "1.3.6.1.4.1.99999.1.7.1.2", "1.3.6.1.4.1.99999.1.3.1.3"},
    {"1.3.6.1.4.1.99999.1.2.1.4", "1.3.6.1.4.1.99999.1.2.1.2", "1.3.6.1.4.1.99999.1.7.1.2",
     "1.3.6.1.4.1.99999.1.3.1.3"}};

std::string VlanRecording(const VlanMib& mib, const std::vector<std::string>& lines) {
  const std::map<std::string, std::string> columns = {{"GID", mib.oids[0]},
                                                      {"DESCR", mib.oids[1]},
                                                      {"STACK", mib.oids[2]},
                                                      {"TAG", mib.oids[3]},
                                                      {"IFDESCR", "1.3.6.1.2.1.2.2.1.2"},
                                                      {"IFTYPE", "1.3.6.1.2.1.2.2.1.3"},
                                                      {"IFSTACK", "1.3.6.1.2.1.31.1.2.1.3"}};
  std::vector<std::string> expanded;
  for (const std::string& line : lines) {
    size_t cut = line.find_first_of(".|");
    auto column = columns.find(line.substr(0, cut));
    expanded.push_back(column == columns.end() ? line : column->second + line.substr(cut));
  }
  return Snmprec(expanded);
}

namespace {

void Append(std::string* text, const std::string& item, const char* sep = " ") {
  *text += (text->empty() ? "" : sep) + item;
}

// Each node of a stored tree rendered by `item`; "-" when nothing is stored under `key`.
std::string RenderTree(const CDiscoMediationData& med, const char* key,
                       const std::function<std::string(const CTolPointer&)>& item) {
  auto* tree = static_cast<CTolTreeList*>(med.DMDGetDataPtr(key));
  if (!tree) return "-";
  std::string text;
  CTolDoubleList* nodes = tree->RTLIterator();
  for (CTolListable* n = nodes->RDLHead(); n; n = nodes->RDLGetNext(n))
    Append(&text, item(*static_cast<const CTolPointer*>(n)));
  return text;
}

}  // namespace

VlanState ReadVlanState(const CDiscoMediationData& med) {
  VlanState state;
  state.store = RenderTree(med, "m_vlanStore", [](const CTolPointer& node) {
    const auto* entry = static_cast<const CTolVarBind*>(node.RPData());
    // An entry is named by the integer ifIndex it is filed under.
    EXPECT_EQ(ShowAtom(entry->RVBName()), node.RPKey());
    std::string vlans;
    const CTolVBList* list = entry->RVBValue()->RAObject();
    for (const CTolVarBind* m = list->RVBLHead(); m; m = list->RVBLGetNext(m))
      Append(&vlans, ShowAtom(m->RVBName()) + "/" + ShowAtom(m->RVBValue()), ",");
    return std::string(node.RPKey()) + ":" + vlans;
  });
  state.descr = RenderTree(med, "m_VlanDescr", [](const CTolPointer& node) {
    return std::string(node.RPKey()) + "='" + static_cast<const char*>(node.RPData()) + "'";
  });
  state.tags = RenderTree(med, "m_VlanToVlanTag", [](const CTolPointer& node) {
    return std::string(node.RPKey()) + "->" + ShowAtom(static_cast<const CTolAtom*>(node.RPData()));
  });
  state.stackStored = med.DMDGetSnmpGetNext("ifStackStatus") != nullptr;
  // The hash store cannot be iterated: look up every ifIndex a test recording uses, and make sure
  // that accounts for every stored port.
  auto* trunks = static_cast<CTolHashStore*>(med.DMDGetDataPtr("m_TrunkIfIndexes"));
  state.trunks = trunks ? "" : "-";
  int found = 0;
  for (unsigned long ifIndex = 0; trunks && ifIndex < 10000; ++ifIndex) {
    if (trunks->RHSRetrieveObject(ifIndex)) {
      Append(&state.trunks, std::to_string(ifIndex));
      ++found;
    }
  }
  EXPECT_EQ(trunks ? trunks->RHSSize() : 0, found) << "a trunk port outside ifIndex 0..9999";
  return state;
}

std::vector<std::string> VlanReports(const CTolErrorLog& log) {
  std::vector<std::string> reports;
  for (const TolErrorRecord& r : log.Records())
    if (r.source == "CDiscoExtreme3ComVlanSwitchAgent")
      reports.push_back(std::to_string(r.code) + ":" + r.text);
  return reports;
}
