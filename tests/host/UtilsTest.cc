// The DAUF utilities: walks wrapped in trees, MAC text of an index, integers, identifiers,
// freeing a tree with its contents.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "host/CDiscoSnmprecBackend.h"
#include "host/CDiscoStdRequester.h"
#include "host/CTolASN1Address.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/CTolSnmpVarOp.h"
#include "host/CTolTreeList.h"
#include "host/CTolVarBind.h"
#include "host/DiscoAgentUtils.h"

namespace {

class WrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(backend->AddDevice("127.0.0.20",
                                   "1.3.6.1.2.1.4.20.1.2.10.0.0.1|2|5\n"
                                   "1.3.6.1.2.1.4.20.1.2.10.0.1.1|2|1005\n"
                                   "1.3.6.1.2.1.4.20.1.2.10.0.2.1|2|5\n"  // second address of 5
                                   "1.3.6.1.2.1.2.2.1.2.5|4|port 5\n"
                                   "1.3.6.1.2.1.2.2.1.2.1005|4|port 1:5\n",
                                   &error))
        << error;
    requester.DSRSetSnmpBackend(backend);
    device.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.20"));
  }
  static const CTolSnmpVarOp* Row(CTolTreeList* tree, const char* key) {
    CTolPointer* node = tree->RTLGet(key);
    return node ? static_cast<const CTolSnmpVarOp*>(node->RPData()) : nullptr;
  }
  std::shared_ptr<CDiscoSnmprecBackend> backend = std::make_shared<CDiscoSnmprecBackend>();
  CDiscoStdRequester requester;
  CTolRecord device;
};

TEST_F(WrapTest, ByIndexOrByValueFirstRowWins) {
  CTolDoubleList* list = nullptr;
  std::unique_ptr<CTolDoubleList> rows;  // outlives the tree that points into it
  std::unique_ptr<CTolTreeList> tree(
      DAUFWrapSNMPInTreeList(&device, &requester, "ifDescr", true, &list, 0, 0));
  rows.reset(list);
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(tree->RTLLength(), 2);
  ASSERT_NE(Row(tree.get(), "1005"), nullptr);
  EXPECT_EQ(Row(tree.get(), "1005")->RSVOValue()->RAText(), "port 1:5");
  int value = -7;
  EXPECT_EQ(DAUFGetValueFromSnmpTreeList("6", tree.get(), &value), TOL_ERR_FAILED);
  const CTolAtom* atom = nullptr;
  EXPECT_EQ(DAUFGetValueFromSnmpTreeList("5", tree.get(), &atom), 1);
  EXPECT_EQ(atom->RAText(), "port 5");

  tree.reset(DAUFWrapSNMPInTreeList(&device, &requester, "ipAdEntIfIndex", false, &list, 0, 0));
  rows.reset(list);
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->RTLLength(), 2);
  EXPECT_EQ(list->RDLLength(), 3);
  EXPECT_STREQ(Row(tree.get(), "5")->RSVOASN1()->RAAAsString(), "10.0.0.1");
  EXPECT_STREQ(Row(tree.get(), "1005")->RSVOASN1()->RAAAsString(), "10.0.1.1");
  EXPECT_EQ(DAUFGetValueFromSnmpTreeList("1005", tree.get(), &value), 1);
  EXPECT_EQ(value, 1005);
}

TEST_F(WrapTest, EmptyOrFailedWalkGivesNulls) {
  CTolScopedErrorLog errors;
  CTolDoubleList stale;  // the out-arguments must be overwritten
  CTolTreeList staleTree(false);
  CTolDoubleList* list = &stale;
  EXPECT_EQ(DAUFWrapSNMPInTreeList(&device, &requester, "ifType", true, &list, 0, 0), nullptr);
  EXPECT_EQ(list, nullptr);
  EXPECT_TRUE(errors.Records().empty());  // empty is not a failure
  CTolRecord silent;
  silent.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.21"));
  list = &stale;
  EXPECT_EQ(DAUFWrapSNMPInTreeList(&silent, &requester, "ifType", true, &list, 0, 0), nullptr);
  EXPECT_EQ(list, nullptr);
  EXPECT_TRUE(errors.Contains(TOL_ERR_TIMEOUT));
  // Second form: rows that give no key make no tree.
  CTolDoubleList keyless;
  keyless.RDLAddToEnd(new CTolSnmpVarOp("ifType", nullptr, new CTolAtom(6)));
  CTolTreeList* tree = &staleTree;
  EXPECT_EQ(DAUFWrapSNMPInTreeList(&keyless, true, &tree, false), TOL_ERR_FAILED);
  EXPECT_EQ(tree, nullptr);
  EXPECT_EQ(DAUFWrapSNMPInTreeList(&keyless, false, &tree, false), 1);
  ASSERT_NE(tree, nullptr);
  EXPECT_NE(tree->RTLGet(6), nullptr);
  delete tree;
  EXPECT_EQ(DAUFWrapSNMPInTreeList(nullptr, true, &tree, false), TOL_ERR_NULL);
  EXPECT_EQ(tree, nullptr);
}

