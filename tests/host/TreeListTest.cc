// CTolTreeList and CTolHashStore: keys of every form meet, order, refusal, removal, ownership.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/CTolAtom.h"
#include "host/CTolHashStore.h"
#include "host/CTolTreeList.h"
#include "host/TolTypes.h"

namespace {

std::vector<std::string> KeysInListOrder(CTolTreeList& tree) {
  std::vector<std::string> keys;
  CTolDoubleList* nodes = tree.RTLIterator();
  for (CTolListable* e = nodes->RDLHead(); e != nullptr; e = nodes->RDLGetNext(e)) {
    keys.push_back(static_cast<CTolPointer*>(e)->RPKey());
  }
  return keys;
}

// Key components in their expected order: numbers by value, then texts (non-canonical numbers
// such as "01" are texts) in byte order.
const std::string kLong = "1" + std::string(299, '0');  // past the short digit-count form
const std::string kMinusLong = "-" + kLong, kNines = "9" + std::string(253, '9');
const std::vector<std::string> kParts = {kMinusLong, "-100", "-20", "-1",
                                         "0",        "1",    "2",   "9",
                                         "10",       "11",   "100", "12345678901234567890123",
                                         kNines,     kLong,  "",    "\x01",
                                         "01",       "a",    "b",   "x1"};
const int kPartCount = static_cast<int>(kParts.size());

}  // namespace

TEST(TreeListTest, IntTextAndAtomKeysReachOneNode) {
  CTolTreeList tree(false);
  int first = 1, second = 2;
  CTolAtom intAtom(5), textAtom("5");
  ASSERT_EQ(TOL_OK, tree.RTLAdd(5, &first));
  EXPECT_EQ(&first, tree.RTLGet("5")->RPData());
  EXPECT_EQ(&first, tree.RTLGet(&intAtom)->RPData());
  EXPECT_EQ(&first, tree.RTLGet(&textAtom)->RPData());
  // Every form of a present key is refused and the tree is left as it was.
  EXPECT_EQ(TOL_ERR_KEY_TAKEN, tree.RTLAdd("5", &second));
  EXPECT_EQ(TOL_ERR_KEY_TAKEN, tree.RTLAdd(&intAtom, &second, true));
  EXPECT_EQ(TOL_ERR_KEY_TAKEN, tree.RTLAdd(5, &second));
  EXPECT_EQ(1, tree.RTLLength());
  EXPECT_EQ(&first, tree.RTLGet(5)->RPData());
  // A non-canonical text is another key.
  EXPECT_EQ(nullptr, tree.RTLGet("05"));
  ASSERT_EQ(TOL_OK, tree.RTLAdd("05", &second));
  EXPECT_EQ(&second, tree.RTLGet("05")->RPData());
  EXPECT_EQ(&first, tree.RTLGet(5)->RPData());
  // Null keys.
  CTolAtom nullAtom;
  EXPECT_EQ(TOL_ERR_NULL, tree.RTLAdd(static_cast<const char*>(nullptr), &first));
  EXPECT_EQ(TOL_ERR_NULL, tree.RTLAdd(static_cast<const CTolAtom*>(nullptr), &first));
  EXPECT_EQ(TOL_ERR_NULL, tree.RTLAdd(&nullAtom, &first));
  EXPECT_EQ(nullptr, tree.RTLGet(static_cast<const char*>(nullptr)));
  EXPECT_EQ(2, tree.RTLLength());
  // The tree keeps its own copy of a text key.
  char key[] = "1.5";
  ASSERT_EQ(TOL_OK, tree.RTLAdd(key, &first));
  key[2] = '7';
  EXPECT_EQ(nullptr, tree.RTLGet("1.7"));
  ASSERT_NE(nullptr, tree.RTLGet("1.5"));
  EXPECT_STREQ("1.5", tree.RTLGet("1.5")->RPKey());
}

// Random dotted keys, filed in random order: refused when present, found when filed, listed in
// component order. Among the 243 distinct keys of seed 7, neighbours in that order include a key
// before its own extensions and, at the first and at later components, negative before positive
// numbers, numbers of fewer digits before more, and numbers before texts.
TEST(TreeListTest, NodeListFollowsKeyOrderWhateverTheInsertionOrder) {
  std::mt19937 random(7);
  CTolTreeList tree(false);
  std::map<std::vector<int>, std::string> present;  // ordered as the tree must be
  std::vector<std::string> storage;
  storage.reserve(400);
  for (int i = 0; i < 400; ++i) {
    std::vector<int> parts{static_cast<int>(random() % kPartCount)};
    for (int n = random() % 3; n > 0; --n) parts.push_back(random() % kPartCount);
    std::string key = kParts[parts[0]];
    for (std::size_t p = 1; p < parts.size(); ++p) key += std::string(".") + kParts[parts[p]];
    storage.push_back(key);
    int expectedStatus = present.emplace(parts, key).second ? TOL_OK : TOL_ERR_KEY_TAKEN;
    ASSERT_EQ(expectedStatus, tree.RTLAdd(key.c_str(), &storage.back())) << key;
  }
  std::vector<std::string> sorted;
  for (const auto& entry : present) {
    sorted.push_back(entry.second);
    CTolPointer* node = tree.RTLGet(entry.second.c_str());
    ASSERT_NE(nullptr, node) << entry.second;
    EXPECT_EQ(entry.second, *static_cast<std::string*>(node->RPData()));
  }
  EXPECT_EQ(sorted, KeysInListOrder(tree));
}

