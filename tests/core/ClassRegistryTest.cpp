#include "core/ClassRegistry.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/TObject.h"
#include "core/Tag.h"

namespace {

class TMassLike : public TObject {
  DECLARE_CLASS_ID(523, TObject)
};
class TPointLike : public TObject {
  DECLARE_CLASS_ID(686, TObject)
};

TObject* NewMass() {
  return new TMassLike;
}
TObject* NewPoint() {
  return new TPointLike;
}

class ClassRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { FreeClassRegistry(); }

  static std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < ClassRegistryCount(); ++i)
      names.push_back(ClassInfoAt(i).name);
    return names;
  }
};

TEST_F(ClassRegistryTest, FirstRegistrationOfATagWins) {
  RegisterClassInfo("TMass", MakeTag("mass"), 523, NewMass, sizeof(TMassLike));
  RegisterClassInfo("TOther", MakeTag("mass"), 999, NewPoint, 4);
  RegisterClassInfo("TNoFactory", MakeTag("none"), 5, nullptr, 4);
  FreezeClassRegistry();
  EXPECT_EQ(ClassRegistryCount(), 1);
  EXPECT_EQ(ClassIdFromTag(MakeTag("mass")), 523);
  EXPECT_EQ(InstanceSizeFromTag(MakeTag("mass")), sizeof(TMassLike));
  EXPECT_EQ(ClassTagFromName("TMass"), MakeTag("mass"));
  EXPECT_EQ(ClassTagFromName("TOther"), 0u);
  EXPECT_EQ(ClassIdFromTag(MakeTag("none")), -1);
  std::unique_ptr<TObject> made(CreateObjectByTag(MakeTag("mass")));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetClassID(), 523);
}

TEST_F(ClassRegistryTest, FrozenTableIsSortedDescending) {
  RegisterClassInfo("B", MakeTag("bbbb"), 2, NewMass, 1);
  RegisterClassInfo("A", MakeTag("aaaa"), 1, NewMass, 1);
  RegisterClassInfo("C", MakeTag("cccc"), 3, NewMass, 1);
  FreezeClassRegistry();
  EXPECT_EQ(TableNames(), (std::vector<std::string>{"C", "B", "A"}));
  // Unsigned order: the fourth character weighs most, and a high byte beats any letter.
  FreeClassRegistry();
  RegisterClassInfo("Low", MakeTag("zzza"), 1, NewMass, 1);
  RegisterClassInfo("High", TagFromString("\xE5\x63\x74\xFB"), 2, NewMass, 1);
  RegisterClassInfo("Mid", MakeTag("aaab"), 3, NewMass, 1);
  FreezeClassRegistry();
  EXPECT_EQ(TableNames(), (std::vector<std::string>{"High", "Mid", "Low"}));
}

TEST_F(ClassRegistryTest, LookupFindsEveryTagAtEverySize) {
  // Probing must reach every place of tables of all sizes, and nothing that is absent.
  for (uint32_t count = 1; count <= 70; ++count) {
    for (uint32_t i = 0; i < count; ++i) {
      RegisterClassInfo("C", 1000 + 7 * i, static_cast<int16_t>(i + 1), NewMass, i);
    }
    FreezeClassRegistry();
    for (uint32_t i = 0; i < count; ++i) {
      ASSERT_EQ(ClassIdFromTag(1000 + 7 * i), static_cast<int16_t>(i + 1)) << count;
      ASSERT_EQ(ClassIdFromTag(1000 + 7 * i + 3), -1) << count;
    }
    ASSERT_EQ(ClassIdFromTag(999), -1);
    ASSERT_EQ(ClassIdFromTag(0xFFFFFFFF), -1);
    FreeClassRegistry();
  }
}

TEST_F(ClassRegistryTest, OneClassRegistryFindsOnlyItsTag) {
  RegisterClassInfo("TPoint", MakeTag("poin"), 686, NewPoint, 8);
  FreezeClassRegistry();
  EXPECT_EQ(ClassIdFromTag(MakeTag("poin")), 686);
  EXPECT_EQ(ClassIdFromTag(MakeTag("mass")), -1);
  EXPECT_EQ(CreateObjectByTag(MakeTag("mass")), nullptr);
  EXPECT_EQ(InstanceSizeFromTag(MakeTag("mass")), 0u);
}

TEST_F(ClassRegistryTest, EmptyRegistryAndLookupsBeforeFreezing) {
  RegisterClassInfo("TPoint", MakeTag("poin"), 686, NewPoint, 8);
  EXPECT_EQ(ClassIdFromTag(MakeTag("poin")), -1);
  FreeClassRegistry();
  FreezeClassRegistry();
  EXPECT_EQ(ClassRegistryCount(), 0);
  EXPECT_EQ(ClassIdFromTag(MakeTag("poin")), -1);
  EXPECT_TRUE(RegisteredClassTags().empty());
}

TEST_F(ClassRegistryTest, RegistrationAfterFreezingIsIgnored) {
  FreezeClassRegistry();
  RegisterClassInfo("TPoint", MakeTag("poin"), 686, NewPoint, 8);
  EXPECT_EQ(ClassIdFromTag(MakeTag("poin")), -1);
  EXPECT_EQ(ClassRegistryCount(), 0);
}

TEST_F(ClassRegistryTest, ClassTagOfObject) {
  RegisterClassInfo("TPoint", MakeTag("poin"), 686, NewPoint, 8);
  RegisterClassInfo("TPointAgain", MakeTag("pnt2"), 686, NewPoint, 8);
  FreezeClassRegistry();
  const TPointLike point;
  // Both records carry 686; "poin" comes first in the table (its fourth character 'n' is
  // above '2').
  EXPECT_EQ(ClassTagOfObject(&point), MakeTag("poin"));
  const TMassLike mass;
  EXPECT_EQ(ClassTagOfObject(&mass), 0xFFFFFFFFu);
  EXPECT_EQ(ClassTagOfObject(nullptr), 0xFFFFFFFFu);
}

TEST_F(ClassRegistryTest, TranslationTablesHoldEveryRegisteredTag) {
  // More classes than the historical fixed table of 192 could hold.
  for (uint32_t i = 0; i < 300; ++i)
    RegisterClassInfo("C", 5000 + i, 1, NewMass, 1);
  FreezeClassRegistry();
  EXPECT_EQ(RegisteredClassTags().size(), 300u);
  EXPECT_EQ(RegisteredClassTags().front(), 5299u);
  for (uint32_t i = 0; i < 300; ++i)
    ASSERT_EQ(MapClassTag(5000 + i), 5000 + i);
  EXPECT_EQ(MapClassTag(42), 42u);
}

}  // namespace
