// Agent traces. A trace message is written to standard output and flushed when the engine-wide
// trace level (host/TolDebug.h) is at least the message's level: 1 notable events, 2 and 3 entry
// and exit of operations, 4 record dumps and per-row detail.
#pragma once

#include <iostream>

#include "host/TolDebug.h"

class CTolRecord;

// The current trace level.
inline int TolTraceLevel() { return __Tolvane_Debug_Level; }

// True when messages of `level` are written at the current trace level.
inline bool TolTraceOn(int level) { return TolTraceLevel() >= level; }

// TOL_TRACE(level, a << b << ...): when messages of `level` are written, writes a, b, ... to
// std::cout and flushes it; otherwise evaluates no operand of the message. The message is a chain
// of `<<` operands (parenthesise any other operator inside it) and carries its own line ends; a
// std::endl inside it flushes there too. A single statement: safe as the body of an if or else.
#define TOL_TRACE(level, message)         \
  do {                                    \
    if (TolTraceOn(level)) {              \
      std::cout << message << std::flush; \
    }                                     \
  } while (false)

// An operand of a trace message: the text form of `record` (what CTolRecord::RRPrint writes) when
// the record is non-null and messages of `level` are written; nothing otherwise. The record is
// borrowed and must outlive the message.
struct TolTraceRecord {
  explicit TolTraceRecord(const CTolRecord* traced, int atLevel = 0)
      : record(traced), level(atLevel) {}
  const CTolRecord* record;
  int level;
};

std::ostream& operator<<(std::ostream& out, const TolTraceRecord& traced);
