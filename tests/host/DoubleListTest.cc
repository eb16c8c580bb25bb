// CTolDoubleList: linking, ownership (delete, detach, remove) and deep copies; CTolPointer.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/CTolDoubleList.h"
#include "host/CTolPointer.h"
#include "host/TolTypes.h"

namespace {

// An element that counts the live instances, so that leaks and double deletes show as counts.
class Tracked : public CTolListable {
 public:
  Tracked(int value, int* live) : m_Value(value), m_Live(live) { ++*m_Live; }
  Tracked(const Tracked& o) : CTolListable(o), m_Value(o.m_Value), m_Live(o.m_Live) { ++*m_Live; }
  ~Tracked() override { --*m_Live; }
  CTolListable* RLTargetDeepCopy(const CTolListable* source) override {
    return new Tracked(*static_cast<const Tracked*>(source));
  }
  int m_Value;
  int* m_Live;
};

// An element without a copy: deep copies of lists leave it out.
class Uncopyable : public CTolListable {};

std::vector<int> Values(const CTolDoubleList& list) {
  std::vector<int> values;
  for (CTolListable* e = list.RDLHead(); e != nullptr; e = list.RDLGetNext(e)) {
    values.push_back(static_cast<Tracked*>(e)->m_Value);
  }
  return values;
}

}  // namespace

TEST(DoubleListTest, LinksInOrderAndRefusesForeignElements) {
  int live = 0;
  {
    CTolDoubleList list, other;
    auto* one = new Tracked(1, &live);
    auto* three = new Tracked(3, &live);
    ASSERT_EQ(TOL_OK, list.RDLAddToEnd(one));
    ASSERT_EQ(TOL_OK, list.RDLAddToEnd(three));
    ASSERT_EQ(TOL_OK, list.RDLInsertBefore(new Tracked(0, &live), one));
    ASSERT_EQ(TOL_OK, list.RDLInsertBefore(new Tracked(2, &live), three));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), Values(list));
    EXPECT_EQ(4, list.RDLLength());
    EXPECT_EQ(three, list.RDLTail());
    EXPECT_EQ(one, list.RDLGetPrev(list.RDLGetPrev(three)));

    EXPECT_EQ(TOL_ERR_NULL, list.RDLAddToEnd(nullptr));
    EXPECT_EQ(TOL_ERR_FAILED, other.RDLAddToEnd(one));  // already in a list
    EXPECT_EQ(TOL_ERR_FAILED, list.RDLAddToEnd(&list));
    Tracked stranger(9, &live), loose(8, &live);
    EXPECT_EQ(TOL_ERR_FAILED, list.RDLInsertBefore(&loose, &stranger));  // not before one of ours
    EXPECT_EQ(nullptr, list.RDLGetNext(&stranger));
    EXPECT_EQ(nullptr, other.RDLRemove(one));

    // A removed element belongs to the caller and may join another list.
    EXPECT_EQ(one, list.RDLRemove(one));
    EXPECT_EQ((std::vector<int>{0, 2, 3}), Values(list));
    EXPECT_EQ(TOL_OK, other.RDLAddToEnd(one));

    // Detaching hands every element over without deleting it, free of its old links and owner.
    std::vector<CTolListable*> detached;
    for (auto* e = list.RDLHead(); e; e = list.RDLGetNext(e)) detached.push_back(e);
    EXPECT_EQ(TOL_ERR_FAILED, list.RDLSetHead(detached[0]));
    ASSERT_EQ(TOL_OK, list.RDLSetHead(nullptr));
    EXPECT_EQ(0, list.RDLLength());
    EXPECT_EQ(nullptr, list.RDLHead());
    EXPECT_EQ(6, live);
    for (CTolListable* e : detached) ASSERT_EQ(TOL_OK, other.RDLAddToEnd(e));
    EXPECT_EQ((std::vector<int>{1, 0, 2, 3}), Values(other));
  }
  EXPECT_EQ(0, live);
}

TEST(DoubleListTest, CopyIsDeepAndLeavesOutUncopyableElements) {
  int live = 0;
  {
    CTolDoubleList list;
    list.RDLAddToEnd(new Tracked(1, &live));
    list.RDLAddToEnd(new Uncopyable());
    list.RDLAddToEnd(new Tracked(2, &live));
    CTolDoubleList copy(list);
    EXPECT_EQ((std::vector<int>{1, 2}), Values(copy));
    EXPECT_EQ(4, live);
    EXPECT_NE(list.RDLHead(), copy.RDLHead());
    static_cast<Tracked*>(copy.RDLHead())->m_Value = 7;
    list.RDLClear();
    EXPECT_EQ(0, list.RDLLength());
    EXPECT_EQ((std::vector<int>{7, 2}), Values(copy));

    // A list nested in a list is copied through the same path.
    CTolDoubleList outer;
    outer.RDLAddToEnd(new CTolDoubleList(copy));
    CTolDoubleList outerCopy(outer);
    EXPECT_EQ((std::vector<int>{7, 2}), Values(*static_cast<CTolDoubleList*>(outerCopy.RDLHead())));
    EXPECT_EQ(6, live);
  }
  EXPECT_EQ(0, live);
}

TEST(DoubleListTest, PointerCopiesShareTheirData) {
  int data = 5;
  CTolPointer node(&data, "1.5");
  std::unique_ptr<CTolPointer> copy(static_cast<CTolPointer*>(node.RLTargetDeepCopy(&node)));
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(&data, copy->RPData());
  EXPECT_STREQ("1.5", copy->RPKey());
  Uncopyable other;
  EXPECT_EQ(nullptr, node.RLTargetDeepCopy(&other));  // another type is not copied as a pointer
}
