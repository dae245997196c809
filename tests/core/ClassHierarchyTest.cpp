#include "core/ClassHierarchy.h"

#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/Handle.h"

namespace {

class ClassHierarchyTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override {
    FreeClassHierarchy();
    FreeHandlePool();
  }

  // Installs a table of (class, parent) pairs; the count word is pairs - 1.
  static void Install(const std::vector<int16_t>& pairs) {
    std::vector<int16_t> words{static_cast<int16_t>(pairs.size() / 2 - 1)};
    words.insert(words.end(), pairs.begin(), pairs.end());
    AdoptClassHierarchy(NewHandleFromBytes(words.data(), 2 * words.size()));
  }
};

constexpr int16_t kThing = 629, kMass = 523, kPolygon = 535, kPoint = 686, kLink = 515;

// A thing-like family: polygon -> mass -> thing -> link -> root; point -> thing.
const std::vector<int16_t> kFamily = {kPolygon, kMass, kMass,  kThing, kThing, kLink,
                                      kLink,    257,   kPoint, kThing, 257,    0};

TEST_F(ClassHierarchyTest, WalksParentsUpToTheAncestor) {
  Install(kFamily);
  EXPECT_TRUE(IsDescendantClassID(kPolygon, kThing));
  EXPECT_TRUE(IsDescendantClassID(kPolygon, 257));
  EXPECT_FALSE(IsDescendantClassID(kThing, kMass));
  EXPECT_FALSE(IsDescendantClassID(kPoint, kMass));
  EXPECT_EQ(ParentClassId(kMass), kThing);
  EXPECT_EQ(ParentClassId(257), 0);
  EXPECT_EQ(ParentClassId(999), 0);
}

TEST_F(ClassHierarchyTest, UnlistedIdentifierIsOnlyItself) {
  Install(kFamily);
  EXPECT_TRUE(IsDescendantClassID(999, 999));
  EXPECT_FALSE(IsDescendantClassID(999, 257));
  FreeClassHierarchy();
  EXPECT_TRUE(IsDescendantClassID(kMass, kMass));
  EXPECT_FALSE(IsDescendantClassID(kMass, kThing));
}

TEST_F(ClassHierarchyTest, CommonBaseAndNarrower) {
  Install(kFamily);
  EXPECT_EQ(CommonBaseClassId(kPolygon, kPoint), kThing);
  EXPECT_EQ(CommonBaseClassId(kPolygon, kMass), kMass);
  EXPECT_EQ(CommonBaseClassId(kMass, kPolygon), kMass);
  EXPECT_EQ(CommonBaseClassId(999, kPolygon), 0);
  EXPECT_EQ(NarrowerClassId(kMass, kThing), kMass);
  EXPECT_EQ(NarrowerClassId(kThing, kMass), kMass);
  EXPECT_EQ(NarrowerClassId(kPoint, kMass), kMass);
}

TEST_F(ClassHierarchyTest, FirstPairListingAnIdentifierWins) {
  Install({kMass, kThing, kMass, kPoint, kThing, 257, 257, 0});
  EXPECT_EQ(ParentClassId(kMass), kThing);
  EXPECT_FALSE(IsDescendantClassID(kMass, kPoint));
}

TEST_F(ClassHierarchyTest, CycleEndsTheWalk) {
  Install({kMass, kThing, kThing, kMass});
  EXPECT_FALSE(IsDescendantClassID(kMass, 257));
  EXPECT_EQ(CommonBaseClassId(kPoint, kMass), 0);
}

TEST_F(ClassHierarchyTest, TableLongerThanItsResourceIsRefused) {
  // The count promises 5 pairs but only 2 follow.
  const int16_t words[] = {4, kMass, kThing, kThing, 257};
  try {
    AdoptClassHierarchy(NewHandleFromBytes(words, sizeof words));
    FAIL() << "a short table was accepted";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
  EXPECT_FALSE(IsClassHierarchyLoaded());
  const uint8_t oneByte = 0;
  EXPECT_THROW(AdoptClassHierarchy(NewHandleFromBytes(&oneByte, 1)), QVException);
  EXPECT_THROW(AdoptClassHierarchy(nullptr), QVException);
}

}  // namespace
