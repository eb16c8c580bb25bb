// Resolution of remote MAC addresses to IP addresses from the engine's ARP answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "host/CDiscoArpService.h"
#include "host/CTolAtomVector.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolVarBind.h"
#include "switchagent/RecordingSwitchAgent.h"

namespace {

// The fields of one answer atom; a single field without a name stands for a bare (non-object) atom.
using Fields = std::vector<std::pair<const char*, CTolAtom>>;

// Answers every query with `answer` (no answer at all when unset) and remembers the query.
class CraftedArp : public CDiscoArpService {
 public:
  CTolAtomVector* GetARP(const char* ip, const char* mac, const char* arg3, const char* arg4,
                         const char* space) override {
    ++queries;
    asked =
        std::string(mac) + " in " + (space ? space : "<null>") + (ip || arg3 || arg4 ? "+" : "");
    if (!answer) return nullptr;
    CTolAtomVector* v = new CTolAtomVector(1);
    for (const Fields& atom : *answer) {
      if (atom.size() == 1 && atom[0].first == nullptr) {
        v->RAVAddToEnd(new CTolAtom(atom[0].second));
        continue;
      }
      CTolVBList* list = new CTolVBList();
      for (const auto& f : atom) list->RVBLAddToListEnd(new CTolVarBind(f.first, &f.second));
      v->RAVAddToEnd(new CTolAtom(list));
    }
    return v;
  }
  std::optional<std::vector<Fields>> answer;
  int queries = 0;
  std::string asked;
};

TEST(RemoteNeighbourTest, OnlyOneObjectAtomWithATextHostIpGivesAnAddress) {
  RecordingSwitchAgent agent;
  auto arp = std::make_shared<CraftedArp>();
  agent.DAGetRequester()->DSRSetArpService(arp);
  CTolRecord device;
  auto resolve = [&](const char* mac) {  // the address, or "<none>"
    char* ip = nullptr;
    agent.DSAResolveRemoteIp(mac, &device, &ip);
    std::string result = ip ? ip : "<none>";
    free(ip);
    return result;
  };
  const CTolAtom ip("10.1.1.7"), other("10.9.9.9"), empty(""), number(17), mac("00:01:02:03:04:05");
  const struct {
    const char* what;
    std::optional<std::vector<Fields>> answer;
    const char* expected;
  } cases[] = {
      {"no answer", std::nullopt, "<none>"},
      {"no atom", std::vector<Fields>{}, "<none>"},
      {"standard", {{{{"m_HostMac", mac}, {"m_HostIp", ip}}}}, "10.1.1.7"},
      {"two atoms", {{{{"m_HostIp", ip}}, {{"m_HostIp", other}}}}, "<none>"},
      {"bare text atom", {{{{nullptr, ip}}}}, "<none>"},
      {"empty text", {{{{"m_HostIp", empty}}}}, "<none>"},
      {"integer", {{{{"m_HostIp", number}}}}, "<none>"},
      {"other name", {{{{"m_HostIP", ip}}}}, "<none>"},
      {"first wins", {{{{"m_HostIp", ip}, {"m_HostIp", other}}}}, "10.1.1.7"},
      {"first fitting wins", {{{{"m_HostIp", empty}, {"m_HostIp", other}}}}, "10.9.9.9"},
  };
  for (const auto& c : cases) {
    arp->answer = c.answer;
    EXPECT_EQ(c.expected, resolve("00:01:02:03:04:05")) << c.what;
  }
  EXPECT_EQ("00:01:02:03:04:05 in <null>", arp->asked);
  device.RRAddValue(new CTolVarBind("m_AddressSpace", "blue"));
  resolve("00:0A:0B:0C:0D:0E");
  EXPECT_EQ("00:0A:0B:0C:0D:0E in blue", arp->asked);

  // Without a MAC or a device nothing is asked.
  CTolScopedErrorLog errors;
  char* none = nullptr;
  agent.DSAResolveRemoteIp(nullptr, &device, &none);
  agent.DSAResolveRemoteIp("00:01:02:03:04:05", nullptr, &none);
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(11, arp->queries);
  ASSERT_EQ(2u, errors.Records().size());
  for (const TolErrorRecord& r : errors.Records()) EXPECT_EQ(TOL_ERR_MISSING_PART, r.code);
}

}  // namespace
