#include "core/Iterator.h"

#include <algorithm>

#include "core/Collection.h"

TIterator::TIterator(TDynamicArray* collection, bool ascending)
    : TIterator(collection, 1, collection != nullptr ? collection->GetCount() : -1, ascending) {}

TIterator::TIterator(TDynamicArray* collection, int32_t low, int32_t high, bool ascending) {
  IIterator(collection, low, high, ascending);
}

TIterator::~TIterator() {
  if (collection_ != nullptr) Detach();
}

void TIterator::IIterator(TDynamicArray* collection, int32_t low, int32_t high, bool ascending) {
  if (collection_ != nullptr) Detach();
  previous_ = next_ = this;
  low_ = high_ = current_ = -1;
  ascending_ = ascending ? 1 : 0;
  collection_ = collection;
  if (collection == nullptr) return;

  high_ = std::min(collection->count_, std::max(high, -1));
  low_ = std::min(high_ + 1, std::max(low, 1));
  if (low_ > high_) low_ = high_ = -1;
  current_ = ascending ? low_ : high_;

  // The new iterator becomes the head of the ring.
  if (TIterator* head = collection->iterators_; head != nullptr) {
    next_ = head;
    previous_ = head->previous_;
    head->previous_->next_ = this;
    head->previous_ = this;
  }
  collection->iterators_ = this;
}

bool TIterator::More() const {
  return current_ != -1;
}

int32_t TIterator::First() {
  current_ = ascending_ != 0 ? low_ : high_;
  return current_;
}

int32_t TIterator::Next() {
  if (ascending_ != 0) {
    current_ = current_ < high_ ? current_ + 1 : -1;
  } else {
    current_ = current_ > low_ ? current_ - 1 : -1;
  }
  return current_;
}

void TIterator::Detach() {
  TDynamicArray* collection = collection_;
  if (collection == nullptr) return;
  if (collection->iterators_ == this) collection->iterators_ = next_ != this ? next_ : nullptr;
  previous_->next_ = next_;
  next_->previous_ = previous_;
  previous_ = next_ = this;
  collection_ = nullptr;
  collection->CompletePendingFree();
}

void TIterator::Orphan() {
  previous_ = next_ = this;
  collection_ = nullptr;
  low_ = high_ = current_ = -1;
}

void TIterator::AdjustAfterInsert(int32_t index, int32_t n) {
  if (low_ >= index) low_ += n;
  if (high_ >= index) high_ += n;
  if (ascending_ != 0 ? current_ >= index : current_ > index) current_ += n;
}

void TIterator::AdjustAfterDelete(int32_t index, int32_t n) {
  if (low_ > index) low_ = std::max(low_ - n, index);
  if (high_ >= index) high_ = std::max(high_ - n, index - 1);
  if (ascending_ != 0) {
    if (current_ >= index) current_ = std::max(current_ - n, index - 1);
  } else {
    if (current_ > index) current_ = std::max(current_ - n, index);
  }
}

void* TArrayIterator::FirstElement() {
  First();
  return CurrentElement();
}

void* TArrayIterator::NextElement() {
  Next();
  return CurrentElement();
}

void* TArrayIterator::CurrentElement() const {
  if (!More() || collection_ == nullptr) return nullptr;
  return collection_->At(current_);
}
