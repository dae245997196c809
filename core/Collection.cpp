#include "core/Collection.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Iterator.h"

namespace {

constexpr int16_t kErrBadElementSize = -32768;
constexpr int16_t kErrBadIndex = -50;

// The smallest shift whose slot holds the element size.
int16_t ShiftFor(int16_t elementSize) {
  int16_t shift = 0;
  while ((1 << shift) < elementSize)
    ++shift;
  return shift;
}

}  // namespace

// ---- TCollection ----------------------------------------------------------------------------

void TCollection::AttachCursor(TWalkCursor& cursor) {
  cursor.previous = cursorTail_;
  cursor.next = nullptr;
  if (cursorTail_ != nullptr) {
    cursorTail_->next = &cursor;
  } else {
    cursorHead_ = &cursor;
  }
  cursorTail_ = &cursor;
}

void TCollection::DetachCursor(TWalkCursor& cursor) {
  if (cursor.previous != nullptr) {
    cursor.previous->next = cursor.next;
  } else {
    cursorHead_ = cursor.next;
  }
  if (cursor.next != nullptr) {
    cursor.next->previous = cursor.previous;
  } else {
    cursorTail_ = cursor.previous;
  }
  cursor.previous = cursor.next = nullptr;
}

// ---- TDynamicArray: storage -----------------------------------------------------------------

TDynamicArray::~TDynamicArray() {
  // Walks that are still running see an empty array; their cursors live on their own stacks.
  for (TWalkCursor* cursor = FirstCursor(); cursor != nullptr; cursor = cursor->next) {
    cursor->low = 1;
    cursor->high = 0;
    cursor->current = cursor->ascending != 0 ? 1 : 0;
  }
  ClearCursors();
  while (iterators_ != nullptr) {
    TIterator* iterator = iterators_;
    iterators_ = iterator->next_ != iterator ? iterator->next_ : nullptr;
    iterator->previous_->next_ = iterator->next_;
    iterator->next_->previous_ = iterator->previous_;
    iterator->Orphan();
  }
  ReleaseStorage();
}

void TDynamicArray::IDynamicArray(int32_t capacity, int16_t elementSize) {
  ClearCursors();
  iterators_ = nullptr;
  freeing_ = 0;
  try {
    if (elementSize <= 0) ThrowFailure(kErrBadElementSize, 0);
    count_ = 0;
    elementSize_ = elementSize;
    chunk_ = 6;
    capacity_ = 0;
    ReleaseStorage();
    shift_ = ShiftFor(elementSize);
    SetCapacity(capacity);
  } catch (const QVException&) {
    Free();
    throw;
  }
}

void TDynamicArray::ReleaseStorage() {
  FreePtr(data_);
  data_ = nullptr;
  capacity_ = 0;
}

char* TDynamicArray::Slot(int32_t index) const {
  return data_ + (static_cast<size_t>(index - 1) << shift_);
}

size_t TDynamicArray::SlotBytes(int32_t n) const {
  return static_cast<size_t>(n) << shift_;
}

size_t TDynamicArray::ElementBytes(int32_t n) const {
  return n <= 0 ? 0 : SlotBytes(n - 1) + static_cast<size_t>(elementSize_);
}

void TDynamicArray::CheckRange(int32_t index, int32_t n, int32_t last) const {
  if (n < 0 || index < 1 || index > last || n > last - index + 1) ThrowFailure(kErrBadIndex, 0);
}

void TDynamicArray::SetCapacity(int32_t wanted) {
  if (wanted < 0) wanted = 0;
  if (capacity_ >= wanted && capacity_ - wanted < chunk_) return;
  int64_t target = wanted;
  if (chunk_ != 0) target = (int64_t{wanted} + chunk_) - ((int64_t{wanted} + chunk_) % chunk_);
  if (target == capacity_) return;
  // Sizes that no block could hold fail like an exhausted heap.
  if (target > std::numeric_limits<int32_t>::max() ||
      static_cast<uint64_t>(target) > (std::numeric_limits<size_t>::max() >> 1 >> shift_)) {
    ThrowFailure(kErrOutOfMemory, 0);
  }
  const size_t bytes = SlotBytes(static_cast<int32_t>(target));
  void* block = data_ != nullptr ? SetPtrSize(data_, bytes) : AllocPtr(bytes);
  FailIfNull(block);
  data_ = static_cast<char*>(block);
  capacity_ = static_cast<int32_t>(target);
}

void* TDynamicArray::ComputeAddress(int32_t index) const {
  if (index < 1 || index > count_) return nullptr;
  return Slot(index);
}

void* TDynamicArray::At(int32_t index) const {
  if (index < 1 || index > count_) return nullptr;
  void* value = nullptr;
  const size_t n = elementSize_ < static_cast<int16_t>(sizeof value) ? elementSize_ : sizeof value;
  std::memcpy(&value, Slot(index), n);
  return value;
}

// ---- TDynamicArray: edits -------------------------------------------------------------------

void TDynamicArray::InsertElementsBefore(int32_t index, const void* source, int32_t n) {
  CheckRange(index, 0, count_ + 1);
  if (n < 0 || n > std::numeric_limits<int32_t>::max() - count_) ThrowFailure(kErrBadIndex, 0);
  SetCapacity(count_ + n);
  if (n > 0) {
    std::memmove(Slot(index + n), Slot(index), SlotBytes(count_ - index + 1));
    // Slot padding is kept zero, so that At reads the same value however the slot was filled.
    std::memset(Slot(index), 0, SlotBytes(n));
    if (source != nullptr) std::memcpy(Slot(index), source, ElementBytes(n));
  }
  count_ += n;
  AdjustAfterInsert(index, n);
}

