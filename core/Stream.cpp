#include "core/Stream.h"

#include <algorithm>

#include "core/Failure.h"
#include "core/HandleStream.h"
#include "core/MemoryStream.h"

uint32_t TStream::Checksum(int32_t start) {
  const int32_t length = GetLength();
  const int32_t last = length - 1;
  if (last < start) ThrowFailure(kErrNone, 0);
  uint32_t sum = 0xE7F2C861u;
  for (int32_t i = 1; i <= 111; ++i) {
    const int32_t position = start + (last - start) / i;
    uint8_t word[4] = {};
    ReadAt(position, std::min<int32_t>(4, length - position), word);
    uint32_t value = 0;
    std::copy(word, word + 4, reinterpret_cast<uint8_t*>(&value));
    sum += value;
  }
  return sum;
}

void TStream::CheckAbort(bool flag) {
  if (flag) ThrowFailure(kErrNone, 0);
}

void TStream::Scan(const StreamScanCallback& callback, int32_t& position) {
  position = GetPosition();
  bool stopped = false;
  while (position + 1 < GetLength()) {
    uint8_t pair[2] = {};
    ReadAt(position, 2, pair);
    if (callback(pair)) {
      stopped = true;
      break;
    }
    ++position;
  }
  if (!stopped && position < GetLength()) {
    uint8_t pair[2] = {};
    ReadAt(position, 1, pair);
    if (!callback(pair)) ++position;
  }
  SetPosition(position);
}

std::unique_ptr<TStream> MakeReadStream(bool aligned, Handle handle) {
  std::unique_ptr<TMemoryReadStream> stream;
  if (aligned) {
    stream = std::make_unique<TAlignedMemoryReadStream>();
  } else {
    stream = std::make_unique<TMemoryReadStream>();
  }
  stream->Open(handle);
  return stream;
}

std::unique_ptr<TStream> MakeWriteStream(TMacFile* file, bool pad) {
  auto stream = std::make_unique<THandleStream>();
  stream->Open(file, pad);
  return stream;
}

std::unique_ptr<TStream> NewMemoryCopyStream(Handle handle) {
  auto stream = std::make_unique<TMemoryCopyStream>();
  stream->Open(handle);
  return stream;
}
