// Script objects: references, the tree of children, cutting loose, and collections.

#include <gtest/gtest.h>

#include "core/List.h"
#include "scripting/host/APIDispatcher.h"

namespace {

class TDeletionWatch : public TAPIDispatcher {
 public:
  TDeletionWatch(TAPIDispatcher* parent, void* target, bool* deleted)
      : TAPIDispatcher(nullptr, target, parent), deleted_(deleted) {}
  ~TDeletionWatch() override { *deleted_ = true; }

 private:
  bool* deleted_;
};

class TNumberCollection : public TAPICollection {
 public:
  static constexpr uint32_t kTag = MakeTag("APNC");
  TNumberCollection(TList* list, TAPIDispatcher* parent) : TAPICollection(list) {
    AttachToParent(parent);
    SetTag(kTag);
  }
  bool IsKindOfTag(uint32_t tag) const override {
    return tag == kTag || TAPICollection::IsKindOfTag(tag);
  }
  TAPIDispatcher* WrapItem(TObject* element) override {
    return element != nullptr ? this : nullptr;
  }
};

struct Tree : ::testing::Test {
  void SetUp() override { SetLiveObjectRoot(&root); }
  void TearDown() override { SetLiveObjectRoot(nullptr); }
  TAPIDispatcher root;
  int target = 0;
};

TEST_F(Tree, ReleaseKeepsAnObjectWithChildrenAndDeletionTakesTheSubtree) {
  bool parentGone = false, childGone = false;
  auto* parent = new TDeletionWatch(&root, &target, &parentGone);
  new TDeletionWatch(parent, &target, &childGone);
  parent->AddRef();
  parent->Release();
  EXPECT_FALSE(parentGone);
  delete parent;
  EXPECT_TRUE(parentGone);
  EXPECT_TRUE(childGone);
  EXPECT_EQ(root.ChildCount(), 0);
}

TEST_F(Tree, ObjectCutLooseLeavesItsParentsListAndTheTree) {
  bool gone = false;
  auto* object = new TDeletionWatch(&root, &target, &gone);
  object->AddRef();  // the world object
  object->AddRef();  // a script
  ASSERT_TRUE(IsLiveScriptObject(object));
  object->DeleteIfUnreferenced();
  EXPECT_FALSE(gone);
  EXPECT_TRUE(object->TargetGone());
  EXPECT_EQ(object->parent(), nullptr);
  EXPECT_EQ(root.ChildCount(), 0);
  EXPECT_FALSE(IsLiveScriptObject(object));
  object->Release();
  EXPECT_TRUE(gone);
}

TEST_F(Tree, DeletedParentCutsLooseTheChildrenAScriptHolds) {
  bool parentGone = false, heldGone = false, freeGone = false;
  auto* parent = new TDeletionWatch(&root, &target, &parentGone);
  auto* held = new TDeletionWatch(parent, &target, &heldGone);
  new TDeletionWatch(parent, &target, &freeGone);
  held->AddRef();
  delete parent;
  EXPECT_TRUE(freeGone);
  EXPECT_FALSE(heldGone);
  EXPECT_FALSE(IsLiveScriptObject(held));
  held->Release();
  EXPECT_TRUE(heldGone);
}

TEST_F(Tree, LiveCheckAgreesWithContainsWithoutReadingFreedAddresses) {
  auto* a = new TAPIDispatcher(nullptr, &target, &root);
  auto* b = new TAPIDispatcher(nullptr, &target, a);
  TAPIDispatcher outsider;
  const TAPIDispatcher* objects[] = {&root, a, b, &outsider};
  for (const TAPIDispatcher* object : objects)
    EXPECT_EQ(IsLiveScriptObject(object), root.Contains(object));
  const void* freed = b;
  delete b;
  EXPECT_FALSE(IsLiveScriptObject(freed));
  EXPECT_FALSE(IsLiveScriptObject(nullptr));
}

TEST_F(Tree, CollectionCountsItsListAndAnswersNothingOutsideIt) {
  TList list;
  list.IList();
  list.InsertLast(reinterpret_cast<TObject*>(&list));
  list.InsertLast(nullptr);
  auto* numbers = new TNumberCollection(&list, &root);
  int32_t count = -1;
  numbers->Count(&count);
  EXPECT_EQ(count, 2);
  TAPIDispatcher* item = nullptr;
  numbers->Item(1, &item);
  EXPECT_EQ(item, numbers);
  for (int16_t index : {0, -1, 2, 3}) {
    numbers->Item(index, &item);
    EXPECT_EQ(item, nullptr) << index;
  }
  TNumberCollection empty(nullptr, nullptr);
  empty.Count(&count);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(numbers->IsKindOfTag(TNumberCollection::kTag));
  EXPECT_TRUE(numbers->IsKindOfTag(TAPICollection::kTag));
  EXPECT_TRUE(numbers->IsKindOfTag(TAPIDispatcher::kTag));
  EXPECT_TRUE(numbers->HasTag(TNumberCollection::kTag));
  EXPECT_FALSE(numbers->HasTag(TAPICollection::kTag));
}

}  // namespace
