// Helpers shared by the net-snmp backend tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/CDiscoSnmpBackend.h"
#include "host/netsnmp/CDiscoNetSnmpBackend.h"
#include "support/SnmpValues.h"
#include "support/Snmpsim.h"

// Skips the test when snmpsimd is not installed; otherwise starts `sim` or fails the test.
#define START_SNMPSIM(sim)                                         \
  do {                                                             \
    if (!Snmpsim::Installed()) GTEST_SKIP() << "snmpsimd missing"; \
    std::string startError;                                        \
    ASSERT_TRUE((sim).Start(&startError)) << startError;           \
  } while (0)

// v1/v2c credentials with a 2 s time-out and one retry.
CDiscoSnmpCredentials Community(
    const std::string& community,
    CDiscoSnmpCredentials::Version version = CDiscoSnmpCredentials::kV2c);

// The numeric form of a dotted identifier (fails the test on bad text).
std::vector<unsigned long> Oid(const std::string& dotted);

// The rows of `snmprec` under `column`, in OID order, as the replay backend reads them.
std::vector<TolSnmpRow> RecordedRows(const std::string& snmprec,
                                     const std::vector<unsigned long>& column);

// Expects `actual` to hold exactly `expected`: same identifiers, kinds and values, in order.
void ExpectSameRows(const std::vector<TolSnmpRow>& expected, const std::vector<TolSnmpRow>& actual);
