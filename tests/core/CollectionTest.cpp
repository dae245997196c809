#include "core/Collection.h"

#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/List.h"

namespace {

// Objects that the lists hold; compared by address.
struct Objects {
  explicit Objects(int n) : items(n) {}
  TObject* operator[](int i) { return &items[i]; }
  std::vector<TObject> items;
};

TList* ListOf(Objects& objects, int n) {
  TList* list = TList::NewList();
  for (int i = 0; i < n; ++i)
    list->InsertLast(objects[i]);
  return list;
}

std::vector<TObject*> Contents(const TList& list) {
  std::vector<TObject*> result;
  for (int32_t i = 1; i <= list.GetCount(); ++i)
    result.push_back(list.At(i));
  return result;
}

int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

TEST(CollectionTest, CapacityStepsInChunksOfSix) {
  Objects objects(13);
  TList* list = TList::NewList();
  EXPECT_EQ(list->GetCapacity(), 12);
  list->Add(objects[0]);
  EXPECT_EQ(list->GetCapacity(), 6) << "12 - 1 leaves six or more spare";
  for (int i = 1; i < 10; ++i)
    list->Add(objects[i]);
  EXPECT_EQ(list->GetCapacity(), 12);
  list->Add(objects[10]);
  list->Add(objects[11]);
  EXPECT_EQ(list->GetCapacity(), 12);
  list->Add(objects[12]);
  EXPECT_EQ(list->GetCapacity(), 18);
  list->DeleteAt(13);
  EXPECT_EQ(list->GetCapacity(), 18) << "from 13 to 12 keeps 18";
  list->DeleteAt(12);
  EXPECT_EQ(list->GetCapacity(), 12);
  list->DeleteAll();
  EXPECT_EQ(list->GetCapacity(), 6);
  list->SetChunk(0);
  list->Add(objects[0]);
  EXPECT_EQ(list->GetCapacity(), 1) << "chunk 0 follows the count";
  list->Free();
}

TEST(CollectionTest, SlotsArePowersOfTwoAndCopiesStopAtTheLastElement) {
  struct Record {
    int32_t a, b, c;
  };
  static_assert(sizeof(Record) == 12);
  auto* array = new TDynamicArray;
  array->IDynamicArray(0, sizeof(Record));
  EXPECT_EQ(array->GetShift(), 4) << "12-byte elements take 16-byte slots";
  // Callers pass buffers laid out one element per slot; the last element is read only up to
  // its own size, so a caller's exact-size record is never over-read.
  const Record one{1, 2, 3};
  array->InsertElementsBefore(1, &one, 1);
  const Record two[2] = {{4, 5, 6}, {7, 8, 9}};  // 12 bytes apart: fine for a single element
  array->InsertElementsBefore(1, &two[1], 1);
  ASSERT_EQ(array->GetCount(), 2);
  struct {
    Record record;
    int32_t canary;
  } out{{}, 0x5A5A5A5A};
  array->GetElementsAt(1, &out.record, 1);
  EXPECT_EQ(out.record.a, 7);
  EXPECT_EQ(out.record.c, 9);
  EXPECT_EQ(out.canary, 0x5A5A5A5A);
  EXPECT_EQ(
      static_cast<char*>(array->ComputeAddress(2)) - static_cast<char*>(array->ComputeAddress(1)),
      16);
  array->ReplaceElementsAt(2, &two[0], 1);
  array->GetElementsAt(2, &out.record, 1);
  EXPECT_EQ(out.record.b, 5);
  EXPECT_EQ(array->ComputeAddress(3), nullptr);
  EXPECT_EQ(array->At(0), nullptr);
  array->Free();
}

TEST(CollectionTest, SmallElementsAreReadOnlyWithinTheirSlot) {
  auto* bytes = new TDynamicArray;
  bytes->IDynamicArray(0, 1);
  const char text[] = "abcdef";
  bytes->InsertElementsBefore(1, text, 6);
  EXPECT_EQ(bytes->GetCapacity(), 12);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes->At(6)), static_cast<uintptr_t>('f'));
  bytes->Free();
}

TEST(CollectionTest, BadElementSizeFailsAndFreesTheArray) {
  auto* array = new TDynamicArray;
  EXPECT_EQ(ErrorOf([&] { array->IDynamicArray(4, 0); }), -32768);
  // The array is gone; the leak checker would report it otherwise.
}

