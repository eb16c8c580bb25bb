// A record: an ordered list of named fields (variable bindings). The record owns its list.
// Copies are deep. Not thread-safe.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/CTolBaseRecord.h"
#include "host/CTolVBList.h"

class CTolRecord : public CTolBaseRecord {
 public:
  CTolRecord();
  // Takes ownership of `values` (null gives an empty record).
  explicit CTolRecord(CTolVBList* values);
  CTolRecord(const CTolRecord& other);
  CTolRecord& operator=(const CTolRecord&) = delete;
  ~CTolRecord() override;

  // The value of the first field named `name` (borrowed), or null when absent or valueless.
  CTolAtom* RRValueOf(const char* name) const;
  // Takes ownership of `vb` and appends it; returns 1. Returns TOL_ERR_NULL for null and
  // TOL_ERR_FAILED when the binding is already in a list; the caller keeps `vb` then.
  int RRAddValue(CTolVarBind* vb);
  // A new deep copy of the fields, owned by the caller.
  CTolVBList* RRCopyValues() const;
  // The fields (borrowed).
  const CTolVBList& RRValues() const { return *m_Values; }

  // Writes the record's text form (see RRPrintStr) to standard output; does not flush.
  void RRPrint() const;
  // The record's text form, "{name=value, name=value}" (with `withNames` false: "{value, ...}").
  // Borrowed: valid until the record changes or RRPrintStr is called again.
  const char* RRPrintStr(bool withNames) const;

  // Encoding used on the message bus. ROMEncode appends the encoded record to `out`. ROMDecode
  // replaces the fields with the ones decoded from `bytes`; returns 1, TOL_ERR_NULL for null
  // bytes, TOL_ERR_PROTOCOL for malformed input (the record is then empty).
  void ROMEncode(std::string* out) const;
  int ROMDecode(const unsigned char* bytes, int length);

  CTolListable* RLTargetDeepCopy(const CTolListable* source) override;

 private:
  CTolVBList* m_Values;
  mutable std::unique_ptr<std::string> m_PrintCache;  // made by the first RRPrintStr
};
