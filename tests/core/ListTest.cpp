#include "core/List.h"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"

namespace {

TObject* Fake(uintptr_t value) {
  return reinterpret_cast<TObject*>(value);
}

std::vector<uintptr_t> Values(const TList& list) {
  std::vector<uintptr_t> result;
  for (int32_t i = 1; i <= list.GetCount(); ++i) {
    result.push_back(reinterpret_cast<uintptr_t>(list.At(i)));
  }
  return result;
}

// An object that takes itself out of a list when it is destroyed, as world objects do.
class SelfRemoving : public TObject {
 public:
  SelfRemoving(TList*& list, int& destroyed) : list_(list), destroyed_(destroyed) {}
  ~SelfRemoving() override {
    ++destroyed_;
    if (list_ != nullptr) list_->Delete(this);
  }

 private:
  TList*& list_;
  int& destroyed_;
};

// A list counting its change notifications.
class CountingList : public TList {
 public:
  void Changed() override { ++changes; }
  int changes = 0;
};

// Elements ordered by a key they carry, with duplicates.
class Keyed : public TObject {
 public:
  explicit Keyed(int k) : key(k) {}
  int key;
};

class KeyedList : public TSortedList {
 public:
  int Compare(const TObject* a, const TObject* b) const override {
    const int x = static_cast<const Keyed*>(a)->key;
    const int y = static_cast<const Keyed*>(b)->key;
    return x < y ? -1 : (x > y ? 1 : 0);
  }
};

TEST(ListTest, EndsOfAnEmptyListAreNull) {
  TList* list = TList::NewList();
  EXPECT_EQ(list->First(), nullptr);
  EXPECT_EQ(list->Last(), nullptr);
  EXPECT_EQ(list->PopLast(), nullptr);
  EXPECT_EQ(list->PopFirst(), nullptr);
  EXPECT_EQ(list->IndexOf(nullptr), -1);
  list->DeleteAll();
  EXPECT_TRUE(list->IsEmpty());
  EXPECT_EQ(TList::FreeList(list), nullptr);
  EXPECT_EQ(TList::FreeList(nullptr), nullptr);
}

TEST(ListTest, InsertionsAndRemovals) {
  CountingList* list = new CountingList;
  list->IList();
  list->InsertLast(Fake(2));
  list->InsertFirst(Fake(1));
  list->PushLast(Fake(3));
  list->Add(Fake(2));
  EXPECT_EQ(Values(*list), (std::vector<uintptr_t>{1, 2, 3, 2}));
  EXPECT_EQ(list->changes, 4);
  EXPECT_EQ(list->GetIdentityIndex(Fake(2)), 2) << "the first occurrence";
  EXPECT_EQ(list->IndexOfByIterator(Fake(3)), 3);
  EXPECT_EQ(list->IndexOfByIterator(Fake(9)), -1);
  EXPECT_TRUE(list->Contains(Fake(3)));
  list->Remove(Fake(2));
  EXPECT_EQ(Values(*list), (std::vector<uintptr_t>{1, 3, 2}));
  list->Delete(Fake(7));  // absent: nothing happens
  EXPECT_EQ(list->PopFirst(), Fake(1));
  EXPECT_EQ(list->PopLast(), Fake(2));
  list->SetElementAt(1, Fake(8));
  EXPECT_EQ(list->First(), Fake(8));
  EXPECT_EQ(list->Last(), Fake(8));
  list->Free();
}

TEST(ListTest, FreeAllDeletesEveryObjectOnceEvenWhenTheyLeaveTheList) {
  TList* list = TList::NewList();
  int destroyed = 0;
  for (int i = 0; i < 7; ++i)
    list->Add(new SelfRemoving(list, destroyed));
  list->FreeAll();
  EXPECT_EQ(destroyed, 7);
  EXPECT_TRUE(list->IsEmpty());
  list->Add(new SelfRemoving(list, destroyed));
  TList* doomed = list;
  list = nullptr;  // the last object no longer reaches back into the list
  TList::FreeList(doomed);
  EXPECT_EQ(destroyed, 8);
}

int gVisits = 0;
void CountVisit(TObject*) {
  ++gVisits;
}

TEST(ListTest, WalksTakePlainFunctionsToo) {
  TList* list = TList::NewList();
  list->Add(Fake(1));
  list->Add(Fake(2));
  gVisits = 0;
  list->EachWithArgs(CountVisit);
  list->EachWithArgs(&CountVisit);
  EXPECT_EQ(gVisits, 4);
  list->Free();
}

TEST(ListTest, SortOrdersLikeTheStandardSort) {
  std::mt19937 random(11);
  for (const int count : {0, 1, 2, 3, 4, 5, 13, 14, 40, 121, 122, 500}) {
    CountingList* list = new CountingList;
    list->IList();
    std::vector<uintptr_t> expected;
    for (int i = 0; i < count; ++i) {
      const uintptr_t value = 1 + random() % 50;  // many duplicates
      expected.push_back(value);
      list->Add(Fake(value));
    }
    const int changesBefore = list->changes;
    list->SortWithCallback([](TObject* a, TObject* b) {
      const auto x = reinterpret_cast<uintptr_t>(a);
      const auto y = reinterpret_cast<uintptr_t>(b);
      return x < y ? -1 : (x > y ? 1 : 0);
    });
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Values(*list), expected) << count << " elements";
    EXPECT_EQ(list->changes, changesBefore + 1);
    list->Free();
  }
}

