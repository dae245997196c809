#include "core/geometry/PtrArray.h"

#include <cstring>

#include "core/Failure.h"

namespace {

constexpr int16_t kErrBadIndex = -50;
constexpr uint32_t kSlotSize = sizeof(TPlainObject*);

}  // namespace

TPtrArray::TPtrArray() : slots_(AllocHandle(0)) {}

TPtrArray::~TPtrArray() {
  FreeHandle(slots_);
}

TPlainObject** TPtrArray::SlotAddress(int32_t i) const {
  if (i < 0 || i > last_) return nullptr;
  return reinterpret_cast<TPlainObject**>(HandleData(slots_)) + i;
}

TPlainObject* TPtrArray::Item(int32_t i) const {
  TPlainObject** slot = SlotAddress(i);
  if (slot == nullptr) return nullptr;
  TPlainObject* element;
  std::memcpy(&element, slot, kSlotSize);
  return element;
}

void TPtrArray::Store(int32_t i, TPlainObject* element) {
  std::memcpy(HandleData(slots_) + static_cast<size_t>(i) * kSlotSize, &element, kSlotSize);
}

void TPtrArray::SetLastIndex(int32_t n) {
  ResizeHandleRaw(slots_, static_cast<uint32_t>(n + 1) * kSlotSize);
  FailIfMemError();
  last_ = n;
}

void TPtrArray::InsertAt(int32_t i, TPlainObject* element) {
  if (i < 0 || i > Count()) ThrowFailure(kErrBadIndex, 0);
  SetLastIndex(last_ + 1);
  char* data = HandleData(slots_);
  std::memmove(data + static_cast<size_t>(i + 1) * kSlotSize,
               data + static_cast<size_t>(i) * kSlotSize,
               static_cast<size_t>(last_ - i) * kSlotSize);
  Store(i, element);
}

void TPtrArray::RemoveAt(int32_t i) {
  if (i < 0 || i > last_) ThrowFailure(kErrBadIndex, 0);
  char* data = HandleData(slots_);
  std::memmove(data + static_cast<size_t>(i) * kSlotSize,
               data + static_cast<size_t>(i + 1) * kSlotSize,
               static_cast<size_t>(last_ - i) * kSlotSize);
  SetLastIndex(last_ - 1);
}

int32_t TPtrArray::IndexOf(const TPlainObject* element) const {
  for (int32_t i = 0; i <= last_; ++i) {
    if (Item(i) == element) return i;
  }
  return -1;
}

void TPtrArray::Remove(const TPlainObject* element) {
  const int32_t i = IndexOf(element);
  if (i != -1) RemoveAt(i);
}

void TPtrArray::DeleteAt(int32_t i) {
  if (i < 0 || i > last_) ThrowFailure(kErrBadIndex, 0);
  delete Item(i);
  RemoveAt(i);
}

void TPtrArray::FreeAll() {
  for (int32_t i = 0; i <= last_; ++i)
    delete Item(i);
  RemoveAll();
}

void TPtrArray::RemoveAll() {
  if (last_ != -1) SetLastIndex(-1);
}