// Lookups follow the list from the previous hit, and a tree filled in order has no hash index
// until one is needed: runs of in-order lookups, jumps, absent keys (before, between and after the
// keys), duplicates, removals of the node found last and late out-of-order additions must all
// answer as a plain ordered set would.
TEST(TreeListTest, LookupsAnswerAlikeWhateverTheirPattern) {
  std::mt19937 random(11);
  for (int round = 0; round < 4; ++round) {
    CTolTreeList tree(false);
    std::set<int> model;
    int data = 0;  // removal hands back the data: it must not be null
    for (int k = 0; k < 600; k += 2) {
      ASSERT_EQ(TOL_OK, tree.RTLAdd(k, &data));
      model.insert(k);
    }
    if (round == 3) {  // the last key again
      EXPECT_EQ(TOL_ERR_KEY_TAKEN, tree.RTLAdd(598, &data));
    }
    if (round == 0) {  // no index yet: the largest key, one beyond it, one between two keys
      EXPECT_NE(nullptr, tree.RTLGet(598));
      EXPECT_EQ(nullptr, tree.RTLGet(599));
      EXPECT_EQ(nullptr, tree.RTLGet(1));
    }
    int k = static_cast<int>(random() % 600);
    for (int step = 0; step < 3000; ++step) {
      switch (random() % 8) {
        case 0:
          k = static_cast<int>(random() % 700) - 50;
          break;  // a jump, maybe outside
        case 1:
          if (round % 2 && tree.RTLRemove(std::to_string(k).c_str())) model.erase(k);
          break;
        case 2:
          if (round > 1 && tree.RTLAdd(k, &data) == TOL_OK) model.insert(k);
          break;
        default:
          k += 1 + static_cast<int>(random() % 2);  // the next key, or the one after
      }
      ASSERT_EQ(model.count(k) == 1, tree.RTLGet(k) != nullptr)
          << "round " << round << " key " << k;
    }
    std::vector<std::string> expected;
    for (int key : model) expected.push_back(std::to_string(key));
    EXPECT_EQ(expected, KeysInListOrder(tree));
  }
}

TEST(TreeListTest, RemoveHandsBackDataAndKeepsOrder) {
  auto* owned = new int(42);  // the tree never frees data: the test does
  {
    CTolTreeList tree(false);
    ASSERT_EQ(TOL_OK, tree.RTLAdd(3, owned));
    ASSERT_EQ(TOL_OK, tree.RTLAdd(1, nullptr));
    ASSERT_EQ(TOL_OK, tree.RTLAdd(2, nullptr));
    EXPECT_EQ(owned, tree.RTLRemove("3"));
    EXPECT_EQ(nullptr, tree.RTLRemove("3"));
    EXPECT_EQ(nullptr, tree.RTLGet(3));
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), KeysInListOrder(tree));
    ASSERT_EQ(TOL_OK, tree.RTLAdd(3, owned));  // a removed key can be filed again
    ASSERT_EQ(TOL_OK, tree.RTLAdd(0, nullptr));
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "3"}), KeysInListOrder(tree));
  }
  EXPECT_EQ(42, *owned);
  delete owned;
}

TEST(HashStoreTest, FilesRetrievesAndRefusesPresentKeys) {
  CTolHashStore store(4, false, false, 0);
  int a = 1, b = 2;
  EXPECT_EQ(TOL_OK, store.RHSAddObjectAt(10, &a));
  EXPECT_EQ(TOL_OK, store.RHSAddObjectAt(0, nullptr));
  EXPECT_EQ(TOL_ERR_KEY_TAKEN, store.RHSAddObjectAt(10, &b));
  EXPECT_EQ(&a, store.RHSRetrieveObject(10)->RPData());
  ASSERT_NE(nullptr, store.RHSRetrieveObject(0));
  EXPECT_EQ(nullptr, store.RHSRetrieveObject(0)->RPData());
  EXPECT_EQ(nullptr, store.RHSRetrieveObject(11));
  EXPECT_EQ(2, store.RHSSize());
}
