// The plug-in as the engine meets it: loaded by path, its factory found by name, the agent it
// makes named and described, and the mediation filter that admits devices. The version constants
// are read by the engine and checked in its results (SampleNetworkTest).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "agent/ExtremeAgentTestSupport.h"
#include "host/CDiscoAgent.h"
#include "host/CTolErrorSink.h"
#include "host/CTolSnmpVarOp.h"
#include "host/DiscoPluginAbi.h"
#include "support/AgentHarness.h"

namespace {

class PluginEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = dlopen(DISCO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, handle) << dlerror();
    instantiate =
        reinterpret_cast<DAInstantiateFn>(dlsym(handle, NSDiscoPluginAbi::kInstantiateSymbol));
    ASSERT_NE(nullptr, instantiate) << dlerror();
  }
  void TearDown() override {
    if (handle) dlclose(handle);
  }

  void* handle = nullptr;
  DAInstantiateFn instantiate = nullptr;
};

TEST_F(PluginEntryTest, EachCallMakesANewAgentThatNamesItself) {
  for (int level : {1, 2}) {
    TraceCapture trace(level);
    delete instantiate();
    EXPECT_EQ(level < 2 ? ""
                        : "CDiscoExtremeSwitchAgent::CDiscoExtremeSwitchAgent(void).\n"
                          "CDiscoExtremeSwitchAgent::~CDiscoExtremeSwitchAgent(void).\n",
              trace.Text());
  }
  std::unique_ptr<CDiscoAgent> first(instantiate()), second(instantiate());
  ASSERT_NE(nullptr, first);
  ASSERT_NE(first.get(), second.get());
  {
    TraceCapture trace(3);
    EXPECT_EQ(1, first->RAInitApp(0, nullptr));
    EXPECT_TRUE(
        trace.Has("CDiscoExtremeSwitchAgent::RASetSCName().\n"
                  "CDiscoExtremeSwitchAgent::RASetSCDesc().\n"))
        << trace.Text();
  }
  EXPECT_EQ("ExtremeSwitch", first->RAGetName());
  EXPECT_EQ("Discovery Agent for Extreme switches", first->RAGetDesc());
  EXPECT_EQ("", second->RAGetName());
  second->DANameAndDescribe();
  EXPECT_EQ("ExtremeSwitch", second->RAGetName());
}

TEST_F(PluginEntryTest, FilterAdmitsExactlyTheDevicesAnsweringTheAgingTime) {
  std::unique_ptr<CDiscoAgent> agent(instantiate());
  AgentHarness harness(*agent);
  HarnessDevice& bridge =
      harness.AddDevice("bridge", "127.0.0.9", Snmprec({"1.3.6.1.2.1.17.4.2.0|2|300"}));
  HarnessDevice& other =
      harness.AddDevice("other", "127.0.0.10", Snmprec({"1.3.6.1.2.1.1.5.0|4|other"}));
  HarnessDevice& silent = harness.AddSilentDevice("silent", "127.0.0.11");
  CTolRecord unbound;
  unbound.RRAddValue(new CTolVarBind("m_Name", "unbound"));
  unbound.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.9"));
  {
    TraceCapture trace(1);
    EXPECT_TRUE(agent->DAFilter(bridge.record.get()));
    EXPECT_FALSE(agent->DAFilter(other.record.get()));
    EXPECT_FALSE(agent->DAFilter(silent.record.get()));
    EXPECT_FALSE(agent->DAFilter(&unbound));
    EXPECT_EQ(
        "::DADoMediationFilter(), device bridge passed filter.\n"
        "::DADoMediationFilter(), device other rejected by filter.\n"
        "::DADoMediationFilter(), device silent rejected by filter.\n"
        "::DADoMediationFilter(), device unbound rejected by filter.\n",
        trace.Text());
  }
  const CTolSnmpVarOp* aging = bridge.med->DMDGetSnmpGet("dot1dTpAgingTime");
  ASSERT_NE(nullptr, aging);
  EXPECT_EQ(300, aging->RSVOValue()->RAInt());
  EXPECT_TRUE(other.med->DMDIsEmpty());
  EXPECT_TRUE(silent.med->DMDIsEmpty());

  CTolScopedErrorLog errors;
  TraceCapture trace(1);
  EXPECT_FALSE(agent->DAFilter(nullptr));
  EXPECT_EQ("", trace.Text());
  ASSERT_EQ(1u, errors.Records().size());
  EXPECT_EQ(TOL_ERR_FAILED, errors.Records()[0].code);
  EXPECT_EQ("CDiscoExtremeSwitchAgent", errors.Records()[0].source);
}

}  // namespace