TEST(CollectionTest, BadIndicesFailInsteadOfCorrupting) {
  Objects objects(3);
  TList* list = ListOf(objects, 3);
  EXPECT_EQ(ErrorOf([&] { list->InsertBefore(5, objects[0]); }), -50);
  EXPECT_EQ(ErrorOf([&] { list->InsertBefore(0, objects[0]); }), -50);
  EXPECT_EQ(ErrorOf([&] { list->DeleteElementsAt(2, 5); }), -50);
  EXPECT_EQ(ErrorOf([&] { list->SetElementAt(4, objects[0]); }), -50);
  EXPECT_EQ(Contents(*list), (std::vector<TObject*>{objects[0], objects[1], objects[2]}));
  list->DeleteElementsAt(2, 0);  // nothing to delete is fine anywhere
  EXPECT_EQ(list->GetCount(), 3);
  list->Free();
}

TEST(CollectionTest, HugeCapacitiesFailAsOutOfMemory) {
  auto* array = new TDynamicArray;
  array->IDynamicArray(1, 16000);
  ASSERT_EQ(array->GetCapacity(), 6);
  // A count whose capacity would pass the 32-bit range fails before anything is allocated.
  EXPECT_EQ(ErrorOf([&] { array->SetCapacity(std::numeric_limits<int32_t>::max()); }), -108);
  SetHeapCeiling(1 << 20);
  EXPECT_EQ(ErrorOf([&] { array->SetCapacity(100000); }), -108);
  SetHeapCeiling(SIZE_MAX);
  EXPECT_EQ(array->GetCapacity(), 6) << "a failed resize leaves the array as it was";
  array->Free();
}

TEST(CollectionTest, CopyElementsGrowsAndShrinks) {
  Objects objects(5);
  TList* source = ListOf(objects, 5);
  TList* destination = TList::NewList();
  destination->Add(objects[4]);
  TDynamicArray::CopyElements(*source, *destination);
  EXPECT_EQ(Contents(*destination), Contents(*source));
  source->DeleteElementsAt(1, 3);
  TDynamicArray::CopyElements(*source, *destination);
  EXPECT_EQ(Contents(*destination), (std::vector<TObject*>{objects[3], objects[4]}));
  source->Free();
  destination->Free();
}

TEST(CollectionTest, ClassChain) {
  TList* list = TList::NewList();
  const int16_t chain[] = {322, 321, 320, 257, 0};
  for (int16_t depth = 0; depth < 5; ++depth)
    EXPECT_EQ(list->GetClassIDAt(depth), chain[depth]);
  EXPECT_TRUE(IsKindOfSafe(list, 320));
  EXPECT_FALSE(IsKindOfSafe(list, 323));
  TSortedList* sorted = TSortedList::NewSortedList();
  EXPECT_EQ(sorted->GetClassID(), 323);
  EXPECT_TRUE(sorted->IsMemberClass(322));
  list->Free();
  sorted->Free();
}

// ---- walks ----------------------------------------------------------------------------------

TEST(WalkTest, DeletingTheCurrentElementVisitsEveryOtherOnce) {
  Objects objects(6);
  TList* list = ListOf(objects, 6);
  std::vector<TObject*> visited;
  list->EachWithArgs([&](TObject* object) {
    visited.push_back(object);
    if (object == objects[1] || object == objects[2]) list->Delete(object);
  });
  EXPECT_EQ(visited, (std::vector<TObject*>{objects[0], objects[1], objects[2], objects[3],
                                            objects[4], objects[5]}));
  EXPECT_EQ(Contents(*list),
            (std::vector<TObject*>{objects[0], objects[3], objects[4], objects[5]}));
  list->Free();
}

TEST(WalkTest, InsertedElementsAreNotVisited) {
  Objects objects(5);
  TList* list = ListOf(objects, 3);
  std::vector<TObject*> visited;
  list->EachWithArgs([&](TObject* object) {
    visited.push_back(object);
    if (object == objects[1]) list->InsertBefore(list->IndexOf(object), objects[3]);
    // Appended beyond the walk's range, which covers what the list held when the walk began.
    if (object == objects[2]) list->InsertLast(objects[4]);
  });
  EXPECT_EQ(visited, (std::vector<TObject*>{objects[0], objects[1], objects[2]}));
  EXPECT_EQ(list->GetCount(), 5);
  list->Free();
}

TEST(WalkTest, DescendingWalksContinueBeforeTheCurrentElement) {
  Objects objects(6);
  TList* list = ListOf(objects, 5);
  std::vector<TObject*> visited;
  list->LastThat([&](TObject* object) {
    visited.push_back(object);
    if (object == objects[3]) list->Delete(object);
    if (object == objects[2]) list->InsertBefore(list->IndexOf(object), objects[5]);
    return false;
  });
  // The inserted element takes the current index and is stepped over.
  EXPECT_EQ(visited,
            (std::vector<TObject*>{objects[4], objects[3], objects[2], objects[1], objects[0]}));
  list->Free();
}

