// SNMP values for tests: a table of every value type as a recording line with the value it must
// give (read by the replay backend's parser and, over SNMP, by the net-snmp backend), and text
// forms that compare and print whole.
#pragma once

#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"

struct SnmpValueRow {
  const char* what;
  const char* line;  // .snmprec line below 1.3.6.1.4.1.99999, rows in increasing OID order
  TolSnmpValue expected;
};
extern const std::vector<SnmpValueRow> kSnmpValueRows;
// The recording of every row of kSnmpValueRows, one line each.
std::string SnmpValueRecording();

// The device "sw-under-test" at `address`:`port`.
CDiscoSnmpTarget TargetOf(const std::string& address, int port = 161);

// "1.3.6.1" from sub-identifiers.
std::string DottedText(const std::vector<unsigned long>& oid);
// A value's kind and every field, as one text that compares and prints as a whole.
std::string ValueText(const TolSnmpValue& value);