TEST(AgentUtils, ConvertIndexToMac) {
  const struct {
    std::vector<unsigned long> index;
    const char* mac;  // null: no text
  } kCases[] = {
      {{0, 4, 150, 18, 163, 1}, "00:04:96:12:A3:01"},
      {{1000004, 0, 26, 43, 60, 77, 94}, nullptr},  // seven: not a MAC address
      {{255, 255, 255, 255, 255, 255}, "FF:FF:FF:FF:FF:FF"},
      {{4, 150, 18, 163, 1}, nullptr},
      {{0, 4, 150, 18, 256, 1}, nullptr},
      {{}, nullptr},
  };
  for (const auto& c : kCases) {
    CTolASN1Address index(c.index);
    char* mac = DAUFConvertASN1IndexToMac(&index);
    EXPECT_EQ(std::string(mac ? mac : "<none>"), c.mac ? c.mac : "<none>") << index.RAAAsString();
    std::free(mac);
  }
  EXPECT_EQ(DAUFConvertASN1IndexToMac(nullptr), nullptr);
}

TEST(AgentUtils, StringToIntAndEntityIdentifier) {
  int value = 99;
  EXPECT_EQ(DAUFStringToInt("-17", &value, 10), 1);
  EXPECT_EQ(value, -17);
  EXPECT_EQ(DAUFStringToInt("ff", &value, 16), 1);
  EXPECT_EQ(value, 255);
  for (const char* bad : {"2147483648", "12x", "", " "}) {
    EXPECT_EQ(DAUFStringToInt(bad, &value, 10), TOL_ERR_FAILED) << bad;
  }
  EXPECT_EQ(value, 255);  // unchanged by failures
  CTolRecord device;
  device.RRAddValue(new CTolVarBind("m_IpAddress", "127.0.0.30"));
  EXPECT_STREQ(DAUFGetEntityIdentifier(&device), "127.0.0.30");
  device.RRAddValue(new CTolVarBind("m_Name", "core-1"));
  EXPECT_STREQ(DAUFGetEntityIdentifier(&device), "core-1");
  EXPECT_STREQ(DAUFGetEntityIdentifier(nullptr), "<unknown device>");
}

// Every kind of content is freed exactly once (LeakSanitizer and ASan check the builds).
TEST(AgentUtils, DeleteTreeListAndContents) {
  CTolTreeList* atoms = new CTolTreeList(false);
  atoms->RTLAdd("a", new CTolAtom(1));
  CTolTreeList* binds = new CTolTreeList(false);
  binds->RTLAdd("b", new CTolVarBind("m_X", 2));
  CTolTreeList* objects = new CTolTreeList(false);
  objects->RTLAdd("r", static_cast<CTolListable*>(new CTolRecord()));
  objects->RTLAdd("s", static_cast<CTolListable*>(new CTolSnmpVarOp("x", nullptr, nullptr)));
  CTolTreeList* texts = new CTolTreeList(false);
  texts->RTLAdd("t", strdup("heap text"));
  EXPECT_EQ(DAUFDeleteTreeListAndContents(atoms, eContentAtom), 1);
  EXPECT_EQ(DAUFDeleteTreeListAndContents(binds, eContentVarBind), 1);
  EXPECT_EQ(DAUFDeleteTreeListAndContents(objects, eContentObject), 1);
  EXPECT_EQ(DAUFDeleteTreeListAndContents(texts, eContentText), 1);
  EXPECT_EQ(DAUFDeleteTreeListAndContents(nullptr, eContentAtom), 1);
  CTolScopedErrorLog errors;
  EXPECT_EQ(DAUFDeleteTreeListAndContents(new CTolTreeList(false), 3), TOL_ERR_FAILED);
  EXPECT_TRUE(errors.Contains(TOL_ERR_FAILED, "unknown content type 3"));
}

}  // namespace
