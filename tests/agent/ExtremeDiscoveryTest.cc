// End-to-end discovery of recorded Extreme switches through the layers the engine calls: filter,
// mediation phases 1 to 3, processing. What reaches the processed data is compared with the
// neighbours an engineer derives from the recordings by hand.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "agent/ExtremeAgentTestSupport.h"
#include "support/AgentHarness.h"

namespace {

// bd-core-1 (extreme_chassis.snmprec), read by hand. Local neighbours in key order: 1.1, 1.2, 1.5,
// 2.1, 2.2, 3.1, then the interfaces without card and port under their ifIndex. Port 1:5
// (ifIndex 1005) also maps to key 1.5, which the management port (ifIndex 5) holds first, so 1:5
// has no record of its own. Only the IP pass finds the loopback (no ifPhysAddress row).
const std::vector<std::string> kChassisLocal = {
    "m_LocalNbrPort=1 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:04:96:1F:A1:01' m_IfDescr='Port 1:1' "
    "m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=1001 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPort=2 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:04:96:1F:A1:02' m_IfDescr='Port 1:2' "
    "m_StpPortState=1 m_LocalNbrStatus=2 m_IfIndex=1002 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPort=5 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:04:96:1F:A0:05' "
    "m_IfDescr='Management Port' m_LocalNbrStatus=1 m_IfIndex=5 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPort=1 m_LocalNbrCard=2 m_LocalNbrPhysAddr='00:04:96:1F:A2:01' m_IfDescr='Port 2:1' "
    "m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=2001 m_LocalNbrVlanData=["
    "{m_LocalNbrVlan=10 m_Encapsulated=1 m_LocalNbrVlanDescr='users'} "
    "{m_LocalNbrVlan=20 m_Encapsulated=1 m_LocalNbrVlanDescr='servers'}] "
    "m_TrunkedVlans=[10 20] m_TrunkedVlanTags=[10 20]",
    "m_LocalNbrPort=2 m_LocalNbrCard=2 m_LocalNbrPhysAddr='00:04:96:1F:A2:02' m_IfDescr='Port 2:2' "
    "m_StpPortState=2 m_LocalNbrStatus=1 m_IfIndex=2002 m_LocalNbrVlan=20 "
    "m_LocalNbrVlanDescr='servers'",
    "m_LocalNbrPort=1 m_LocalNbrCard=3 m_LocalNbrPhysAddr='00:04:96:1F:A3:01' m_IfDescr='rif 3:1' "
    "m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=3001 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPhysAddr='00:04:96:1F:AA:01' m_IfDescr='Port 10:1' m_StpPortState=5 "
    "m_LocalNbrStatus=1 m_IfIndex=10001 m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPhysAddr='00:04:96:1F:A0:00' m_IfDescr='VLAN Default' m_IpAddress='127.0.0.11' "
    "m_LocalNbrStatus=1 m_IfIndex=1000001 m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPhysAddr='00:04:96:1F:A0:00' m_IfDescr='VLAN users' m_IpAddress='127.0.10.1' "
    "m_LocalNbrStatus=1 m_IfIndex=1000002 m_LocalNbrVlan=10 m_LocalNbrVlanDescr='users'",
    "m_LocalNbrPhysAddr='00:04:96:1F:A0:00' m_IfDescr='VLAN servers' m_IpAddress='127.0.20.1' "
    "m_LocalNbrStatus=1 m_IfIndex=1000003 m_LocalNbrVlan=20 m_LocalNbrVlanDescr='servers'",
    "m_LocalNbrPhysAddr='' m_IfDescr='802.1Q Encapsulation Tag 0010' m_LocalNbrStatus=1 "
    "m_IfIndex=1000101 m_LocalNbrVlan=10 m_LocalNbrVlanDescr='users'",
    "m_LocalNbrPhysAddr='' m_IfDescr='802.1Q Encapsulation Tag 0020' m_LocalNbrStatus=1 "
    "m_IfIndex=1000102 m_LocalNbrVlan=20 m_LocalNbrVlanDescr='servers'",
    "m_IpAddress='127.0.0.1' m_LocalNbrStatus=1 m_IfIndex=1000201 m_IfDescr='lo0' "
    "m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'",
};
// FDB neighbours in MAC order, EDP neighbours in key order, then the rif port's marker. Dropped
// by hand: the switch's own MAC (self), the invalid row, the row without a learned port, the row
// on 10:1 (no card/port), and 00:10:18:AA:00:01 again in VLAN users (first row wins). The
// EDP row heard on 10:1 is dropped too.
const std::vector<std::string> kChassisRemote = {
    "1001 <- m_RemoteNbrPhysAddr='00:10:18:AA:00:01' m_RemoteNbrIpAddr='127.0.1.101'",
    "5 <- m_RemoteNbrPhysAddr='00:10:18:AA:00:02' m_RemoteNbrIpAddr='127.0.1.102'",
    "3001 <- m_RemoteNbrPhysAddr='00:10:18:BB:00:01'",
    "2002 <- m_RemoteNbrPhysAddr='00:10:18:BB:00:02' m_RemoteNbrIpAddr='127.0.20.50'",
    "2001 <- m_RemoteNbrPhysAddr='00:E0:2B:00:00:01' m_RemoteNbrIpAddr='127.0.0.12'",
    "2001 <- m_RemoteNbrPhysAddr='00:E0:2B:00:00:01' m_RemoteNbrIpAddr='127.0.0.12' m_Card=1 "
    "m_Port=49",
    "2002 <- m_RemoteNbrPhysAddr='00:E0:2B:00:00:01' m_RemoteNbrIpAddr='127.0.0.12' m_Card=1 "
    "m_Port=50",
    "3001 <- m_NoConnectionAtThisLayer=1",
};

// summit-edge (extreme_summit_bridge.snmprec): no Extreme FDB table, so the bridge tables give
// the FDB neighbours; the invalid row, the own MAC on bridge port 0 and the MAC missing from
// dot1dTpFdbPort give none.
const std::vector<std::string> kSummitLocal = {
    "m_LocalNbrPort=1 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:E0:2B:00:01:01' m_IfDescr='Port 1' "
    "m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=1 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPort=2 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:E0:2B:00:01:02' m_IfDescr='Port 2' "
    "m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=2 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPort=49 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:E0:2B:00:01:31' "
    "m_IfDescr='Port 49' m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=49 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPort=50 m_LocalNbrCard=1 m_LocalNbrPhysAddr='00:E0:2B:00:01:32' "
    "m_IfDescr='Port 50' m_StpPortState=5 m_LocalNbrStatus=1 m_IfIndex=50 m_LocalNbrVlan=1 "
    "m_LocalNbrVlanDescr='Default'",
    "m_LocalNbrPhysAddr='00:E0:2B:00:00:01' m_IfDescr='VLAN Default' m_IpAddress='127.0.0.12' "
    "m_LocalNbrStatus=1 m_IfIndex=1000001 m_LocalNbrVlan=1 m_LocalNbrVlanDescr='Default'",
};
const std::vector<std::string> kSummitRemote = {
    "49 <- m_RemoteNbrPhysAddr='00:04:96:1F:A0:00' m_RemoteNbrIpAddr='127.0.0.11'",
    "1 <- m_RemoteNbrPhysAddr='00:10:18:CC:00:01' m_RemoteNbrIpAddr='127.0.2.21'",
    "2 <- m_RemoteNbrPhysAddr='00:10:18:CC:00:02'",
    "49 <- m_RemoteNbrPhysAddr='00:04:96:1F:A0:00' m_RemoteNbrIpAddr='127.0.0.11' m_Card=2 "
    "m_Port=1",
    "50 <- m_RemoteNbrPhysAddr='00:04:96:1F:A0:00' m_RemoteNbrIpAddr='127.0.0.11' m_Card=2 "
    "m_Port=2",
};

class ExtremeDiscoveryTest : public ::testing::Test {
 protected:
  ExtremeDiscoveryTest() : harness(agent) {
    harness.SetInScope({"127.0.0.11", "127.0.0.12"});
    harness.arp->Add("00:10:18:AA:00:01", "127.0.1.101");
    harness.arp->Add("00:10:18:AA:00:02", "127.0.1.102");
    harness.arp->Add("00:10:18:BB:00:02", "127.0.20.50");
    harness.arp->Add("00:E0:2B:00:00:01", "127.0.0.12");  // summit-edge
    harness.arp->Add("00:04:96:1F:A0:00", "127.0.0.11");  // bd-core-1
    harness.arp->Add("00:10:18:CC:00:01", "127.0.2.21");
  }
  HarnessDevice& Core() {
    return harness.AddDevice("bd-core-1", "127.0.0.11", ReadTestData("extreme_chassis.snmprec"));
  }
  HarnessDevice& Summit() {
    return harness.AddDevice("summit-edge", "127.0.0.12",
                             ReadTestData("extreme_summit_bridge.snmprec"));
  }
  // What reached the processed data is `local` and `remote`, and no store survived processing.
  static void ExpectResult(HarnessDevice& device, const std::vector<std::string>& local,
                           const std::vector<std::string>& remote) {
    EXPECT_EQ(LocalTable(*device.proc), local);
    EXPECT_EQ(RemoteTable(*device.proc), remote);
    EXPECT_TRUE(device.med->DMDDataEntries().empty()) << "a store survived the processing layer";
  }
  TestExtremeAgent agent;
  AgentHarness harness;
};

TEST_F(ExtremeDiscoveryTest, ChassisSwitchYieldsTheNeighboursReadFromItsRecordingByHand) {
  // Acceptance: the recorded chassis switch yields exactly the local and remote neighbours that
  // an engineer reading the recording by hand expects (kChassisLocal, kChassisRemote).
  HarnessDevice& core = Core();
  TraceCapture trace(1);
  ASSERT_TRUE(harness.Discover(core));
  ExpectResult(core, kChassisLocal, kChassisRemote);
  EXPECT_TRACES(trace, "Failed to add Local Nbr for IfIndex 1005.\n",
                "::DESAGetLocalNbrRecord(), Failed to find associated local nbr for -1.-1.\n",
                "::DESAAddRemoteNbr(), ignoring duplicate remote MAC (possibly on different "
                "VLAN); 00:10:18:AA:00:01\n",
                "::DESADownloadEdpNeighbours(), Adding EDP Table To Med Data\n");
  EXPECT_FALSE(trace.Has("Falling back to dot1dTp FDB Table"));
}

TEST_F(ExtremeDiscoveryTest, SwitchWithoutExtremeFdbTableFallsBackToTheBridgeTables) {
  HarnessDevice& summit = Summit();
  TraceCapture trace(1);
  ASSERT_TRUE(harness.Discover(summit));
  ExpectResult(summit, kSummitLocal, kSummitRemote);
  EXPECT_TRACES(trace, "::DESADownloadExtremeFdbTable(), missing Extreme FDB Table data. \n",
                "::DSADownloadFdbTable(), Extreme FDB Table unavailable on device summit-edge. "
                "Falling back to dot1dTp FDB Table. May increase CPU usage\n",
                "::DESAExtractAndAddRemoteNbr(), port not found for mac 00:10:18:CC:00:0A.\n",
                "::DESAExtractAndAddRemoteNbr() can not find ifIndex for item\n");
}

// Two devices on two engine threads, entering phase 3 together so that they share one ping
// cycle, give what each gives alone (the two tests above).
TEST_F(ExtremeDiscoveryTest, TwoDevicesAtOnceGiveTheSameResultsAsOneAtATime) {
  HarnessDevice* devices[2] = {&Core(), &Summit()};
  std::mutex mutex;
  std::condition_variable allReady;
  int ready = 0;
  bool passed[2] = {false, false};
  auto run = [&](int i) {
    passed[i] = agent.DAFilter(devices[i]->record.get());
    harness.Mediate(*devices[i], 1);
    harness.Mediate(*devices[i], 2);
    {
      std::unique_lock<std::mutex> lock(mutex);
      if (++ready == 2) allReady.notify_all();
      allReady.wait(lock, [&] { return ready == 2; });
    }
    harness.Mediate(*devices[i], 3);
    harness.Process(*devices[i], 3);
  };
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();

  ASSERT_TRUE(passed[0] && passed[1]);
  EXPECT_FALSE(harness.pinger->Sweeps().empty());
  ExpectResult(*devices[0], kChassisLocal, kChassisRemote);
  ExpectResult(*devices[1], kSummitLocal, kSummitRemote);
}

}  // namespace
