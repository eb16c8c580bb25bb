// Record operands of trace messages.
#include "host/TolTrace.h"

#include "host/CTolRecord.h"

std::ostream& operator<<(std::ostream& out, const TolTraceRecord& traced) {
  if (traced.record != nullptr && TolTraceOn(traced.level)) {
    out << traced.record->RRPrintStr(true);  // what RRPrint writes
  }
  return out;
}
