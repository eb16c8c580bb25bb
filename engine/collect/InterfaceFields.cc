#include "engine/collect/InterfaceFields.h"

#include <map>

#include "engine/base/JsonText.h"
#include "engine/collect/DeviceInterfaces.h"
#include "engine/collect/TableColumns.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

namespace disco {

namespace {

bool Has(const CTolVBList& fields, const char* name) { return fields.RVBLFind(name) != nullptr; }

bool AtomInteger(const CTolAtom* atom, long long* out) {
  if (atom == nullptr || atom->RAType() != eTolInteger) return false;
  *out = atom->RAInt64();
  return true;
}

// The VLANs of an interface (InterfaceFields::vlans).
std::string VlanText(const CTolVBList& fields,
                     const std::function<std::string(const std::string&)>& vlanName) {
  std::map<long long, long long> tags;
  const CTolAtom* trunked = FieldValue(fields, "m_TrunkedVlans");
  const CTolAtom* trunkTags = FieldValue(fields, "m_TrunkedVlanTags");
  if (trunked && trunkTags && trunked->RAVector() && trunkTags->RAVector()) {
    const CTolAtomVector& vlans = *trunked->RAVector();
    const CTolAtomVector& tagged = *trunkTags->RAVector();
    for (int i = 0; i < vlans.RAVSize() && i < tagged.RAVSize(); ++i) {
      long long vlan = 0;
      long long tag = 0;
      if (AtomInteger(vlans.RAVGetValue(i), &vlan) && AtomInteger(tagged.RAVGetValue(i), &tag)) {
        tags[vlan] = tag;
      }
    }
  }
  auto one = [&](const CTolVBList& f, bool encapsulated) {
    long long id = 0;
    bool hasId = FieldInteger(f, "m_LocalNbrVlan", &id);
    std::string text = FieldText(f, "m_LocalNbrVlanDescr", "");
    if (vlanName) text = vlanName(text);
    if (hasId) text += (text.empty() ? "" : " ") + std::string("(") + std::to_string(id) + ")";
    if (encapsulated && hasId && tags.count(id)) {
      text += " tag " + std::to_string(tags[id]);
    } else if (encapsulated) {
      text += " tagged";
    }
    return text;
  };
  const CTolAtom* data = FieldValue(fields, "m_LocalNbrVlanData");
  if (data != nullptr && data->RAVector() != nullptr) {
    const CTolAtomVector& entries = *data->RAVector();
    std::string text;
    for (int i = 0; i < entries.RAVSize(); ++i) {
      const CTolAtom* entry = entries.RAVGetValue(i);
      if (entry == nullptr || entry->RAObject() == nullptr) continue;
      long long encapsulated = 0;
      FieldInteger(*entry->RAObject(), "m_Encapsulated", &encapsulated);
      text += (text.empty() ? "" : ", ") + one(*entry->RAObject(), encapsulated != 0);
    }
    return text;
  }
  // One VLAN: it has trunk fields only when the interface carries it encapsulated.
  return one(fields, Has(fields, "m_TrunkedVlans") && !tags.empty());
}

}  // namespace

InterfaceFields ReadInterface(const CTolVBList& f,
                              const std::function<std::string(const std::string&)>& vlanName) {
  InterfaceFields i;
  if (FieldInteger(f, "m_IfIndex", &i.ifIndex)) i.ifIndex = IfIndexOf(i.ifIndex);
  i.label = InterfaceLabel(f);
  i.descr = FieldText(f, "m_IfDescr", "");
  long long v = 0;
  if (FieldInteger(f, "m_LocalNbrStatus", &v)) i.status = IfOperStatusName(v);
  if (FieldInteger(f, "m_StpPortState", &v)) i.stp = StpPortStateName(v);
  i.vlans = VlanText(f, vlanName);
  return i;
}

std::string IfOperStatusName(long long s) {
  static const char* const names[] = {"up",      "down",       "testing",       "unknown",
                                      "dormant", "notPresent", "lowerLayerDown"};
  return s >= 1 && s <= 7 ? names[s - 1] : std::to_string(s);
}

std::string StpPortStateName(long long s) {
  static const char* const names[] = {"disabled", "blocking",   "listening",
                                      "learning", "forwarding", "broken"};
  return s >= 1 && s <= 6 ? names[s - 1] : std::to_string(s);
}

}  // namespace disco
