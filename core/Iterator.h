#pragma once
// Iterators over a TDynamicArray by index, forwards or backwards over a range, that stay correct
// while the array is edited: the array keeps a ring of its live iterators and shifts their
// indices on every insertion and deletion. Indices are clamped, so deleting a run that holds the
// current element never makes an iterator revisit an element. An attached iterator also holds
// off the deferred free of its array.

#include <cstdint>

class TDynamicArray;

class TIterator {
 public:
  // Over 1..count of the collection; a null collection gives an exhausted, detached iterator.
  TIterator(TDynamicArray* collection, bool ascending);
  TIterator(TDynamicArray* collection, int32_t low, int32_t high, bool ascending);
  virtual ~TIterator();
  TIterator(const TIterator&) = delete;
  TIterator& operator=(const TIterator&) = delete;

  // Attaches to the collection over low..high clamped to 1..count; an empty range leaves the
  // iterator exhausted.
  void IIterator(TDynamicArray* collection, int32_t low, int32_t high, bool ascending);

  virtual bool More() const;
  // Back to the start of the range; answers the index, -1 for an empty range.
  virtual int32_t First();
  // The next index, or -1 when the range is done.
  virtual int32_t Next();

  // Leaves the collection's ring; completes the collection's deferred free when this was the
  // last thing holding it.
  void Detach();

  int32_t Current() const { return current_; }
  int32_t Low() const { return low_; }
  int32_t High() const { return high_; }
  bool IsAscending() const { return ascending_ != 0; }
  TDynamicArray* Collection() const { return collection_; }

 protected:
  int32_t current_ = -1;
  int32_t low_ = -1;
  int32_t high_ = -1;
  TDynamicArray* collection_ = nullptr;
  uint16_t ascending_ = 1;

 private:
  friend class TDynamicArray;

  void AdjustAfterInsert(int32_t index, int32_t n);
  void AdjustAfterDelete(int32_t index, int32_t n);
  // The array is being destroyed under the iterator: it becomes detached and exhausted.
  void Orphan();

  TIterator* previous_ = this;
  TIterator* next_ = this;
};

// An iterator that also hands out the elements it reaches.
class TArrayIterator : public TIterator {
 public:
  using TIterator::TIterator;

  // First or Next, then the element there; null when the range is done.
  void* FirstElement();
  void* NextElement();
  // The element at the current index, or null.
  void* CurrentElement() const;
};
