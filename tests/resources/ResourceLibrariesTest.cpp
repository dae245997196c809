#include "resources/ResourceLibraries.h"

#include <cstring>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "core/ClassHierarchy.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "platform/win32/Resource.h"

namespace {

// The program's own libraries, read through the resource calls as the program reads them.
class ResourceLibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
    SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
  }
  void TearDown() override {
    FreeClassHierarchy();
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    SetResourceModule3(nullptr);
    FreeHandlePool();
  }

  // The (class, parent) pairs of 'HIER', read straight from its bytes.
  static std::map<int16_t, int16_t> HierarchyPairs() {
    std::map<int16_t, int16_t> pairs;
    Handle table = GetResourceHandle(MakeTag("HIER"), kClassHierarchyResourceId);
    EXPECT_NE(table, nullptr);
    if (table == nullptr) return pairs;
    uint16_t n = 0;
    std::memcpy(&n, HandleData(table), 2);
    EXPECT_EQ(GetHandleByteSize(table), 2u + 4u * (n + 1u));
    for (uint32_t i = 0; i <= n; ++i) {
      int16_t pair[2];
      std::memcpy(pair, HandleData(table) + 2 + 4 * i, 4);
      EXPECT_TRUE(pairs.emplace(pair[0], pair[1]).second) << "class listed twice: " << pair[0];
    }
    ReleaseResourceHandle(table);
    return pairs;
  }
};

TEST_F(ResourceLibrariesTest, ThreeLibrariesAreKnownByName) {
  EXPECT_NE(GetResourceModule1(), nullptr);
  EXPECT_NE(GetResourceModule2(), nullptr);
  EXPECT_NE(GetResourceModule3(), nullptr);
  EXPECT_NE(GetResourceModule1(), GetResourceModule2());
  // Registering again keeps the libraries usable.
  RegisterResourceLibraries();
  EXPECT_NE(LoadResourceLibrary(kMainResourceLibrary), nullptr);
}

// Every registered class with its identifier (the classes made from stored tags).
const int16_t kRegisteredClasses[] = {
    368, 369, 375, 376, 378, 379, 384, 393, 398, 399, 401, 406, 407, 418, 422, 423, 434,
    435, 436, 438, 444, 469, 496, 497, 498, 499, 501, 502, 503, 504, 505, 506, 513, 514,
    515, 517, 523, 528, 533, 535, 616, 626, 627, 629, 645, 647, 648, 649, 650, 652, 653,
    655, 656, 657, 659, 660, 663, 664, 666, 667, 674, 675, 676, 678, 679, 680, 681, 682,
    683, 684, 686, 687, 695, 702, 712, 715, 716, 717, 718, 724, 725, 824};

TEST_F(ResourceLibrariesTest, HierarchyIsAForestUnderTheRoot) {
  const std::map<int16_t, int16_t> pairs = HierarchyPairs();
  EXPECT_EQ(pairs.at(257), 0);
  for (const auto& [classId, parentId] : pairs) {
    // Every parent is listed itself, and every chain ends without a cycle.
    if (parentId != 0) {
      EXPECT_EQ(pairs.count(parentId), 1u) << classId << " -> " << parentId;
    }
    std::set<int16_t> seen;
    for (int16_t walk = classId; walk != 0 && pairs.count(walk) != 0; walk = pairs.at(walk)) {
      ASSERT_TRUE(seen.insert(walk).second) << "cycle through " << classId;
    }
  }
  EXPECT_EQ(std::size(kRegisteredClasses), 82u);
  for (const int16_t classId : kRegisteredClasses) {
    EXPECT_EQ(pairs.count(classId), 1u) << classId;
  }
}

TEST_F(ResourceLibrariesTest, KindOfFollowsTheProgramsHierarchy) {
  LoadClassHierarchy();
  // Collections: list -> dynamic array -> collection -> root.
  EXPECT_TRUE(IsDescendantClassID(323, 320));
  EXPECT_TRUE(IsDescendantClassID(322, 257));
  // Every world object is a list; every registered class descends from the root.
  EXPECT_TRUE(IsDescendantClassID(629, 322));
  for (const int16_t classId : kRegisteredClasses)
    EXPECT_TRUE(IsDescendantClassID(classId, 257));
  // Bodies, points and the constraint family.
  EXPECT_TRUE(IsDescendantClassID(695, 535));
  EXPECT_TRUE(IsDescendantClassID(676, 523));
  EXPECT_TRUE(IsDescendantClassID(824, 686));
  EXPECT_FALSE(IsDescendantClassID(686, 523));
  EXPECT_TRUE(IsDescendantClassID(681, 680));
  EXPECT_TRUE(IsDescendantClassID(650, 645));
  EXPECT_TRUE(IsDescendantClassID(375, 370));
  EXPECT_TRUE(IsDescendantClassID(499, 367));
  EXPECT_TRUE(IsDescendantClassID(368, 367));
  EXPECT_FALSE(IsDescendantClassID(368, 370));
  // Gadgets, inputs and outputs.
  EXPECT_TRUE(IsDescendantClassID(444, 398));
  EXPECT_TRUE(IsDescendantClassID(533, 715));
  EXPECT_EQ(CommonBaseClassId(444, 533), 715);
  EXPECT_EQ(CommonBaseClassId(676, 535), 523);
  EXPECT_EQ(NarrowerClassId(523, 629), 523);
  EXPECT_EQ(NarrowerClassId(629, 523), 523);
}

TEST_F(ResourceLibrariesTest, StringsOfEachLibraryLoad) {
  char text[64];
  EXPECT_GT(LoadStringA(GetResourceModule1(), 1, text, sizeof text), 0);
  EXPECT_STREQ(text, "Yarrowby");
  EXPECT_EQ(LoadStringA(GetResourceModule3(), 1, text, sizeof text), 0);
}

}  // namespace
