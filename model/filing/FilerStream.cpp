#include "model/filing/FilerStream.h"

#include <algorithm>
#include <cstring>

#include "core/Failure.h"
#include "core/Stream.h"
#include "model/filing/DocumentFormat.h"

namespace {

int32_t Padded(int32_t count) {
  return count + (count & 1);
}

}  // namespace

void MemoryFilerStream::Write(const void* bytes, int32_t count) {
  if (count < 0) ThrowFailure(kErrBadFormat, 0);
  const size_t end = static_cast<size_t>(position_) + static_cast<size_t>(Padded(count));
  if (end > bytes_.size()) bytes_.resize(end, 0);
  if (count > 0) std::memcpy(bytes_.data() + position_, bytes, static_cast<size_t>(count));
  position_ = static_cast<int32_t>(end);
}

void MemoryFilerStream::Read(void* bytes, int32_t count) {
  // A missing pad byte after the last odd item is tolerated: nothing follows it.
  if (count < 0 || count > Remaining()) ThrowFailure(kErrBadFormat, 0);
  if (count > 0) std::memcpy(bytes, bytes_.data() + position_, static_cast<size_t>(count));
  position_ = std::min(position_ + Padded(count), GetLength());
}

void MemoryFilerStream::SetPosition(int32_t position) {
  if (position < 0 || position > GetLength()) ThrowFailure(kErrBadFormat, 0);
  position_ = position;
}

Handle MemoryFilerStream::MakeHandle() const {
  Handle handle = AllocHandle(static_cast<uint32_t>(bytes_.size()));
  if (!bytes_.empty()) std::memcpy(HandleData(handle), bytes_.data(), bytes_.size());
  return handle;
}

void TStreamFilerStream::Write(const void* bytes, int32_t count) {
  stream_.Write(count, bytes);
}

void TStreamFilerStream::Read(void* bytes, int32_t count) {
  if (count < 0 || count > Remaining()) ThrowFailure(kErrBadFormat, 0);
  stream_.Read(count, bytes);
}

int32_t TStreamFilerStream::GetPosition() const {
  return stream_.GetPosition();
}

void TStreamFilerStream::SetPosition(int32_t position) {
  if (position < 0 || position > GetLength()) ThrowFailure(kErrBadFormat, 0);
  stream_.SetPosition(position);
}

int32_t TStreamFilerStream::GetLength() const {
  return stream_.GetLength();
}