TEST(SortedListTest, AddKeepsTheOrderAndIndexOfFindsEqualElements) {
  TSortedList* list = TSortedList::NewSortedList();
  list->Add(Fake(5));
  list->Add(Fake(1));
  list->Add(Fake(3));
  EXPECT_EQ(Values(*list), (std::vector<uintptr_t>{1, 3, 5}));
  EXPECT_EQ(list->IndexOf(Fake(3)), 2);
  EXPECT_EQ(list->IndexOf(Fake(4)), -1);
  EXPECT_EQ(list->IndexOf(Fake(0)), -1);
  EXPECT_EQ(list->IndexOf(Fake(6)), -1);
  list->Add(Fake(3));
  EXPECT_EQ(Values(*list), (std::vector<uintptr_t>{1, 3, 3, 5}));
  // The default order compares pointers as unsigned numbers.
  list->Add(Fake(~uintptr_t{0}));
  EXPECT_EQ(list->Last(), Fake(~uintptr_t{0}));
  list->Free();
}

TEST(SortedListTest, CustomOrderSearchAndResort) {
  std::vector<Keyed> items;
  for (const int key : {40, 10, 30, 10, 20, 50, 30})
    items.emplace_back(key);
  KeyedList* list = new KeyedList;
  list->ISortedList();
  for (Keyed& item : items)
    list->Add(&item);
  std::vector<int> keys;
  for (int32_t i = 1; i <= list->GetCount(); ++i)
    keys.push_back(static_cast<Keyed*>(list->At(i))->key);
  EXPECT_EQ(keys, (std::vector<int>{10, 10, 20, 30, 30, 40, 50}));

  const Keyed probe(20);
  EXPECT_EQ(list->IndexOf(&probe), 3) << "found by equal key, not by pointer";
  auto* found = static_cast<Keyed*>(list->Search([](TObject* element) {
    const int key = static_cast<Keyed*>(element)->key;
    return 40 > key ? 1 : (40 < key ? -1 : 0);
  }));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->key, 40);
  EXPECT_EQ(list->Search([](TObject*) { return 1; }), nullptr);

  // Keys changed behind the list's back: Sort restores the order.
  items[0].key = 5;
  items[5].key = 0;
  list->Sort();
  EXPECT_EQ(static_cast<Keyed*>(list->First())->key, 0);
  EXPECT_EQ(static_cast<Keyed*>(list->At(2))->key, 5);
  list->Free();
}

TEST(SortedListTest, SearchOnAnEmptyListFindsNothing) {
  TSortedList* list = TSortedList::NewSortedList();
  int calls = 0;
  EXPECT_EQ(list->Search([&](TObject*) {
    ++calls;
    return 0;
  }),
            nullptr);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(list->IndexOf(Fake(1)), -1);
  list->Free();
}

TEST(SortedListTest, FailureInATestLeavesTheListUsable) {
  TSortedList* list = TSortedList::NewSortedList();
  list->Add(Fake(2));
  list->Add(Fake(4));
  EXPECT_THROW(list->Search([](TObject*) -> int { ThrowFailure(-1, 0); }), QVException);
  EXPECT_FALSE(list->IsBeingWalked());
  list->Add(Fake(3));
  EXPECT_EQ(Values(*list), (std::vector<uintptr_t>{2, 3, 4}));
  list->Free();
}

}  // namespace
