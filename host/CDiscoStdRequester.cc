#include "host/CDiscoStdRequester.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/CDiscoArpService.h"
#include "host/CDiscoPinger.h"
#include "host/CDiscoRefusedValues.h"
#include "host/CDiscoSnmpBackend.h"
#include "host/CTolASN1Address.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolDoubleList.h"
#include "host/CTolError.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolOidTable.h"
#include "host/TolTypes.h"

namespace {

const char kSource[] = "CDiscoStdRequester";

void Report(int code, int line, const std::string& text) {
  CTolError(code, kSource, line, text.c_str());
}

// The table's entry for `oid` (a column or scalar identifier), or null.
const TolOidEntry* EntryOf(const std::vector<unsigned long>& oid) {
  // Resolved once: the table is fixed.
  static const std::vector<std::pair<std::vector<unsigned long>, const TolOidEntry*>> kResolved =
      [] {
        std::vector<std::pair<std::vector<unsigned long>, const TolOidEntry*>> out;
        for (const TolOidEntry& e : TolOidEntries()) {
          std::vector<unsigned long> entryOid;
          if (TolResolveOid(e.oid, &entryOid)) out.emplace_back(std::move(entryOid), &e);
        }
        return out;
      }();
  for (const auto& r : kResolved) {
    if (r.first == oid) return r.second;
  }
  return nullptr;
}

// Whether values of `entry` carry a MAC address; whether its index is one.
bool IsMac(const TolOidEntry* entry) { return entry != nullptr && entry->isMac; }
bool IsMacIndexed(const TolOidEntry* entry) { return entry != nullptr && entry->isMacIndex; }

// An interface's empty ifPhysAddress: IF-MIB's way of saying that it has no address (VLAN and
// loopback interfaces). It is handed over as the empty text it has always been, not counted.
bool IsNoAddress(const TolOidEntry* entry, const TolSnmpValue& value) {
  return IsMac(entry) && value.kind == TolSnmpValue::kOctetString && value.bytes.empty() &&
         std::strcmp(entry->name, "ifPhysAddress") == 0;
}

// A value of a MAC column that is no MAC address: handed over as no value, and counted.
bool IsCountedRefusal(const TolOidEntry* entry, const TolSnmpValue& value) {
  return IsMac(entry) && TolIsRefusedMac(value) && !IsNoAddress(entry, value);
}

// The row's value into `*out`; false when the row has none.
bool ValueAtom(const TolOidEntry* entry, const TolSnmpValue& value, CTolAtom* out) {
  if (IsNoAddress(entry, value)) {
    *out = CTolAtom("");
    return true;
  }
  return TolSnmpValueToAtom(value, IsMac(entry), out);
}

bool IsRefusedMacIndex(const std::vector<unsigned long>& index) {
  if (index.size() != 6) return true;
  return std::any_of(index.begin(), index.end(), [](unsigned long id) { return id > 255; });
}

bool ParseInstance(const char* instance, std::vector<unsigned long>* subIds) {
  if (instance == nullptr || instance[0] == '\0') return true;
  CTolASN1Address* parsed = CTolASN1Address::RAAFromString(instance);
  if (parsed == nullptr) return false;
  *subIds = parsed->RAASubIds();
  delete parsed;
  return true;
}

}  // namespace

void CDiscoStdRequester::DSRSetSnmpBackend(std::shared_ptr<CDiscoSnmpBackend> backend) {
  m_Backend = std::move(backend);
}
void CDiscoStdRequester::DSRSetPinger(std::shared_ptr<CDiscoPinger> pinger) {
  m_Pinger = std::move(pinger);
}
void CDiscoStdRequester::DSRSetArpService(std::shared_ptr<CDiscoArpService> arp) {
  m_Arp = std::move(arp);
}
void CDiscoStdRequester::DSRSetRefusedValues(std::shared_ptr<CDiscoRefusedValues> tally) {
  m_Refused = std::move(tally);
}

