// Resolution of remote MAC addresses to IP addresses from the engine's ARP answers, and the
// remote-neighbour records built from them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "host/CDiscoArpService.h"
#include "host/CTolAtomVector.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolVarBind.h"
#include "switchagent/RecordingSwitchAgent.h"

namespace {

// Answers every query with what `answer` builds and remembers the query.
class CraftedArp : public CDiscoArpService {
 public:
  CTolAtomVector* GetARP(const char* ip, const char* mac, const char* arg3, const char* arg4,
                         const char* space) override {
    ++queries;
    lastMac = mac ? mac : "<null>";
    lastSpace = space ? space : "<null>";
    nullsInPlace = ip == nullptr && arg3 == nullptr && arg4 == nullptr;
    return answer ? answer() : nullptr;
  }
  std::function<CTolAtomVector*()> answer;
  int queries = 0;
  bool nullsInPlace = false;
  std::string lastMac, lastSpace;
};

using Fields = std::vector<std::pair<std::string, CTolAtom>>;

CTolAtom* ObjectAtom(const Fields& fields) {
  CTolVBList* list = new CTolVBList();
  for (const auto& f : fields) list->RVBLAddToListEnd(new CTolVarBind(f.first.c_str(), &f.second));
  return new CTolAtom(list);
}

CTolAtomVector* Vector(std::vector<CTolAtom*> atoms) {
  CTolAtomVector* v = new CTolAtomVector(1);
  for (CTolAtom* a : atoms) v->RAVAddToEnd(a);
  return v;
}

class RemoteNeighbourTest : public ::testing::Test {
 protected:
  void SetUp() override {
    agent.DAGetRequester()->DSRSetArpService(arp);
    device.RRAddValue(new CTolVarBind("m_Name", "sw"));
  }
  // The resolved address, or "<none>".
  std::string Resolve(const char* mac = "00:01:02:03:04:05") {
    char* ip = nullptr;
    agent.DSAResolveRemoteIp(mac, &device, &ip);
    std::string result = ip ? ip : "<none>";
    free(ip);
    return result;
  }

  RecordingSwitchAgent agent;
  std::shared_ptr<CraftedArp> arp = std::make_shared<CraftedArp>();
  CTolRecord device;
};

TEST_F(RemoteNeighbourTest, OnlyOneObjectAtomWithATextHostIpGivesAnAddress) {
  const CTolAtom ip("10.1.1.7"), other("10.9.9.9"), empty(""), number(17), mac("00:01:02:03:04:05");
  struct Case {
    const char* what;
    std::function<CTolAtomVector*()> answer;
    const char* expected;
  };
  const Case cases[] = {
      {"no answer", [] { return nullptr; }, "<none>"},
      {"no atom", [] { return Vector({}); }, "<none>"},
      {"standard",
       [&] {
         return Vector({ObjectAtom({{"m_HostMac", mac}, {"m_HostIp", ip}})});
       },
       "10.1.1.7"},
      {"two atoms",
       [&] {
         return Vector({ObjectAtom({{"m_HostIp", ip}}), ObjectAtom({{"m_HostIp", other}})});
       },
       "<none>"},
      {"text atom", [] { return Vector({new CTolAtom("10.1.1.7")}); }, "<none>"},
      {"empty text",
       [&] {
         return Vector({ObjectAtom({{"m_HostIp", empty}})});
       },
       "<none>"},
      {"integer",
       [&] {
         return Vector({ObjectAtom({{"m_HostIp", number}})});
       },
       "<none>"},
      {"other name",
       [&] {
         return Vector({ObjectAtom({{"m_HostIP", ip}})});
       },
       "<none>"},
      {"first wins",
       [&] {
         return Vector({ObjectAtom({{"m_HostIp", ip}, {"m_HostIp", other}})});
       },
       "10.1.1.7"},
      {"first fitting wins",
       [&] {
         return Vector({ObjectAtom({{"m_HostIp", empty}, {"m_HostIp", other}})});
       },
       "10.9.9.9"},
  };
  for (const Case& c : cases) {
    arp->answer = c.answer;
    EXPECT_EQ(c.expected, Resolve()) << c.what;
  }
  EXPECT_EQ("00:01:02:03:04:05", arp->lastMac);
  EXPECT_EQ("<null>", arp->lastSpace);
  EXPECT_TRUE(arp->nullsInPlace);
}

TEST_F(RemoteNeighbourTest, AddressSpaceOfTheDeviceIsAsked) {
  device.RRAddValue(new CTolVarBind("m_AddressSpace", "blue"));
  Resolve();
  EXPECT_EQ("blue", arp->lastSpace);
}

TEST_F(RemoteNeighbourTest, MissingMacOrDeviceIsReportedWithoutAQuery) {
  CTolScopedErrorLog errors;
  char* ip = nullptr;
  agent.DSAResolveRemoteIp(nullptr, &device, &ip);
  agent.DSAResolveRemoteIp("00:01:02:03:04:05", nullptr, &ip);
  EXPECT_EQ(nullptr, ip);
  EXPECT_EQ(0, arp->queries);
  ASSERT_EQ(2u, errors.Records().size());
  EXPECT_EQ(TOL_ERR_MISSING_PART, errors.Records()[1].code);
}

TEST_F(RemoteNeighbourTest, RemoteNeighbourCarriesTheIpOnlyWhenResolved) {
  auto table = std::make_shared<CDiscoArpTable>();
  table->Add("00:01:02:03:04:05", "10.1.1.7");
  agent.DAGetRequester()->DSRSetArpService(table);
  for (const char* mac : {"00:01:02:03:04:05", "00:0A:0B:0C:0D:0E"}) {
    CTolRecord* remote = agent.DSABuildRemoteNbr(mac, &device);
    ASSERT_NE(nullptr, remote);
    const bool known = mac[4] == '1';
    const CTolVBList& fields = remote->RRValues();
    ASSERT_EQ(known ? 2 : 1, fields.RVBLLength()) << mac;
    EXPECT_STREQ("m_RemoteNbrPhysAddr", fields.RVBLHead()->RVBNameText());
    EXPECT_STREQ(mac, fields.RVBLHead()->RVBValue()->RAString());
    if (known) {
      EXPECT_STREQ("10.1.1.7", remote->RRValueOf("m_RemoteNbrIpAddr")->RAString());
    }
    delete remote;
  }
}

}  // namespace
