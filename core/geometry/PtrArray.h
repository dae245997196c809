#pragma once
// A small growable array of object pointers kept in a memory handle, 0-based. The array owns its
// elements only where it is asked to delete them (DeleteAt, FreeAll); destroying the array leaves
// them alone. Insertion and removal are virtual so that a derived array can renumber its elements.

#include <cstdint>

#include "core/Handle.h"
#include "core/geometry/PlainObject.h"

class TPtrArray : public TPlainObject {
 public:
  TPtrArray();
  ~TPtrArray() override;
  TPtrArray(const TPtrArray&) = delete;
  TPtrArray& operator=(const TPtrArray&) = delete;

  int32_t Count() const { return last_ + 1; }
  int32_t LastIndex() const { return last_; }
  // Element i, or null when i is outside 0..last.
  TPlainObject* Item(int32_t i) const;
  // The address of slot i (valid until the array next changes length); null outside 0..last.
  TPlainObject** SlotAddress(int32_t i) const;

  // Inserts at index i in 0..Count (Count appends): the later pointers move up one place.
  // Raises -50 for an index outside that range, and -108 when the array cannot grow.
  virtual void InsertAt(int32_t i, TPlainObject* element);
  // Removes slot i without deleting its element: the later pointers move down one place.
  // Raises -50 for an index outside 0..last.
  virtual void RemoveAt(int32_t i);

  void Append(TPlainObject* element) { InsertAt(Count(), element); }
  // Removes the first slot holding the element; nothing when it is not held.
  void Remove(const TPlainObject* element);
  // Deletes element i (when not null), then removes its slot.
  void DeleteAt(int32_t i);
  // Deletes every element from index 0 upward, then empties the array.
  void FreeAll();
  // Empties the array without deleting the elements.
  void RemoveAll();
  // The first index holding the element, or -1.
  int32_t IndexOf(const TPlainObject* element) const;
  bool Contains(const TPlainObject* element) const { return IndexOf(element) != -1; }

 private:
  // Resizes the handle for last index n; the index changes only when the resize succeeded.
  void SetLastIndex(int32_t n);
  void Store(int32_t i, TPlainObject* element);

  Handle slots_;
  int32_t last_ = -1;
};