void TDynamicArray::ReplaceElementsAt(int32_t index, const void* source, int32_t n) {
  if (n == 0) return;
  CheckRange(index, n, count_);
  std::memcpy(Slot(index), source, ElementBytes(n));
}

void TDynamicArray::DeleteElementsAt(int32_t index, int32_t n) {
  if (n == 0) return;
  CheckRange(index, n, count_);
  std::memmove(Slot(index), Slot(index + n), SlotBytes(count_ - index - n + 1));
  // Shrinking never fails in practice; if it does, the elements are already moved and only the
  // spare room stays, so the count is updated either way.
  try {
    SetCapacity(count_ - n);
  } catch (const QVException&) {
  }
  count_ -= n;
  AdjustAfterDelete(index, n);
}

void TDynamicArray::GetElementsAt(int32_t index, void* destination, int32_t n) const {
  if (n == 0) return;
  CheckRange(index, n, count_);
  std::memcpy(destination, Slot(index), ElementBytes(n));
}

void TDynamicArray::AdjustAfterInsert(int32_t index, int32_t n) {
  for (TWalkCursor* c = FirstCursor(); c != nullptr; c = c->next) {
    if (c->low >= index) c->low += n;
    if (c->high >= index) c->high += n;
    if (c->ascending != 0 ? c->current >= index : c->current > index) c->current += n;
  }
  if (TIterator* start = iterators_; start != nullptr) {
    TIterator* iterator = start;
    do {
      iterator->AdjustAfterInsert(index, n);
      iterator = iterator->next_;
    } while (iterator != start);
  }
}

void TDynamicArray::AdjustAfterDelete(int32_t index, int32_t n) {
  for (TWalkCursor* c = FirstCursor(); c != nullptr; c = c->next) {
    if (c->low > index) c->low -= n;
    if (c->high >= index) c->high -= n;
    if (c->ascending != 0 ? c->current >= index : c->current > index) c->current -= n;
  }
  if (TIterator* start = iterators_; start != nullptr) {
    TIterator* iterator = start;
    do {
      iterator->AdjustAfterDelete(index, n);
      iterator = iterator->next_;
    } while (iterator != start);
  }
}

void TDynamicArray::CopyElements(const TDynamicArray& source, TDynamicArray& destination) {
  if (&source == &destination) return;
  // Slots are copied as they lie, which only means the same thing for the same element size.
  if (source.elementSize_ != destination.elementSize_) ThrowFailure(kErrBadIndex, 0);
  const int32_t common = std::min(source.count_, destination.count_);
  if (common > 0) destination.ReplaceElementsAt(1, source.Slot(1), common);
  if (source.count_ > destination.count_) {
    destination.InsertElementsBefore(common + 1, source.Slot(common + 1), source.count_ - common);
  } else if (destination.count_ > source.count_) {
    destination.DeleteElementsAt(common + 1, destination.count_ - common);
  }
}

// ---- TDynamicArray: walks and freeing -------------------------------------------------------

TDynamicArray::WalkScope::WalkScope(TDynamicArray& array, TWalkCursor& cursor)
    : array_(array), cursor_(cursor) {
  array_.AttachCursor(cursor_);
}

TDynamicArray::WalkScope::~WalkScope() {
  array_.DetachCursor(cursor_);
  array_.CompletePendingFree();
}

int32_t TDynamicArray::Walk(bool ascending, collection_detail::FunctionRef<bool(int32_t)> visit) {
  if (count_ <= 0) return -1;
  TWalkCursor cursor;
  cursor.low = 1;
  cursor.high = count_;
  cursor.ascending = ascending ? 1 : 0;
  cursor.current = ascending ? cursor.low : cursor.high;
  int32_t stopped = -1;
  {
    WalkScope scope(*this, cursor);
    while (ascending ? cursor.current <= cursor.high : cursor.current >= cursor.low) {
      if (visit(cursor.current)) break;
      cursor.current += ascending ? 1 : -1;
    }
    // Read before the scope ends: ending it may complete a deferred free.
    if (cursor.current >= 0 && cursor.current <= count_) stopped = cursor.current;
  }
  return stopped;
}

void* TDynamicArray::FirstThat(collection_detail::FunctionRef<bool(void*)> test) {
  void* found = nullptr;
  Walk(true, [&](int32_t index) {
    void* element = At(index);
    if (element == nullptr || !test(element)) return false;
    found = element;
    return true;
  });
  return found;
}

void* TDynamicArray::LastThat(collection_detail::FunctionRef<bool(void*)> test) {
  void* found = nullptr;
  Walk(false, [&](int32_t index) {
    void* element = At(index);
    if (element == nullptr || !test(element)) return false;
    found = element;
    return true;
  });
  return found;
}

void TDynamicArray::EachWithArgs(collection_detail::FunctionRef<void(void*)> action) {
  Walk(true, [&](int32_t index) {
    if (void* element = At(index); element != nullptr) action(element);
    return false;
  });
}

bool TDynamicArray::CompletePendingFree() {
  if (freeing_ == 0 || FirstCursor() != nullptr || iterators_ != nullptr) return false;
  Free();
  return true;
}

void TDynamicArray::Free() {
  if (FirstCursor() == nullptr && iterators_ == nullptr) {
    delete this;
    return;
  }
  freeing_ = 1;
  if (count_ > 0) DeleteElementsAt(1, count_);
  ReleaseStorage();
}