CTolSnmpVarOp* CDiscoStdRequester::DSRSnmpGet(CTolRecord* device, const char* object,
                                              const char* instance, const char*) {
  const char* id = DAUFGetEntityIdentifier(device);
  if (device == nullptr || object == nullptr) {
    Report(TOL_ERR_NULL, __LINE__, "SNMP get without device or object");
    return nullptr;
  }
  std::string what =
      std::string(object) + (instance && *instance ? "." : "") + (instance ? instance : "");
  if (!m_Backend) {
    Report(TOL_ERR_FAILED, __LINE__,
           std::string("device ") + id + ": get " + what + ": no SNMP backend configured");
    return nullptr;
  }
  std::vector<unsigned long> column;
  std::vector<unsigned long> index;
  if (!TolResolveOid(object, &column) || !ParseInstance(instance, &index)) {
    Report(TOL_ERR_FAILED, __LINE__,
           std::string("device ") + id + ": get " + what + ": unknown object or bad instance");
    return nullptr;
  }
  CDiscoSnmpTarget target;
  if (!TolTargetOfDevice(*device, &target)) {
    Report(TOL_ERR_MISSING_PART, __LINE__,
           std::string("device ") + id + ": get " + what + ": no usable m_IpAddress/m_SnmpPort");
    return nullptr;
  }
  // A scalar asked for without an instance is read at .0.
  const TolOidEntry* entry = TolFindOidEntry(object);
  if (index.empty() && entry != nullptr && entry->isScalar) index.push_back(0);
  std::vector<unsigned long> oid = column;
  oid.insert(oid.end(), index.begin(), index.end());
  TolSnmpValue value;
  std::string reason;
  int rc = m_Backend->Get(target, oid, &value, &reason);
  if (rc == TOL_ERR_FAILED) return nullptr;     // no such object or instance: a normal answer
  if (rc == TOL_ERR_ABANDONED) return nullptr;  // reported once, with the time-out that gave up
  if (rc != 1) {
    Report(rc < 0 ? rc : TOL_ERR_PROTOCOL, __LINE__,
           std::string("device ") + id + ": get " + what + " failed: " + reason);
    return nullptr;
  }
  const TolOidEntry* columnEntry = EntryOf(column);
  if (m_Refused && IsCountedRefusal(columnEntry, value)) {
    m_Refused->Count(target.DeviceKey(), columnEntry->name, 1);
  }
  CTolAtom atom;
  bool hasValue = ValueAtom(columnEntry, value, &atom);
  return new CTolSnmpVarOp(object, CTolASN1Address(index), std::move(atom), hasValue);
}

bool CDiscoStdRequester::WalkColumn(CTolRecord* device, const char* object,
                                    std::vector<unsigned long>* column,
                                    std::vector<TolSnmpRow>* rows, CDiscoSnmpTarget* walked) {
  rows->clear();
  const char* id = DAUFGetEntityIdentifier(device);
  if (device == nullptr || object == nullptr) {
    Report(TOL_ERR_NULL, __LINE__, "SNMP walk without device or object");
    return false;
  }
  if (!m_Backend) {
    Report(TOL_ERR_FAILED, __LINE__,
           std::string("device ") + id + ": walk " + object + ": no SNMP backend configured");
    return false;
  }
  if (!TolResolveOid(object, column)) {
    Report(TOL_ERR_FAILED, __LINE__,
           std::string("device ") + id + ": walk " + object + ": unknown object");
    return false;
  }
  CDiscoSnmpTarget own;
  CDiscoSnmpTarget& target = walked != nullptr ? *walked : own;
  if (!TolTargetOfDevice(*device, &target)) {
    Report(TOL_ERR_MISSING_PART, __LINE__,
           std::string("device ") + id + ": walk " + object + ": no usable m_IpAddress/m_SnmpPort");
    return false;
  }
  std::string reason;
  int rc = m_Backend->Walk(target, *column, rows, &reason);
  if (rc == TOL_ERR_ABANDONED) {  // reported once, with the time-out that gave up
    rows->clear();
    return false;
  }
  if (rc != 1) {
    rows->clear();
    Report(rc < 0 ? rc : TOL_ERR_PROTOCOL, __LINE__,
           std::string("device ") + id + ": walk " + object + " failed: " + reason);
    return false;
  }
  return true;
}

