// Every object the agent reads, from a recorded chassis switch: through the requester over
// net-snmp and snmpsim, and through the requester over the replay of the same recording. The two
// must give the same rows with the same atoms.
#include <gtest/gtest.h>

#include <memory>

#include "host/CDiscoSnmprecBackend.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolASN1Address.h"
#include "host/CTolAtom.h"
#include "host/CTolDoubleList.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolVarBind.h"
#include "host/TolOidTable.h"
#include "netsnmp/NetSnmpTestSupport.h"

namespace {

const std::string kSwitch = DISCO_TEST_DATA "/netsnmp/switch.snmprec";

std::string Describe(const CTolSnmpVarOp& row) {
  std::string text = row.RSVOASN1() ? row.RSVOASN1()->RAAAsString() : "(no index)";
  return text + " = " + (row.RSVOValue() ? row.RSVOValue()->RAText() : "(no value)");
}

void ExpectSameRow(const CTolSnmpVarOp* replayed, const CTolSnmpVarOp* live) {
  ASSERT_NE(nullptr, replayed);
  ASSERT_NE(nullptr, live);
  EXPECT_STREQ(replayed->RSVOObject(), live->RSVOObject());
  ASSERT_TRUE(replayed->RSVOASN1() && live->RSVOASN1());
  EXPECT_TRUE(*replayed->RSVOASN1() == *live->RSVOASN1()) << Describe(*live);
  ASSERT_TRUE(replayed->RSVOValue() && live->RSVOValue());
  EXPECT_TRUE(*replayed->RSVOValue() == *live->RSVOValue())
      << Describe(*replayed) << " replayed, " << Describe(*live) << " over SNMP";
}

TEST(NetSnmpSwitch, EveryObjectReadsTheSameOverSnmpAsFromTheReplay) {
  Snmpsim sim;
  ASSERT_TRUE(sim.AddRecordingFile("public", kSwitch));
  START_SNMPSIM(sim);

  auto replay = std::make_shared<CDiscoSnmprecBackend>();
  std::string error;
  ASSERT_TRUE(replay->AddDeviceFile(sim.Address(), kSwitch, &error)) << error;
  auto live = std::make_shared<CDiscoNetSnmpBackend>();
  live->SetDefaultCredentials(Community("public"));
  CDiscoStdRequester replayed, overSnmp;
  replayed.DSRSetSnmpBackend(replay);
  overSnmp.DSRSetSnmpBackend(live);

  CTolRecord device;
  device.RRAddValue(new CTolVarBind("m_Name", "bd8806-dist-2"));
  device.RRAddValue(new CTolVarBind("m_IpAddress", sim.Address().c_str()));
  device.RRAddValue(new CTolVarBind("m_SnmpPort", sim.Port()));
  CTolScopedErrorLog errors;

  size_t totalRows = 0;
  for (const TolOidEntry& entry : TolOidEntries()) {
    SCOPED_TRACE(entry.name);
    if (entry.isScalar) {
      std::unique_ptr<CTolSnmpVarOp> a(replayed.DSRSnmpGet(&device, entry.name, "0", nullptr));
      std::unique_ptr<CTolSnmpVarOp> b(overSnmp.DSRSnmpGet(&device, entry.name, "0", nullptr));
      ExpectSameRow(a.get(), b.get());
      ++totalRows;
      continue;
    }
    std::unique_ptr<CTolDoubleList> a(
        replayed.DSRSnmpGetNext(&device, entry.name, nullptr, nullptr));
    std::unique_ptr<CTolDoubleList> b(
        overSnmp.DSRSnmpGetNext(&device, entry.name, nullptr, nullptr));
    ASSERT_TRUE(a && b);
    EXPECT_GT(a->RDLLength(), 0) << "the recording lacks " << entry.name;
    ASSERT_EQ(a->RDLLength(), b->RDLLength());
    for (CTolListable *x = a->RDLHead(), *y = b->RDLHead(); x && y;
         x = a->RDLGetNext(x), y = b->RDLGetNext(y)) {
      ExpectSameRow(dynamic_cast<CTolSnmpVarOp*>(x), dynamic_cast<CTolSnmpVarOp*>(y));
      ++totalRows;
    }
  }
  EXPECT_TRUE(errors.Records().empty());
  EXPECT_GT(totalRows, 300u);
}

}  // namespace
