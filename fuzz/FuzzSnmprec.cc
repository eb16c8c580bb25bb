// The .snmprec parser on arbitrary text. What it accepts must read back consistently: every
// instance in strictly increasing OID order, found again by an exact get and by a walk of its
// parent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/CDiscoSnmprecTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  std::shared_ptr<const CDiscoSnmprecTable> table = CDiscoSnmprecTable::Parse(text, &error);
  if (!table) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  TolSnmpRow row;
  TolSnmpRow previous;
  for (size_t i = 0; i < table->Size(); ++i) {
    table->Row(i, &row);
    if (i > 0 && !(previous.oid < row.oid)) std::abort();
    TolSnmpValue value;
    if (!table->Get(row.oid, &value) || value.kind != row.value.kind ||
        value.bytes != row.value.bytes || value.integer != row.value.integer) {
      std::abort();
    }
    if (!row.oid.empty()) {
      std::vector<unsigned long> parent(row.oid.begin(), row.oid.end() - 1);
      std::vector<TolSnmpRow> under;
      table->Walk(parent, &under);
      bool found = false;
      for (const TolSnmpRow& r : under) found = found || r.oid == row.oid;
      if (!found) std::abort();
    }
    previous = row;
  }
  return 0;
}
