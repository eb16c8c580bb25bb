#include "host/CDiscoSnmprecBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/TolTypes.h"

namespace {

bool ParseOid(const std::string& text, std::vector<unsigned long>* oid) {
  size_t i = (!text.empty() && text[0] == '.') ? 1 : 0;
  if (i >= text.size()) return false;
  while (i < text.size()) {
    if (text[i] < '0' || text[i] > '9') return false;
    unsigned long long v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      v = v * 10 + static_cast<unsigned long long>(text[i] - '0');
      if (v > 0xFFFFFFFFull) return false;
      ++i;
    }
    oid->push_back(static_cast<unsigned long>(v));
    if (i < text.size()) {
      if (text[i] != '.' || i + 1 == text.size()) return false;
      ++i;
    }
  }
  return true;
}

// Whole-text decimal numbers, no white space.
bool ParseSigned(const std::string& text, long long lo, long long hi, long long* out) {
  if (text.empty() || text[0] == ' ' || text[0] == '\t') return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ParseUnsigned(const std::string& text, unsigned long long hi, unsigned long long* out) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v > hi) return false;
  *out = v;
  return true;
}

bool ParseHex(const std::string& text, std::string* out) {
  if (text.size() % 2 != 0) return false;
  std::string bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    int v = 0;
    for (size_t k = i; k < i + 2; ++k) {
      char c = text[k];
      int d = (c >= '0' && c <= '9')   ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                       : -1;
      if (d < 0) return false;
      v = v * 16 + d;
    }
    bytes += static_cast<char>(v);
  }
  *out = bytes;
  return true;
}

bool ParseIpText(const std::string& text, std::string* out) {
  std::vector<unsigned long> parts;
  if (text.empty() || text[0] == '.' || !ParseOid(text, &parts) || parts.size() != 4) return false;
  std::string bytes;
  for (unsigned long p : parts) {
    if (p > 255) return false;
    bytes += static_cast<char>(p);
  }
  *out = bytes;
  return true;
}

// Parses one "OID|type|value" line into `row`; on failure says why in `reason`.
bool ParseLine(const std::string& line, TolSnmpRow* row, std::string* reason) {
  size_t bar1 = line.find('|');
  size_t bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
  if (bar2 == std::string::npos) {
    *reason = "expected OID|type|value";
    return false;
  }
  std::string oidText = line.substr(0, bar1);
  std::string type = line.substr(bar1 + 1, bar2 - bar1 - 1);
  std::string value = line.substr(bar2 + 1);

  if (!ParseOid(oidText, &row->oid)) {
    *reason = "bad OID '" + oidText + "'";
    return false;
  }
  bool hex = !type.empty() && (type.back() == 'x' || type.back() == 'X');
  std::string tag = hex ? type.substr(0, type.size() - 1) : type;
  unsigned long long tagNumber = 0;
  if (!ParseUnsigned(tag, 255, &tagNumber)) {
    *reason = "bad type '" + type + "'";
    return false;
  }
  if (hex && tagNumber != 4 && tagNumber != 64 && tagNumber != 68) {
    *reason = "hex value not allowed for type " + tag;
    return false;
  }
  std::string octets;
  if (hex && !ParseHex(value, &octets)) {
    *reason = "bad hex value '" + value + "'";
    return false;
  }

  TolSnmpValue& v = row->value;
  long long s = 0;
  unsigned long long u = 0;
  switch (tagNumber) {
    case 2:
      if (!ParseSigned(value, -2147483648LL, 2147483647LL, &s)) {
        *reason = "bad INTEGER '" + value + "'";
        return false;
      }
      v.kind = TolSnmpValue::kInteger;
      v.integer = s;
      return true;
    case 4:
      v.kind = TolSnmpValue::kOctetString;
      v.bytes = hex ? octets : value;
      return true;
    case 5:
      v.kind = TolSnmpValue::kNull;
      return true;
    case 6:
      if (!ParseOid(value, &v.oid)) {
        *reason = "bad OBJECT IDENTIFIER '" + value + "'";
        return false;
      }
      v.kind = TolSnmpValue::kObjectId;
      return true;
    case 64:
      if (hex ? octets.size() != 4 : !ParseIpText(value, &octets)) {
        *reason = "bad IpAddress '" + value + "'";
        return false;
      }
      v.kind = TolSnmpValue::kIpAddress;
      v.bytes = octets;
      return true;
    case 65:
    case 66:
    case 67:
      if (!ParseUnsigned(value, 0xFFFFFFFFull, &u)) {
        *reason = "bad unsigned 32-bit value '" + value + "'";
        return false;
      }
      v.kind = tagNumber == 65   ? TolSnmpValue::kCounter32
               : tagNumber == 66 ? TolSnmpValue::kUnsigned
                                 : TolSnmpValue::kTimeTicks;
      v.integer = static_cast<long long>(u);
      return true;
    case 68:
      v.kind = TolSnmpValue::kOpaque;
      v.bytes = hex ? octets : value;
      return true;
    case 70:
      if (!ParseUnsigned(value, ~0ull, &u)) {
        *reason = "bad Counter64 '" + value + "'";
        return false;
      }
      v.kind = TolSnmpValue::kCounter64;
      v.integer = static_cast<long long>(u);  // values above 2^63-1 wrap, as in a signed atom
      return true;
    default:
      *reason = "unsupported type " + tag;
      return false;
  }
}

