#pragma once
// Lists of object pointers on the dynamic array, and lists kept in order. Every world object is
// itself a list.

#include <cstdint>

#include "core/Collection.h"

class TArrayIterator;

class TList : public TDynamicArray {
  DECLARE_CLASS_ID(322, TDynamicArray)

 public:
  using ObjectTest = collection_detail::FunctionRef<bool(TObject*)>;
  using ObjectAction = collection_detail::FunctionRef<void(TObject*)>;
  // Negative when a sorts before b, 0 when they are equal, positive when a sorts after b.
  using ObjectCompare = collection_detail::FunctionRef<int(TObject*, TObject*)>;

  TList() = default;

  // An empty list with room for 10 objects.
  void IList();
  // A new empty list; raises -108 when it cannot be made.
  static TList* NewList();
  // Frees the list and every object in it (null allowed); answers null for the caller to store.
  static TList* FreeList(TList* list);

  // The object at index (1-based), or null outside 1..count.
  TObject* At(int32_t index) const { return static_cast<TObject*>(TDynamicArray::At(index)); }
  TObject* FirstThat(ObjectTest test);
  TObject* LastThat(ObjectTest test);
  void EachWithArgs(ObjectAction action);

  // The index of the first element that is this very pointer, or -1 (also for null).
  int32_t GetIdentityIndex(const TObject* object) const;
  virtual int32_t IndexOf(const TObject* object);
  // The same search, made with an iterator.
  virtual int32_t IndexOfByIterator(const TObject* object);
  bool Contains(const TObject* object) { return IndexOf(object) != -1; }

  void InsertBefore(int32_t index, TObject* object);
  void InsertFirst(TObject* object) { InsertBefore(1, object); }
  void InsertLast(TObject* object) { InsertBefore(GetCount() + 1, object); }
  virtual void Add(TObject* object) { InsertLast(object); }
  void PushLast(TObject* object) { InsertLast(object); }

  TObject* First() const;
  TObject* Last() const;
  // Remove and answer the first or last object; null when the list is empty.
  TObject* PopFirst();
  TObject* PopLast();

  void DeleteAt(int32_t index) { DeleteElementsAt(index, 1); }
  // Removes the first occurrence of the object, when there is one.
  void Delete(const TObject* object);
  void Remove(const TObject* object) { Delete(object); }
  void DeleteAll();

  // Deletes every object (failures while one is destroyed are dropped), then empties the list.
  void FreeAll();
  // Deletes every object, then frees the list itself.
  void FreeAllAndSelf();

  // Stores the pointer in place of element index.
  void SetElementAt(int32_t index, TObject* object);

  // Sorts by compare (not stably), then calls Changed.
  void SortWithCallback(ObjectCompare compare);
  // Called after every InsertBefore and after sorting.
  virtual void Changed() {}
};

class TSortedList : public TList {
  DECLARE_CLASS_ID(323, TList)

 public:
  // Answers >0 when the key sorts after the element, <0 when before, 0 when they are equal.
  using KeyTest = collection_detail::FunctionRef<int(TObject* element)>;

  TSortedList() = default;

  void ISortedList() { IList(); }
  static TSortedList* NewSortedList();

  // The default order: the pointers compared as unsigned numbers. Answers -1, 0 or 1.
  virtual int Compare(const TObject* a, const TObject* b) const;

  // The index of an element that compares equal to the object (not necessarily the same
  // pointer), or -1.
  int32_t IndexOf(const TObject* object) override;
  // Inserts at the place the binary search finds; equal elements are allowed.
  void Add(TObject* object) override;
  void Sort();

  // The binary search with the caller's test: the element found, or null.
  TObject* Search(KeyTest test);

 protected:
  struct SearchResult {
    bool found = false;
    TObject* element = nullptr;  // the element that compared equal
    int32_t index = 0;  // where it was found, or where it would go; 0 when outside 1..count + 1
  };
  SearchResult BinarySearch(KeyTest test);
};
