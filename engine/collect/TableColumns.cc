#include "engine/collect/TableColumns.h"

#include "host/CDiscoStdRequester.h"

namespace disco {

bool ReadColumn(CDiscoStdRequester& requester, CTolRecord& device, const char* oid,
                Column* column) {
  column->clear();
  std::vector<TolSnmpRow> rows;
  if (!requester.DSRWalkRaw(&device, oid, &rows)) return false;
  // A walk gives its rows in increasing order: each goes in at the end of the map.
  for (TolSnmpRow& row : rows) {
    column->emplace_hint(column->end(), std::move(row.oid), std::move(row.value));
  }
  return true;
}

std::string OctetsAt(const Column& column, const Index& index) {
  auto it = column.find(index);
  if (it == column.end()) return "";
  switch (it->second.kind) {
    case TolSnmpValue::kOctetString:
    case TolSnmpValue::kIpAddress:
    case TolSnmpValue::kOpaque:
      return it->second.bytes;
    default:
      return "";
  }
}

bool IntegerAt(const Column& column, const Index& index, long long* value) {
  auto it = column.find(index);
  if (it == column.end()) return false;
  switch (it->second.kind) {
    case TolSnmpValue::kInteger:
    case TolSnmpValue::kUnsigned:
    case TolSnmpValue::kCounter32:
    case TolSnmpValue::kCounter64:
    case TolSnmpValue::kTimeTicks:
      *value = it->second.integer;
      return true;
    default:
      return false;
  }
}

long IfIndexOf(long long value) {
  if (value >= -2147483648LL && value < 0) return static_cast<long>(value + 4294967296LL);
  return value >= 1 && value <= 4294967295LL ? static_cast<long>(value) : 0;
}

bool IfIndexAt(const Column& column, const Index& index, long* ifIndex) {
  long long value = 0;
  if (!IntegerAt(column, index, &value) || IfIndexOf(value) == 0) return false;
  *ifIndex = IfIndexOf(value);
  return true;
}

std::string IndexText(const Index& index) {
  std::string text;
  for (std::size_t i = 0; i < index.size(); ++i) {
    if (i > 0) text += '.';
    text += std::to_string(index[i]);
  }
  return text;
}

}  // namespace disco