TEST(WalkTest, FirstAndLastThatSkipNullsAndStopAtAMatch) {
  Objects objects(4);
  TList* list = ListOf(objects, 4);
  list->SetElementAt(1, nullptr);
  int calls = 0;
  EXPECT_EQ(list->FirstThat([&](TObject*) {
    ++calls;
    return true;
  }),
            objects[1]);
  EXPECT_EQ(calls, 1) << "the null element is never handed to the test";
  EXPECT_EQ(list->LastThat([&](TObject* o) { return o == objects[2]; }), objects[2]);
  EXPECT_EQ(list->FirstThat([](TObject*) { return false; }), nullptr);
  TList* empty = TList::NewList();
  EXPECT_EQ(empty->FirstThat([](TObject*) { return true; }), nullptr);
  empty->Free();
  list->Free();
}

TEST(WalkTest, FreeingDuringAWalkEmptiesNowAndDeletesAtTheEnd) {
  Objects objects(4);
  TList* list = ListOf(objects, 4);
  std::vector<TObject*> visited;
  list->EachWithArgs([&](TObject* object) {
    visited.push_back(object);
    if (object == objects[1]) {
      list->Free();
      EXPECT_TRUE(list->IsFreeing());
      EXPECT_EQ(list->GetCount(), 0);
      EXPECT_EQ(list->At(1), nullptr);
    }
  });
  EXPECT_EQ(visited, (std::vector<TObject*>{objects[0], objects[1]}));
  // The list is gone now: the leak checker would report it otherwise.
}

TEST(WalkTest, NestedWalksBothFollowEdits) {
  Objects objects(5);
  TList* list = ListOf(objects, 5);
  std::multiset<TObject*> inner;
  list->EachWithArgs([&](TObject* outer) {
    list->EachWithArgs([&](TObject* object) {
      inner.insert(object);
      if (object == objects[2] && outer == objects[0]) list->Delete(objects[2]);
    });
  });
  // Element 2 is seen once by the first inner walk and never again; the outer walk skips it.
  EXPECT_EQ(inner.count(objects[2]), 1u);
  EXPECT_EQ(inner.count(objects[4]), 4u);
  EXPECT_FALSE(list->IsBeingWalked());
  list->Free();
}

TEST(WalkTest, AFailureDetachesTheCursorAndCompletesAFree) {
  Objects objects(3);
  TList* list = ListOf(objects, 3);
  EXPECT_EQ(ErrorOf([&] {
              list->EachWithArgs([&](TObject* object) {
                if (object == objects[1]) ThrowFailure(-36, 0);
              });
            }),
            -36);
  EXPECT_FALSE(list->IsBeingWalked());
  EXPECT_EQ(list->GetCount(), 3) << "the list is as the last completed edit left it";
  EXPECT_EQ(ErrorOf([&] {
              list->EachWithArgs([&](TObject*) {
                list->Free();
                ThrowFailure(-108, 0);
              });
            }),
            -108);
  // The deferred free completed on the way out; the leak checker would report it otherwise.
}

// Random edits during walks: every element present from start to end is visited exactly once,
// and no element is visited twice.
TEST(WalkTest, RandomEditsNeverSkipOrRepeatSurvivors) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    Objects objects(40);
    TList* list = ListOf(objects, 20);
    int next = 20;
    const bool ascending = round % 2 == 0;
    std::set<TObject*> removed;
    std::multiset<TObject*> visited;
    auto visit = [&](TObject* object) {
      visited.insert(object);
      const int count = list->GetCount();
      switch (random() % 4) {
        case 0:
          if (count > 0) {
            TObject* victim = list->At(1 + static_cast<int32_t>(random() % count));
            removed.insert(victim);
            list->Delete(victim);
          }
          break;
        case 1:
          if (next < 40)
            list->InsertBefore(1 + static_cast<int32_t>(random() % (count + 1)), objects[next++]);
          break;
        default:
          break;
      }
      return false;
    };
    if (ascending) {
      list->FirstThat(visit);
    } else {
      list->LastThat(visit);
    }
    for (int i = 0; i < 40; ++i) {
      EXPECT_LE(visited.count(objects[i]), 1u) << "round " << round;
      if (i < 20 && removed.count(objects[i]) == 0) {
        EXPECT_EQ(visited.count(objects[i]), 1u) << "round " << round << " element " << i;
      }
    }
    list->Free();
  }
}

}  // namespace
