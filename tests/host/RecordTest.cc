// CTolVarBind, CTolVBList and CTolRecord: ownership, object values, deep copies, text form.
#include <gtest/gtest.h>

#include <string>

#include "host/CTolRecord.h"
#include "host/TolTypes.h"

namespace {

// An entry of the kind the VLAN store keeps: name an integer atom, value a list of bindings.
CTolVarBind* Entry(int ifIndex) {
  CTolAtom* value = new CTolAtom(new CTolVBList());
  return new CTolVarBind(CTolAtom(ifIndex), &value);
}

std::string Names(const CTolVBList& list) {
  std::string names;
  for (CTolVarBind* vb = list.RVBLHead(); vb != nullptr; vb = list.RVBLGetNext(vb)) {
    names +=
        vb->RVBName()->RAText() + "=" + (vb->RVBValue() ? vb->RVBValue()->RAText() : "-") + ";";
  }
  return names;
}

}  // namespace

TEST(RecordTest, BindingsTakeOrCopyTheirValues) {
  CTolAtom* given = new CTolAtom(7);
  CTolVarBind taking("m_Port", &given);
  EXPECT_EQ(nullptr, given);
  EXPECT_EQ(7, taking.RVBValue()->RAInt());

  CTolAtom kept("x");
  CTolVarBind copying(CTolAtom(3), &kept);
  EXPECT_NE(&kept, copying.RVBValue());
  EXPECT_EQ(nullptr, copying.RVBNameText());  // an integer name has no text
  EXPECT_EQ(nullptr, CTolVarBind("m_None", static_cast<const char*>(nullptr)).RVBValue());
  CTolVarBind copy(copying);
  EXPECT_NE(copy.RVBValue(), copying.RVBValue());
  EXPECT_TRUE(*copy.RVBValue() == *copying.RVBValue());
}

TEST(RecordTest, ObjectValuesAppendOrReplaceByName) {
  CTolVarBind* entry = Entry(1005);
  EXPECT_EQ(TOL_OK, entry->RVBAddOrSetObjVal(new CTolVarBind(CTolAtom(10), 0), true));
  EXPECT_EQ(TOL_OK, entry->RVBAddOrSetObjVal(new CTolVarBind(CTolAtom(20), 1), true));
  EXPECT_EQ(TOL_OK, entry->RVBAddOrSetObjVal(new CTolVarBind(CTolAtom(10), 5), true));
  EXPECT_EQ("10=0;20=1;10=5;", Names(*entry->RVBValue()->RAObject()));
  // Replacing keeps the first binding of that name in its place.
  EXPECT_EQ(TOL_OK, entry->RVBAddOrSetObjVal(new CTolVarBind(CTolAtom(10), 9), false));
  EXPECT_EQ(TOL_OK, entry->RVBAddOrSetObjVal(new CTolVarBind(CTolAtom(30), 3), false));
  EXPECT_EQ("10=9;20=1;10=5;30=3;", Names(*entry->RVBValue()->RAObject()));

  // Refusals leave the binding with the caller.
  CTolVarBind plain("m_Port", 5);
  CTolVarBind loose(CTolAtom(40), 4);
  EXPECT_EQ(TOL_ERR_FAILED, plain.RVBAddOrSetObjVal(&loose, true));
  EXPECT_EQ(TOL_ERR_NULL, entry->RVBAddOrSetObjVal(nullptr, false));
  EXPECT_EQ(TOL_ERR_FAILED, entry->RVBAddOrSetObjVal(entry, true));
  CTolVarBind* linked = entry->RVBValue()->RAObject()->RVBLHead();
  EXPECT_EQ(TOL_ERR_FAILED, entry->RVBAddOrSetObjVal(linked, false));
  EXPECT_EQ(TOL_ERR_FAILED, entry->RVBAddOrSetObjVal(linked, true));
  EXPECT_EQ(4, entry->RVBValue()->RAObject()->RVBLLength());
  delete entry;
}

TEST(RecordTest, ListCopiesAndAssignmentsAreDeep) {
  CTolVBList list;
  list.RVBLAddToListEnd(new CTolVarBind("m_Name", "sw1"));
  list.RVBLAddToListEnd(Entry(2));
  CTolVBList copy(list);
  EXPECT_TRUE(copy == list);
  list.RVBLFind("m_Name")->RVBValue()->RACoerce(eTolBytes);
  EXPECT_EQ(eTolString, copy.RVBLFind("m_Name")->RVBValue()->RAType());
  EXPECT_FALSE(copy == list);

  // Assigning from a list nested inside the target copies it first.
  CTolVBList inner;
  inner.RVBLAddToListEnd(new CTolVarBind("m_X", 1));
  CTolVBList outer;
  CTolAtom* holder = new CTolAtom(new CTolVBList(inner));
  outer.RVBLAddToListEnd(new CTolVarBind("m_In", &holder));
  outer = *outer.RVBLHead()->RVBValue()->RAObject();
  EXPECT_TRUE(outer == inner);
  EXPECT_EQ(TOL_ERR_NULL, outer.RVBLAddToListEnd(nullptr));
  EXPECT_EQ(TOL_ERR_FAILED, outer.RVBLAddToListEnd(inner.RVBLHead()));
}

TEST(RecordTest, RecordFieldsCopiesAndTextForm) {
  CTolRecord record(new CTolVBList());
  ASSERT_EQ(TOL_OK, record.RRAddValue(new CTolVarBind("m_Name", "sw1")));
  ASSERT_EQ(TOL_OK, record.RRAddValue(new CTolVarBind("m_IfIndex", 5)));
  ASSERT_EQ(TOL_OK,
            record.RRAddValue(new CTolVarBind("m_Empty", static_cast<const CTolAtom*>(nullptr))));
  EXPECT_EQ(5, record.RRValueOf("m_IfIndex")->RAInt());
  EXPECT_EQ(nullptr, record.RRValueOf("m_Empty"));
  EXPECT_EQ(nullptr, record.RRValueOf("m_Absent"));
  EXPECT_EQ(nullptr, record.RRValueOf(nullptr));
  EXPECT_EQ(TOL_ERR_NULL, record.RRAddValue(nullptr));
  EXPECT_EQ(TOL_ERR_FAILED, record.RRAddValue(record.RRValues().RVBLHead()));

  EXPECT_STREQ("{m_Name=sw1, m_IfIndex=5, m_Empty=}", record.RRPrintStr(true));
  EXPECT_STREQ("{sw1, 5, }", record.RRPrintStr(false));
  EXPECT_STREQ("{}", CTolRecord(nullptr).RRPrintStr(true));

  CTolRecord copy(record);
  CTolVBList* values = record.RRCopyValues();
  record.RRValueOf("m_IfIndex")->RACoerce(eTolString);
  record.RRAddValue(new CTolVarBind("m_More", 1));
  EXPECT_EQ(eTolInteger, copy.RRValueOf("m_IfIndex")->RAType());
  EXPECT_EQ(3, copy.RRValues().RVBLLength());
  EXPECT_TRUE(*values == copy.RRValues());
  delete values;
}
