#include "core/List.h"

#include <cstring>
#include <new>

#include "core/Failure.h"
#include "core/Iterator.h"

// ---- TList ----------------------------------------------------------------------------------

void TList::IList() {
  IDynamicArray(10, static_cast<int16_t>(sizeof(TObject*)));
}

TList* TList::NewList() {
  auto* list = new (std::nothrow) TList;
  FailIfNull(list);
  list->IList();  // frees the list itself when it fails
  return list;
}

TList* TList::FreeList(TList* list) {
  if (list != nullptr) list->FreeAllAndSelf();
  return nullptr;
}

TObject* TList::FirstThat(ObjectTest test) {
  return static_cast<TObject*>(TDynamicArray::FirstThat(
      [&](void* element) { return test(static_cast<TObject*>(element)); }));
}

TObject* TList::LastThat(ObjectTest test) {
  return static_cast<TObject*>(
      TDynamicArray::LastThat([&](void* element) { return test(static_cast<TObject*>(element)); }));
}

void TList::EachWithArgs(ObjectAction action) {
  TDynamicArray::EachWithArgs([&](void* element) { action(static_cast<TObject*>(element)); });
}

int32_t TList::GetIdentityIndex(const TObject* object) const {
  if (object == nullptr) return -1;
  for (int32_t i = 1; i <= GetCount(); ++i) {
    if (At(i) == object) return i;
  }
  return -1;
}

int32_t TList::IndexOf(const TObject* object) {
  return GetIdentityIndex(object);
}

int32_t TList::IndexOfByIterator(const TObject* object) {
  if (object == nullptr) return -1;
  TArrayIterator iterator(this, true);
  for (void* element = iterator.FirstElement(); iterator.More(); element = iterator.NextElement()) {
    if (element == object) return iterator.Current();
  }
  return -1;
}

void TList::InsertBefore(int32_t index, TObject* object) {
  InsertElementsBefore(index, &object, 1);
  Changed();
}

TObject* TList::First() const {
  return GetCount() > 0 ? At(1) : nullptr;
}

TObject* TList::Last() const {
  return GetCount() > 0 ? At(GetCount()) : nullptr;
}

TObject* TList::PopFirst() {
  TObject* object = First();
  if (GetCount() > 0) DeleteAt(1);
  return object;
}

TObject* TList::PopLast() {
  TObject* object = Last();
  if (GetCount() > 0) DeleteAt(GetCount());
  return object;
}

void TList::Delete(const TObject* object) {
  const int32_t index = IndexOf(object);
  if (index != -1) DeleteAt(index);
}

void TList::DeleteAll() {
  if (GetCount() > 0) DeleteElementsAt(1, GetCount());
}

void TList::FreeAll() {
  // Through a walk, so that objects which take themselves out of the list while they are
  // destroyed do not make others be skipped.
  EachWithArgs([](TObject* object) { SafeDelete(object); });
  DeleteAll();
}

void TList::FreeAllAndSelf() {
  EachWithArgs([](TObject* object) { SafeDelete(object); });
  Free();
}

void TList::SetElementAt(int32_t index, TObject* object) {
  ReplaceElementsAt(index, &object, 1);
}

void TList::SortWithCallback(ObjectCompare compare) {
  const int32_t count = GetCount();
  auto get = [this](int32_t i) { return At(i); };
  auto put = [this](int32_t i, TObject* object) {
    std::memcpy(ComputeAddress(i), &object, sizeof object);
  };
  // Insertion sort over diminishing gaps h = 3h + 1, ending with a plain pass at h = 1.
  int32_t h = 4;
  while (count >= h)
    h = 3 * h + 1;
  do {
    h /= 3;
    for (int32_t j = h + 1; j <= count; ++j) {
      TObject* const element = get(j);
      int32_t i = j;
      while (i > h && compare(get(i - h), element) >= 1) {
        put(i, get(i - h));
        i -= h;
      }
      put(i, element);
    }
  } while (h > 1);
  Changed();
}

// ---- TSortedList ----------------------------------------------------------------------------

TSortedList* TSortedList::NewSortedList() {
  auto* list = new (std::nothrow) TSortedList;
  FailIfNull(list);
  list->ISortedList();  // frees the list itself when it fails
  return list;
}

int TSortedList::Compare(const TObject* a, const TObject* b) const {
  const auto x = reinterpret_cast<uintptr_t>(a);
  const auto y = reinterpret_cast<uintptr_t>(b);
  if (x < y) return -1;
  return x > y ? 1 : 0;
}

TSortedList::SearchResult TSortedList::BinarySearch(KeyTest test) {
  SearchResult result;
  if (GetCount() == 0) {
    result.index = 1;
    return result;
  }
  // The bounds live in a walk cursor, so that edits made by the test keep them in step.
  TWalkCursor cursor;
  cursor.low = 1;
  cursor.high = GetCount();
  cursor.current = cursor.low;
  {
    WalkScope scope(*this, cursor);
    int r = 0;
    do {
      cursor.current = (cursor.low + cursor.high) / 2;
      result.element = At(cursor.current);
      r = test(result.element);
      if (r > 0) {
        cursor.low = cursor.current + 1;
      } else if (r < 0) {
        cursor.high = cursor.current - 1;
      }
    } while (r != 0 && cursor.low <= cursor.high);
    result.found = r == 0;
    if (!result.found) result.element = nullptr;
    result.index = cursor.current + (r > 0 ? 1 : 0);
    if (result.index < 1 || result.index > GetCount() + 1) result.index = 0;
  }
  return result;
}

int32_t TSortedList::IndexOf(const TObject* object) {
  const SearchResult result =
      BinarySearch([&](TObject* element) { return Compare(object, element); });
  return result.found && result.index != 0 ? result.index : -1;
}

void TSortedList::Add(TObject* object) {
  const SearchResult found =
      BinarySearch([&](TObject* element) { return Compare(object, element); });
  InsertBefore(found.index, object);
}

void TSortedList::Sort() {
  SortWithCallback([this](TObject* a, TObject* b) { return Compare(a, b); });
}

TObject* TSortedList::Search(KeyTest test) {
  return BinarySearch(test).element;
}
