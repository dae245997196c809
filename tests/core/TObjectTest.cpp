#include "core/TObject.h"

#include <gtest/gtest.h>

#include "core/ClassHierarchy.h"
#include "core/Handle.h"

namespace {

// A small chain shaped like the collection classes: 322 -> 321 -> 320 -> 257.
class TCollectionLike : public TObject {
  DECLARE_CLASS_ID(320, TObject)
};
class TArrayLike : public TCollectionLike {
  DECLARE_CLASS_ID(321, TCollectionLike)
};
class TListLike : public TArrayLike {
  DECLARE_CLASS_ID(322, TArrayLike)

 public:
  explicit TListLike(int* destroyed = nullptr) : destroyed_(destroyed) {}
  ~TListLike() override {
    if (destroyed_ != nullptr) ++*destroyed_;
  }

 private:
  int* destroyed_;
};

TEST(TObjectTest, IdentityChainListsEveryDepthThenZero) {
  const TListLike list;
  EXPECT_EQ(list.GetClassID(), 322);
  EXPECT_EQ(list.GetClassIDAt(0), 322);
  EXPECT_EQ(list.GetClassIDAt(1), 321);
  EXPECT_EQ(list.GetClassIDAt(2), 320);
  EXPECT_EQ(list.GetClassIDAt(3), 257);
  EXPECT_EQ(list.GetClassIDAt(4), 0);
  const TObject root;
  EXPECT_EQ(root.GetClassIDAt(0), 257);
  EXPECT_EQ(root.GetClassIDAt(1), 0);
}

TEST(TObjectTest, MembershipFollowsTheCompiledChain) {
  const TListLike list;
  EXPECT_TRUE(list.IsMemberClass(257));
  EXPECT_TRUE(list.IsMemberClass(320));
  EXPECT_TRUE(list.IsMemberClass(322));
  EXPECT_FALSE(list.IsMemberClass(323));
  EXPECT_FALSE(IsKindOfSafe(nullptr, 322));
  EXPECT_TRUE(IsKindOfSafe(&list, 320));
  EXPECT_FALSE(IsKindOfSafe(&list, 323));
  const TCollectionLike collection;
  EXPECT_FALSE(IsKindOfSafe(&collection, 322));
}

TEST(TObjectTest, FreeAndSafeDeleteDestroy) {
  int destroyed = 0;
  (new TListLike(&destroyed))->Free();
  EXPECT_EQ(destroyed, 1);
  SafeDelete(new TListLike(&destroyed));
  EXPECT_EQ(destroyed, 2);
  SafeDelete(nullptr);
  EXPECT_EQ(destroyed, 2);
}

TEST(TObjectTest, KindOfFollowsTheHierarchyTable) {
  InitHandlePool();
  // N = 2, then three pairs: 320 under 257, 322 under 320 (the table skips 321), 257 the root.
  const int16_t table[] = {2, 320, 257, 322, 320, 257, 0};
  AdoptClassHierarchy(NewHandleFromBytes(table, sizeof table));
  const TListLike list;
  EXPECT_TRUE(list.IsKindOfClassID(322));
  EXPECT_TRUE(list.IsKindOfClassID(320));
  EXPECT_TRUE(list.IsKindOfClassID(257));
  // The table, not the compiled chain, answers: it does not list 321.
  EXPECT_FALSE(list.IsKindOfClassID(321));
  FreeClassHierarchy();
  EXPECT_TRUE(list.IsKindOfClassID(322));
  EXPECT_FALSE(list.IsKindOfClassID(320));
  FreeHandlePool();
}

}  // namespace
