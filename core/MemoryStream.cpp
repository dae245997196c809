#include "core/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/Failure.h"
#include "core/MacFile.h"

void TMemoryReadStream::Open(Handle handle) {
  FailIfNull(handle);
  handle_ = handle;
  growthShift_ = 11;
  position_ = 0;
  reserved_ = 0;
  length_ = static_cast<int32_t>(
      std::min<uint32_t>(GetHandleByteSize(handle), std::numeric_limits<int32_t>::max()));
}

bool TMemoryReadStream::AtEnd() {
  return position_ >= length_;
}

void TMemoryReadStream::CheckRead(int32_t position, int32_t count) {
  if (position < 0) ThrowFailure(kErrPosition, 0);
  if (count < 0 || int64_t{position} + count > length_) ThrowFailure(kErrEndOfFile, 0);
}

void TMemoryReadStream::Read(int32_t count, void* buffer) {
  CheckRead(position_, count);
  if (count > 0) std::memcpy(buffer, HandleData(handle_) + position_, count);
  Skip(count);
}

void TMemoryReadStream::ReadAt(int32_t position, int32_t count, void* buffer) {
  CheckRead(position, count);
  if (count > 0) std::memcpy(buffer, HandleData(handle_) + position, count);
}

void TMemoryReadStream::Write(int32_t count, const void* buffer) {
  WriteAt(position_, count, buffer);
}

void TMemoryReadStream::WriteAt(int32_t position, int32_t count, const void* buffer) {
  if (count == 0) return;
  if (count < 0) ThrowFailure(kErrIO, 0);
  if (position < 0) ThrowFailure(kErrPosition, 0);
  const int64_t end = int64_t{position} + count;
  const int64_t needed = ((end >> growthShift_) + 1) << growthShift_;
  if (needed > std::numeric_limits<int32_t>::max()) ThrowFailure(kErrOutOfMemory, 0);
  if (length_ < needed) {
    const int64_t grown = std::max<int64_t>(int64_t{length_} + length_ / 2, needed);
    const int32_t size = static_cast<int32_t>(std::min<int64_t>(grown, INT32_MAX));
    ResizeHandle(handle_, static_cast<uint32_t>(size));
    // New bytes are zero, so that gaps and pad bytes never carry stale memory.
    std::memset(HandleData(handle_) + length_, 0, size - length_);
    length_ = size;
  }
  std::memcpy(HandleData(handle_) + position, buffer, count);
  Skip(static_cast<int32_t>(std::max<int64_t>(0, end - position_)));
}

void TMemoryReadStream::Truncate() {
  if (position_ < 0) ThrowFailure(kErrPosition, 0);
  const int32_t old = static_cast<int32_t>(GetHandleByteSize(handle_));
  ResizeHandle(handle_, static_cast<uint32_t>(position_));
  if (position_ > old) std::memset(HandleData(handle_) + old, 0, position_ - old);
  length_ = position_;
}

void TMemoryReadStream::Scan(const StreamScanCallback& callback, int32_t& position) {
  position = position_;
  if (position < 0) ThrowFailure(kErrPosition, 0);
  while (position >= 0 && position < length_) {
    // At the last byte the pair's second byte is the one every handle block keeps after its data.
    if (callback(reinterpret_cast<const uint8_t*>(HandleData(handle_)) + position)) break;
    ++position;
  }
  position_ = position;
}

void TAlignedMemoryReadStream::WriteAt(int32_t position, int32_t count, const void* buffer) {
  const int32_t before = position_;
  TMemoryReadStream::WriteAt(position, count, buffer);
  const int64_t end = int64_t{position} + count;
  // The byte the position skipped is a pad byte: zero, whatever the handle held there.
  if (count > 0 && end > before && ((end - before) & 1) && end < length_) {
    HandleData(handle_)[end] = 0;
  }
}

void TAlignedMemoryReadStream::SetPosition(int32_t position) {
  position_ = position + (position & 1);
}

void TAlignedMemoryReadStream::Skip(int32_t count) {
  position_ += count + (count & 1);
}

bool TMemoryCopyStream::AtEnd() {
  if (position_ > kLimit) ThrowFailure(kErrEndOfFile, 0);
  return TMemoryReadStream::AtEnd();
}

void TMemoryCopyStream::CheckRead(int32_t position, int32_t count) {
  TMemoryReadStream::CheckRead(position, count);
  if (int64_t{position} + count > kLimit) ThrowFailure(kErrEndOfFile, 0);
}

void TMemoryCopyStream::Skip(int32_t count) {
  if (int64_t{position_} + count > kLimit) ThrowFailure(kErrEndOfFile, 0);
  TMemoryReadStream::Skip(count);
}

void TMemoryCopyStream::Scan(const StreamScanCallback& callback, int32_t& position) {
  position = position_;
  if (position < 0) ThrowFailure(kErrPosition, 0);
  while (position >= 0 && position < length_) {
    if (position >= kLimit) {
      position_ = position;
      ThrowFailure(kErrEndOfFile, 0);
    }
    if (callback(reinterpret_cast<const uint8_t*>(HandleData(handle_)) + position)) break;
    ++position;
  }
  position_ = position;
}
