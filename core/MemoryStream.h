#pragma once
// Streams over a memory handle. Writing grows the handle geometrically (by half its size, and at
// least to the next 2048-byte step above the end of the write), so the handle's size is the
// stream's capacity until Truncate cuts it to what was written. Bytes the growth adds are zero.

#include <cstdint>

#include "core/Handle.h"
#include "core/Stream.h"

class TMemoryReadStream : public TStream {
  DECLARE_CLASS_ID(382, TStream)

 public:
  TMemoryReadStream() = default;

  // Starts at position 0 with the handle's size as length. A null handle raises -108.
  void Open(Handle handle);

  bool AtEnd() override;
  int32_t GetLength() override { return length_; }
  // Cuts the handle to the position, so that it holds exactly the bytes written.
  void Truncate() override;
  // Raises -39 when the read would pass the length (or the count is negative) and -40 for a
  // position before the start; nothing moves then.
  void Read(int32_t count, void* buffer) override;
  void ReadAt(int32_t position, int32_t count, void* buffer) override;
  void Scan(const StreamScanCallback& callback, int32_t& position) override;
  void Write(int32_t count, const void* buffer) override;
  // Raises -36 for a negative count and -40 for a negative position.
  void WriteAt(int32_t position, int32_t count, const void* buffer) override;
  int32_t GetPosition() override { return position_; }
  void SetPosition(int32_t position) override { position_ = position; }
  virtual void Skip(int32_t count) { position_ += count; }

 protected:
  // Raises the failure for a read of count bytes at position, when it may not be done.
  virtual void CheckRead(int32_t position, int32_t count);

  Handle handle_ = nullptr;
  int32_t position_ = 0;
  int32_t length_ = 0;
  uint32_t reserved_ = 0;
  uint16_t growthShift_ = 11;
};

// Reads and positions stay on even offsets: an odd skip or position takes one byte more, the
// reading side of a padding file stream. A write that ends on an odd offset is followed by a
// zero pad byte.
class TAlignedMemoryReadStream : public TMemoryReadStream {
  DECLARE_CLASS_ID(383, TMemoryReadStream)

 public:
  void WriteAt(int32_t position, int32_t count, const void* buffer) override;
  void SetPosition(int32_t position) override;
  void Skip(int32_t count) override;
};

// A memory stream that never reaches beyond its first 64000 bytes; it keeps its base's class
// identifier.
class TMemoryCopyStream : public TMemoryReadStream {
 public:
  static constexpr int32_t kLimit = 64000;

  // Raises -39 when the position is beyond the limit.
  bool AtEnd() override;
  void Scan(const StreamScanCallback& callback, int32_t& position) override;
  void Skip(int32_t count) override;

 protected:
  void CheckRead(int32_t position, int32_t count) override;
};
