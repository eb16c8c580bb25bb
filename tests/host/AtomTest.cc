// CTolAtom, CTolAtomVector and CTolString: text forms, integers, coercion, deep copies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolString.h"
#include "host/CTolVBList.h"
#include "host/TolTypes.h"

namespace {

CTolAtom* ObjectAtom() {
  auto* list = new CTolVBList();
  list->RVBLAddToListEnd(new CTolVarBind("m_A", 1));
  list->RVBLAddToListEnd(new CTolVarBind("m_B", "x"));
  return new CTolAtom(list);
}

CTolAtom* VectorAtom() {
  auto* vector = new CTolAtomVector(4);
  vector->RAVAddToEnd(new CTolAtom(1));
  vector->RAVAddToEnd(new CTolAtom("a"));
  return new CTolAtom(vector);
}

const unsigned char kOctets[] = {0x00, 0x1a, 0xff};

}  // namespace

TEST(AtomTest, TextFormsAndIntegers) {
  const struct {
    const char* what;
    std::function<CTolAtom*()> make;
    ETolDataType type;
    const char* text;
    int asInt;
  } rows[] = {
      {"int", [] { return new CTolAtom(42); }, eTolInteger, "42", 42},
      {"negative int", [] { return new CTolAtom(-7); }, eTolInteger, "-7", -7},
      {"64-bit", [] { return CTolAtom::RAMakeInt64(0x100000005LL); }, eTolInteger, "4294967301", 5},
      {"decimal text", [] { return new CTolAtom("123"); }, eTolString, "123", 123},
      {"negative text", [] { return new CTolAtom("-4"); }, eTolString, "-4", -4},
      {"other text", [] { return new CTolAtom("12a"); }, eTolString, "12a", 0},
      {"empty text", [] { return new CTolAtom(""); }, eTolString, "", 0},
      {"null text", [] { return new CTolAtom(static_cast<const char*>(0)); }, eTolNull, "", 0},
      {"bytes", [] { return new CTolAtom(kOctets, sizeof kOctets); }, eTolBytes, "001AFF", 0},
      {"null atom", [] { return new CTolAtom(); }, eTolNull, "", 0},
      {"object", ObjectAtom, eTolObject, "{m_A=1, m_B=x}", 0},
      {"vector", VectorAtom, eTolVector, "[1, a]", 0},
  };
  for (const auto& row : rows) {
    std::unique_ptr<CTolAtom> atom(row.make());
    EXPECT_EQ(row.type, atom->RAType()) << row.what;
    char* text = atom->RAStrRep();
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ(row.text, text) << row.what;
    free(text);
    EXPECT_EQ(row.text, atom->RAText()) << row.what;
    EXPECT_EQ(row.asInt, atom->RAInt()) << row.what;
  }
}

TEST(AtomTest, CoercionAndBytes) {
  CTolAtom index(5);
  ASSERT_EQ(TOL_OK, index.RACoerce(eTolString));
  EXPECT_STREQ("5", index.RAString());
  ASSERT_EQ(TOL_OK, index.RACoerce(eTolInteger));
  EXPECT_EQ(5, index.RAInt());
  EXPECT_EQ(TOL_OK, index.RACoerce(eTolInteger));  // own type: no change
  CTolAtom word("x5");
  EXPECT_EQ(TOL_ERR_FAILED, word.RACoerce(eTolInteger));
  EXPECT_STREQ("x5", word.RAString());
  std::unique_ptr<CTolAtom> object(ObjectAtom());
  EXPECT_EQ(TOL_ERR_FAILED, object->RACoerce(eTolString));
  EXPECT_EQ(eTolObject, object->RAType());

  const unsigned char* bytes = nullptr;
  int length = 0;
  CTolAtom octets(kOctets, sizeof kOctets);
  ASSERT_EQ(TOL_OK, octets.RAUChar(&bytes, &length));
  EXPECT_EQ(std::string("\x00\x1a\xff", 3),
            std::string(reinterpret_cast<const char*>(bytes), length));
  EXPECT_EQ(TOL_ERR_FAILED, octets.RACoerce(eTolString));  // embedded NUL
  EXPECT_EQ(TOL_ERR_FAILED, index.RAUChar(&bytes, &length));
  EXPECT_EQ(TOL_ERR_NULL, octets.RAUChar(nullptr, &length));
  EXPECT_EQ(nullptr, octets.RAString());
}

TEST(AtomTest, CopiesAreDeepAndVectorsOwnTheirAtoms) {
  std::unique_ptr<CTolAtom> original(ObjectAtom());
  CTolAtom copy(*original);
  EXPECT_TRUE(copy == *original);
  original->RAObject()->RVBLAddToListEnd(new CTolVarBind("m_C", 3));
  EXPECT_EQ(2, copy.RAObject()->RVBLLength());
  EXPECT_TRUE(copy != *original);
  // Assigning an atom from a value nested inside itself must copy before letting go.
  CTolAtom nested(*original);
  nested = *nested.RAObject()->RVBLFind("m_B")->RVBValue();
  EXPECT_STREQ("x", nested.RAString());

  std::unique_ptr<CTolAtom> vectorAtom(VectorAtom());
  CTolAtom vectorCopy(*vectorAtom);
  vectorAtom->RAVector()->RAVAddToEnd(new CTolAtom(2));
  EXPECT_EQ(2, vectorCopy.RAVector()->RAVSize());
  EXPECT_FALSE(*vectorAtom == vectorCopy);
  CTolAtomVector vector(10);
  EXPECT_EQ(0, vector.RAVSize());
  EXPECT_EQ(TOL_ERR_NULL, vector.RAVAddToEnd(nullptr));
  EXPECT_EQ(nullptr, vector.RAVGetValue(0));
  EXPECT_EQ(nullptr, vector.RAVGetValue(-1));
}

TEST(AtomTest, StringAppendsEveryForm) {
  CTolString text;
  CTolAtom bytes(kOctets, sizeof kOctets);
  text.RSStrCat("select ");
  text.RSStrCat(static_cast<const char*>(nullptr));
  text.RSStrCat(-12);
  text.RSStrCat(&bytes);
  text.RSStrCat(static_cast<const CTolAtom*>(nullptr));
  EXPECT_STREQ("select -12001AFF", text.RSString());
  EXPECT_EQ(16, text.RSStringLength());
  char* copy = text.RSStringCopy();
  text.RSStrCat("!");
  EXPECT_STREQ("select -12001AFF", copy);
  free(copy);
}
