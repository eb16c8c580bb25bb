// The forwarding-database entry: what it borrows, what it owns, how it copies and prints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "agent/CDiscoFdbEntry.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/TolDebug.h"

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

TEST(FdbEntryTest, SettersRefuseNullsAndOwnWhatTheyTake) {
  CTolScopedErrorLog errors;
  CDiscoFdbEntry entry;
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
  EXPECT_EQ(nullptr, entry.DFELocalNeighbour());

  // An entry may outlive the local neighbour it borrowed and never touches it again.
  auto local = std::make_unique<CTolRecord>();
  EXPECT_EQ(1, entry.DFELocalNeighbour(local.get()));
  local.reset();
}

TEST(FdbEntryTest, CopySharesTheLocalRecordAndDuplicatesTheRest) {
  CTolRecord local;
  local.RRAddValue(new CTolVarBind("m_IfIndex", 1005));
  CDiscoFdbEntry only;
  only.DFELocalNeighbour(&local);
  const int saved = __Tolvane_Debug_Level;
  __Tolvane_Debug_Level = 1;
  testing::internal::CaptureStdout();
  std::unique_ptr<CDiscoFdbEntry> copy(new CDiscoFdbEntry(only));
  EXPECT_EQ("CDiscoFdbEntry::CDiscoFdbEntry(copy)\n", testing::internal::GetCapturedStdout());
  __Tolvane_Debug_Level = saved;
  EXPECT_EQ(&local, copy->DFELocalNeighbour());
  EXPECT_EQ(nullptr, copy->DFERemoteNeighbour());
  EXPECT_EQ(nullptr, copy->DFEKey());

  auto full = std::make_unique<CDiscoFdbEntry>();
  full->DFELocalNeighbour(&local);
  full->DFERemoteNeighbour(Remote("00:01:02:03:04:05"));
  full->DFEKey(strdup("00:01:02:03:04:05"));
  std::unique_ptr<CTolListable> deep(full->RLTargetDeepCopy(full.get()));
  auto* twin = dynamic_cast<CDiscoFdbEntry*>(deep.get());
  ASSERT_NE(nullptr, twin);
  EXPECT_EQ(&local, twin->DFELocalNeighbour());
  ASSERT_NE(nullptr, twin->DFERemoteNeighbour());
  EXPECT_NE(full->DFERemoteNeighbour(), twin->DFERemoteNeighbour());
  EXPECT_NE(full->DFEKey(), twin->DFEKey());
  EXPECT_EQ(Print(*full), Print(*twin));
  full.reset();  // the twin stays whole
  EXPECT_STREQ("00:01:02:03:04:05",
               twin->DFERemoteNeighbour()->RRValueOf("m_RemoteNbrPhysAddr")->RAString());
  EXPECT_STREQ("00:01:02:03:04:05", twin->DFEKey());
}

TEST(FdbEntryTest, TextFormsLabelWhatIsThere) {
  CDiscoFdbEntry entry;
  EXPECT_EQ(" Key: NULL", Print(entry));
  testing::internal::CaptureStdout();
  entry.DFEDump();
  EXPECT_EQ(" LocalNeighbour: NULL RemoteNeighbour: NULL Key: NULL\n",
            testing::internal::GetCapturedStdout());

  CTolRecord local;
  local.RRAddValue(new CTolVarBind("m_IfIndex", 1005));
  entry.DFERemoteNeighbour(Remote("00:01:02:03:04:05"));
  EXPECT_EQ(std::string(" RemoteNeighbour: ") + entry.DFERemoteNeighbour()->RRPrintStr(true) +
                " Key: NULL",
            Print(entry));
  entry.DFELocalNeighbour(&local);
  entry.DFEKey(strdup("k"));
  const std::string localText = local.RRPrintStr(true);
  const std::string remoteText = entry.DFERemoteNeighbour()->RRPrintStr(true);
  EXPECT_EQ(" LocalNeighbour: " + localText + " RemoteNeighbour: " + remoteText + " Key: k",
            Print(entry));
  testing::internal::CaptureStdout();
  entry.DFEDump();
  EXPECT_EQ(" LocalNeighbour: " + localText + " RemoteNeighbour: " + remoteText + " Key: k\n",
            testing::internal::GetCapturedStdout());
}

}  // namespace
