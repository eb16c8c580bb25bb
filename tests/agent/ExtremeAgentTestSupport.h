// Shared by the Extreme agent's tests: the agent with its protected steps reachable, a capture of
// the trace output, and a typed text form of fields (integers bare, texts quoted, vectors in [],
// objects in {}) so that expected records can be written as one readable line each.
#pragma once

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "agent/CDiscoExtremeSwitchAgent.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolRecord.h"
#include "host/CTolVBList.h"
#include "host/TolDebug.h"

class TestExtremeAgent : public CDiscoExtremeSwitchAgent {
 public:
  using CDiscoExtremeSwitchAgent::DESAAddCard;
  using CDiscoExtremeSwitchAgent::DESAAddDescription;
  using CDiscoExtremeSwitchAgent::DESAAddIPIfIndexAndStatusBinds;
  using CDiscoExtremeSwitchAgent::DESAAddLocalNeighbour;
  using CDiscoExtremeSwitchAgent::DESAAddPort;
  using CDiscoExtremeSwitchAgent::DESAAddStpPortState;
  using CDiscoExtremeSwitchAgent::DESACleanUpMemory;
  using CDiscoExtremeSwitchAgent::DESAIfIndex2Card;
  using CDiscoExtremeSwitchAgent::DESAIfIndex2Port;
  using CDiscoExtremeSwitchAgent::DSADownloadAgingTime;
  using CDiscoExtremeSwitchAgent::DSADownloadFdbTable;
  using CDiscoExtremeSwitchAgent::DSAProcessFdbTable;
};

// Sets the trace level and collects standard output while it lives.
class TraceCapture {
 public:
  explicit TraceCapture(int level) : m_Level(__Tolvane_Debug_Level) {
    __Tolvane_Debug_Level = level;
    m_Old = std::cout.rdbuf(m_Text.rdbuf());
  }
  ~TraceCapture() {
    std::cout.rdbuf(m_Old);
    __Tolvane_Debug_Level = m_Level;
  }
  std::string Text() const { return m_Text.str(); }
  bool Has(const std::string& line) const { return Text().find(line) != std::string::npos; }
  int Count(const std::string& line) const {
    const std::string text = Text();
    int n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
  }

 private:
  int m_Level;
  std::stringstream m_Text;
  std::streambuf* m_Old;
};

// Each line of `lines` must appear in `trace`.
#define EXPECT_TRACES(trace, ...) \
  for (const char* line : {__VA_ARGS__}) EXPECT_TRUE((trace).Has(line)) << "missing: " << line

inline std::string ShowFields(const CTolVBList& fields);

inline std::string ShowAtom(const CTolAtom* atom) {
  if (!atom) return "<none>";
  switch (atom->RAType()) {
    case eTolInteger: return std::to_string(atom->RAInt());
    case eTolString: return "'" + std::string(atom->RAString()) + "'";
    case eTolObject: return "{" + ShowFields(*atom->RAObject()) + "}";
    case eTolVector: {
      std::string text = "[";
      for (int i = 0; i < atom->RAVector()->RAVSize(); ++i) {
        text += (i ? " " : "") + ShowAtom(atom->RAVector()->RAVGetValue(i));
      }
      return text + "]";
    }
    default: return "<type " + std::to_string(atom->RAType()) + ">";
  }
}

inline std::string ShowFields(const CTolVBList& fields) {
  std::string text;
  for (const CTolVarBind* vb = fields.RVBLHead(); vb; vb = fields.RVBLGetNext(vb)) {
    text += (text.empty() ? "" : " ") + std::string(vb->RVBNameText() ? vb->RVBNameText() : "?") +
            "=" + ShowAtom(vb->RVBValue());
  }
  return text;
}

// The local neighbours handed over, one text each, in hand-over order.
inline std::vector<std::string> LocalTable(const CDiscoProcessedData& proc) {
  std::vector<std::string> rows;
  for (const CTolVBList* local : proc.DPDLocalNbrs()) rows.push_back(ShowFields(*local));
  return rows;
}

// The remote neighbours handed over, each as "<ifIndex of its local neighbour> <- <fields>", the
// local side found among the local neighbours handed over ("?" when it is not one of them).
inline std::vector<std::string> RemoteTable(const CDiscoProcessedData& proc) {
  std::vector<std::string> rows;
  std::vector<const CTolVBList*> locals = proc.DPDLocalNbrs();
  CTolRecord remote;
  for (std::size_t i = 0; i < proc.DPDRemoteCount(); ++i) {
    int at = proc.DPDRemoteLocalIndex(i);
    const CTolVarBind* ifIndex = at >= 0 ? locals[at]->RVBLFind("m_IfIndex") : nullptr;
    proc.DPDRemoteFields(i, &remote);
    rows.push_back((ifIndex ? ShowAtom(ifIndex->RVBValue()) : std::string("?")) + " <- " +
                   ShowFields(remote.RRValues()));
  }
  return rows;
}
