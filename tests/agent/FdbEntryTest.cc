// The forwarding-database entry: what it borrows, what it owns, how it copies and prints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "agent/CDiscoFdbEntry.h"
#include "agent/ExtremeAgentTestSupport.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"

namespace {

CTolRecord* Remote(const char* mac) {
  CTolRecord* r = new CTolRecord();
  r->RRAddValue(new CTolVarBind("m_RemoteNbrPhysAddr", mac));
  return r;
}

std::string Print(const CDiscoFdbEntry& e) {
  char* text = e.DFEPrint();
  std::string s = text;
  free(text);
  return s;
}

// An empty entry prints only its missing key and dumps every part as NULL. (Filled entries print
// their records' own text forms; the copy test compares them.)
TEST(FdbEntryTest, SettersRefuseNullsAndOwnWhatTheyTake) {
  CTolScopedErrorLog errors;
  CDiscoFdbEntry entry;
  EXPECT_EQ(" Key: NULL", Print(entry));
  {
    TraceCapture trace(0);
    entry.DFEDump();
    EXPECT_EQ(" LocalNeighbour: NULL RemoteNeighbour: NULL Key: NULL\n", trace.Text());
  }
  EXPECT_EQ(TOL_ERR_NULL, entry.DFELocalNeighbour(nullptr));
  EXPECT_EQ(TOL_ERR_NULL, entry.DFERemoteNeighbour(nullptr));
  EXPECT_EQ(TOL_ERR_NULL, entry.DFEKey(nullptr));
  ASSERT_EQ(3u, errors.Records().size());
  for (const TolErrorRecord& r : errors.Records()) EXPECT_EQ("CDiscoFdbEntry", r.source);

  // The second key replaces the first, which is freed (LeakSanitizer checks the rest).
  EXPECT_EQ(1, entry.DFEKey(strdup("first")));
  EXPECT_EQ(1, entry.DFEKey(strdup("second")));
  EXPECT_STREQ("second", entry.DFEKey());
  EXPECT_EQ(1, entry.DFERemoteNeighbour(Remote("00:01:02:03:04:05")));

  // An entry may outlive the local neighbour it borrowed and never touches it again.
  auto local = std::make_unique<CTolRecord>();
  EXPECT_EQ(1, entry.DFELocalNeighbour(local.get()));
  local.reset();
}

TEST(FdbEntryTest, CopySharesTheLocalRecordAndDuplicatesTheRest) {
  CTolRecord local;
  local.RRAddValue(new CTolVarBind("m_IfIndex", 1005));
  auto entry = std::make_unique<CDiscoFdbEntry>();
  entry->DFELocalNeighbour(&local);
  std::unique_ptr<CDiscoFdbEntry> onlyLocal;
  {
    TraceCapture trace(1);
    onlyLocal.reset(new CDiscoFdbEntry(*entry));
    EXPECT_EQ("CDiscoFdbEntry::CDiscoFdbEntry(copy)\n", trace.Text());
  }
  EXPECT_EQ(&local, onlyLocal->DFELocalNeighbour());
  EXPECT_EQ(nullptr, onlyLocal->DFERemoteNeighbour());
  EXPECT_EQ(nullptr, onlyLocal->DFEKey());

  entry->DFERemoteNeighbour(Remote("00:01:02:03:04:05"));
  entry->DFEKey(strdup("00:01:02:03:04:05"));
  std::unique_ptr<CTolListable> deep(entry->RLTargetDeepCopy(entry.get()));
  auto* twin = dynamic_cast<CDiscoFdbEntry*>(deep.get());
  ASSERT_NE(nullptr, twin);
  EXPECT_EQ(&local, twin->DFELocalNeighbour());
  EXPECT_NE(entry->DFERemoteNeighbour(), twin->DFERemoteNeighbour());
  EXPECT_NE(entry->DFEKey(), twin->DFEKey());
  EXPECT_EQ(Print(*entry), Print(*twin));
  entry.reset();  // the twin stays whole
  EXPECT_STREQ("00:01:02:03:04:05",
               twin->DFERemoteNeighbour()->RRValueOf("m_RemoteNbrPhysAddr")->RAString());
  EXPECT_STREQ("00:01:02:03:04:05", twin->DFEKey());
}

}  // namespace
