#include "ui/items/ItemRecord.h"

#include <cstring>

#include "core/Failure.h"

void TItemRecordCursor::Need(size_t count) const {
  if (count > Remaining()) ThrowFailure(kErrOutOfMemory, 0);
}

uint16_t TItemRecordCursor::ReadWord() {
  Need(2);
  const uint16_t value = static_cast<uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
  offset_ += 2;
  return value;
}

uint32_t TItemRecordCursor::ReadLong() {
  Need(4);
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes_[offset_ + i]) << (8 * i);
  offset_ += 4;
  return value;
}

uint32_t TItemRecordCursor::ReadTag() { return ReadLong(); }

Str255 TItemRecordCursor::ReadText() {
  const uint8_t* start = bytes_.data() + offset_;
  const void* end = std::memchr(start, 0, Remaining());
  if (end == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(end) - start);
  Str255 text(reinterpret_cast<const char*>(start));
  offset_ += length + 1;
  return text;
}

void TItemRecordCursor::Skip(size_t count) {
  Need(count);
  offset_ += count;
}
