#include "core/Iterator.h"

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "core/List.h"

namespace {

TObject* Fake(uintptr_t value) {
  return reinterpret_cast<TObject*>(value);
}

TList* ListOfValues(int n) {
  TList* list = TList::NewList();
  for (int i = 1; i <= n; ++i)
    list->Add(Fake(static_cast<uintptr_t>(i)));
  return list;
}

TEST(IteratorTest, EmptyListsAndNullCollectionsAreExhausted) {
  TList* list = TList::NewList();
  TArrayIterator iterator(list, true);
  EXPECT_FALSE(iterator.More());
  EXPECT_EQ(iterator.FirstElement(), nullptr);
  EXPECT_EQ(iterator.Low(), -1);
  TArrayIterator detached(nullptr, true);
  EXPECT_FALSE(detached.More());
  EXPECT_EQ(detached.Collection(), nullptr);
  iterator.Detach();
  list->Free();
}

TEST(IteratorTest, BoundsAreClampedToTheList) {
  TList* list = ListOfValues(5);
  TArrayIterator wide(list, 0, 100, true);
  EXPECT_EQ(wide.Low(), 1);
  EXPECT_EQ(wide.High(), 5);
  TArrayIterator inner(list, 2, 3, false);
  std::vector<TObject*> seen;
  for (void* e = inner.FirstElement(); inner.More(); e = inner.NextElement()) {
    seen.push_back(static_cast<TObject*>(e));
  }
  EXPECT_EQ(seen, (std::vector<TObject*>{Fake(3), Fake(2)}));
  TArrayIterator empty(list, 4, 2, true);
  EXPECT_FALSE(empty.More());
  wide.Detach();
  inner.Detach();
  empty.Detach();
  list->Free();
}

TEST(IteratorTest, DeletingARunThatHoldsTheCurrentElement) {
  TList* list = ListOfValues(5);
  TArrayIterator iterator(list, true);
  iterator.Next();
  iterator.Next();
  ASSERT_EQ(iterator.Current(), 3);
  list->DeleteElementsAt(3, 2);
  EXPECT_EQ(iterator.Current(), 2);
  EXPECT_EQ(iterator.High(), 3);
  EXPECT_EQ(iterator.NextElement(), Fake(5)) << "the former element 5, now at 3";
  EXPECT_EQ(iterator.Current(), 3);
  EXPECT_EQ(iterator.NextElement(), nullptr);
  EXPECT_FALSE(iterator.More());
  iterator.Detach();
  list->Free();
}

TEST(IteratorTest, DescendingIteratorsStepOverInsertionsAtTheCurrentIndex) {
  TList* list = ListOfValues(5);
  TArrayIterator iterator(list, false);
  iterator.Next();
  iterator.Next();
  ASSERT_EQ(iterator.Current(), 3);
  list->InsertBefore(3, Fake(9));
  EXPECT_EQ(iterator.Current(), 3);
  EXPECT_EQ(iterator.High(), 6);
  EXPECT_EQ(iterator.Next(), 2);
  EXPECT_EQ(iterator.CurrentElement(), Fake(2));
  // Deleting the current element lets a descending iterator go on with the one before it.
  list->DeleteAt(2);
  EXPECT_EQ(iterator.NextElement(), Fake(1));
  iterator.Detach();
  list->Free();
}

TEST(IteratorTest, AscendingIteratorsVisitInsertionsAheadOfThem) {
  TList* list = ListOfValues(3);
  TArrayIterator iterator(list, true);
  list->InsertBefore(1, Fake(7));  // behind: the current element keeps its place
  EXPECT_EQ(iterator.CurrentElement(), Fake(1));
  list->InsertBefore(3, Fake(8));  // ahead, within the range
  std::vector<TObject*> rest;
  for (void* e = iterator.NextElement(); iterator.More(); e = iterator.NextElement()) {
    rest.push_back(static_cast<TObject*>(e));
  }
  EXPECT_EQ(rest, (std::vector<TObject*>{Fake(8), Fake(2), Fake(3)}));
  EXPECT_EQ(iterator.First(), 2) << "First goes back to the adjusted low bound";
  iterator.Detach();
  list->Free();
}

TEST(IteratorTest, EveryIteratorOfTheRingIsAdjusted) {
  TList* list = ListOfValues(6);
  auto* a = new TArrayIterator(list, true);
  auto* b = new TArrayIterator(list, false);
  auto* c = new TArrayIterator(list, 2, 4, true);
  delete b;  // leaves the middle of the ring
  list->DeleteAt(1);
  EXPECT_EQ(a->High(), 5);
  EXPECT_EQ(c->Low(), 1);
  EXPECT_EQ(c->High(), 3);
  EXPECT_EQ(c->CurrentElement(), Fake(2));
  delete c;
  list->InsertFirst(Fake(0));
  EXPECT_EQ(a->High(), 6);
  delete a;
  list->Free();
}

TEST(IteratorTest, AnAttachedIteratorHoldsOffTheFree) {
  TList* list = ListOfValues(4);
  {
    TArrayIterator iterator(list, true);
    list->Free();
    EXPECT_TRUE(list->IsFreeing());
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(iterator.NextElement(), nullptr);
  }
  // Destroying the iterator deleted the list; the leak checker would report it otherwise.
}

TEST(IteratorTest, IteratorsOutliveADeletedArrayHarmlessly) {
  TList* list = ListOfValues(3);
  TArrayIterator iterator(list, true);
  delete list;
  EXPECT_EQ(iterator.Collection(), nullptr);
  EXPECT_FALSE(iterator.More());
  EXPECT_EQ(iterator.CurrentElement(), nullptr);
}

TEST(IteratorTest, ReinitialisingMovesTheIteratorToAnotherArray) {
  TList* first = ListOfValues(2);
  TList* second = ListOfValues(5);
  TArrayIterator iterator(first, true);
  iterator.IIterator(second, 4, 9, true);
  first->DeleteAt(1);  // no longer adjusts the iterator
  EXPECT_EQ(iterator.Low(), 4);
  EXPECT_EQ(iterator.High(), 5);
  EXPECT_EQ(iterator.CurrentElement(), Fake(4));
  first->Free();
  iterator.Detach();
  second->Free();
}

// Random edits while iterating, including deletions of whole runs: every element present from
// start to end is reached exactly once, and no element twice.
TEST(IteratorTest, RandomEditsNeverSkipOrRepeatSurvivors) {
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    TList* list = ListOfValues(20);
    uintptr_t next = 21;
    std::set<uintptr_t> removed;
    std::multiset<uintptr_t> reached;
    TArrayIterator iterator(list, round % 2 == 0);
    for (void* e = iterator.FirstElement(); iterator.More(); e = iterator.NextElement()) {
      reached.insert(reinterpret_cast<uintptr_t>(e));
      const int32_t count = list->GetCount();
      if (random() % 3 == 0 && count > 0) {
        const int32_t at = 1 + static_cast<int32_t>(random() % count);
        const int32_t n = std::min<int32_t>(count - at + 1, 1 + static_cast<int32_t>(random() % 3));
        for (int32_t i = at; i < at + n; ++i)
          removed.insert(reinterpret_cast<uintptr_t>(list->At(i)));
        list->DeleteElementsAt(at, n);
      } else if (random() % 2 == 0 && next < 60) {
        list->InsertBefore(1 + static_cast<int32_t>(random() % (count + 1)), Fake(next++));
      }
    }
    for (uintptr_t value = 1; value < next; ++value) {
      EXPECT_LE(reached.count(value), 1u) << "round " << round;
      if (value <= 20 && removed.count(value) == 0) {
        EXPECT_EQ(reached.count(value), 1u) << "round " << round << " element " << value;
      }
    }
    iterator.Detach();
    list->Free();
  }
}

}  // namespace