CTolDoubleList* CDiscoStdRequester::DSRSnmpGetNext(CTolRecord* device, const char* object,
                                                   const char*, const char*) {
  std::vector<unsigned long> column;
  std::vector<TolSnmpRow> rows;
  CDiscoSnmpTarget target;
  if (!WalkColumn(device, object, &column, &rows, &target)) return nullptr;
  const TolOidEntry* columnEntry = EntryOf(column);
  bool isMacIndexed = IsMacIndexed(columnEntry);
  long refusedValues = 0;
  long refusedIndexes = 0;
  CTolDoubleList* list = new CTolDoubleList();
  std::vector<unsigned long> index;
  for (TolSnmpRow& row : rows) {
    // Only rows strictly inside the column are part of it.
    if (row.oid.size() > column.size() &&
        std::equal(column.begin(), column.end(), row.oid.begin())) {
      index.assign(row.oid.begin() + column.size(), row.oid.end());
      if (IsCountedRefusal(columnEntry, row.value)) ++refusedValues;
      if (isMacIndexed && IsRefusedMacIndex(index)) ++refusedIndexes;
      CTolAtom atom;
      bool hasValue = ValueAtom(columnEntry, row.value, &atom);
      list->RDLAddToEnd(
          new CTolSnmpVarOp(object, CTolASN1Address(index), std::move(atom), hasValue));
    }
    // Each raw row goes as soon as it is converted, so that a big column is not held twice.
    std::vector<unsigned long>().swap(row.oid);
    row.value = TolSnmpValue();
  }
  if (m_Refused && columnEntry != nullptr) {
    m_Refused->Count(target.DeviceKey(), columnEntry->name, refusedValues);
    m_Refused->Count(target.DeviceKey(), std::string(columnEntry->name) + " index", refusedIndexes);
  }
  return list;
}

bool CDiscoStdRequester::DSRWalkRaw(CTolRecord* device, const char* object,
                                    std::vector<TolSnmpRow>* rows) {
  std::vector<unsigned long> column;
  if (rows == nullptr || !WalkColumn(device, object, &column, rows)) return false;
  std::size_t kept = 0;
  for (TolSnmpRow& row : *rows) {
    // Only rows strictly inside the column are part of it; their OID becomes their index.
    if (row.oid.size() <= column.size() ||
        !std::equal(column.begin(), column.end(), row.oid.begin())) {
      continue;
    }
    row.oid.erase(row.oid.begin(), row.oid.begin() + static_cast<long>(column.size()));
    if (kept != static_cast<std::size_t>(&row - rows->data())) (*rows)[kept] = std::move(row);
    ++kept;
  }
  rows->resize(kept);
  return true;
}

int CDiscoStdRequester::DSRPingAll(CTolAtomVector* addresses) {
  if (addresses == nullptr) return TOL_ERR_NULL;
  if (!m_Pinger) return TOL_ERR_FAILED;
  std::vector<std::string> texts;
  texts.reserve(addresses->RAVSize());
  for (int i = 0; i < addresses->RAVSize(); ++i) {
    const CTolAtom* a = addresses->RAVGetValue(i);
    if (a == nullptr || a->RAType() == eTolNull) continue;
    std::string text = a->RAText();
    if (!text.empty()) texts.push_back(text);
  }
  return m_Pinger->PingAll(texts);
}

CTolAtomVector* CDiscoStdRequester::DSRGetARP(const char* ip, const char* mac, const char* arg3,
                                              const char* arg4, const char* addressSpace) {
  if (!m_Arp) return nullptr;
  return m_Arp->GetARP(ip, mac, arg3, arg4, addressSpace);
}