bool StartsWith(const std::vector<unsigned long>& oid, const std::vector<unsigned long>& prefix) {
  return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

bool RowLess(const TolSnmpRow& r, const std::vector<unsigned long>& oid) { return r.oid < oid; }

}  // namespace

bool TolParseSnmprec(const std::string& text, std::vector<TolSnmpRow>* rows, std::string* error) {
  std::map<std::vector<unsigned long>, TolSnmpValue> byOid;  // sorted; a repeated OID: last wins
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    TolSnmpRow row;
    std::string reason;
    if (!ParseLine(line, &row, &reason)) {
      if (error) *error = "line " + std::to_string(number) + ": " + reason;
      return false;
    }
    byOid[std::move(row.oid)] = std::move(row.value);
  }
  if (rows) {
    rows->clear();
    rows->reserve(byOid.size());
    for (auto& kv : byOid) rows->push_back(TolSnmpRow{kv.first, std::move(kv.second)});
  }
  return true;
}

bool CDiscoSnmprecBackend::AddDevice(const std::string& address, const std::string& snmprecText,
                                     std::string* error, int port) {
  if (address.empty() || port < -1 || port == 0 || port > 65535) {
    if (error) *error = "bad device address '" + address + ":" + std::to_string(port) + "'";
    return false;
  }
  auto rows = std::make_shared<std::vector<TolSnmpRow>>();
  if (!TolParseSnmprec(snmprecText, rows.get(), error)) return false;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Devices[address + ":" + std::to_string(port)] = std::move(rows);
  return true;
}

bool CDiscoSnmprecBackend::AddDeviceFile(const std::string& address, const std::string& path,
                                         std::string* error, int port) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::stringstream s;
  s << in.rdbuf();
  return AddDevice(address, s.str(), error, port);
}

std::shared_ptr<const std::vector<TolSnmpRow>> CDiscoSnmprecBackend::Find(
    const CDiscoSnmpTarget& target) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Devices.find(target.Key());
  if (it == m_Devices.end()) it = m_Devices.find(target.address + ":-1");
  return it == m_Devices.end() ? nullptr : it->second;
}

// A device without a recording behaves like a device that does not answer: a time-out.
int CDiscoSnmprecBackend::Get(const CDiscoSnmpTarget& target,
                              const std::vector<unsigned long>& oid, TolSnmpValue* value,
                              std::string* reason) {
  ++m_Requests;
  auto rows = Find(target);
  if (!rows) {
    if (reason) *reason = "no answer from " + target.Key() + " (no recording)";
    return TOL_ERR_TIMEOUT;
  }
  auto it = std::lower_bound(rows->begin(), rows->end(), oid, RowLess);
  if (it == rows->end() || it->oid != oid) {
    if (reason) *reason = "no such instance";
    return TOL_ERR_FAILED;
  }
  if (value) *value = it->value;
  return 1;
}

int CDiscoSnmprecBackend::Walk(const CDiscoSnmpTarget& target,
                               const std::vector<unsigned long>& column,
                               std::vector<TolSnmpRow>* rows, std::string* reason) {
  ++m_Requests;
  if (rows) rows->clear();
  auto recording = Find(target);
  if (!recording) {
    if (reason) *reason = "no answer from " + target.Key() + " (no recording)";
    return TOL_ERR_TIMEOUT;
  }
  auto it = std::lower_bound(recording->begin(), recording->end(), column, RowLess);
  for (; it != recording->end() && StartsWith(it->oid, column); ++it) {
    if (it->oid.size() > column.size() && rows) rows->push_back(*it);
  }
  return 1;
}
