#pragma once
// The byte stream under a writer or reader. Every write of an odd number of bytes is followed by
// one pad byte, and every read of an odd number of bytes skips one, so that all items start on an
// even offset. Readers check lengths against what remains before they read, so a read beyond the
// end is a programming error here and raises the damaged-file failure as a last guard.

#include <cstdint>
#include <span>
#include <vector>

#include "core/Handle.h"

class FilerStream {
 public:
  virtual ~FilerStream() = default;
  virtual void Write(const void* bytes, int32_t count) = 0;
  virtual void Read(void* bytes, int32_t count) = 0;
  virtual int32_t GetPosition() const = 0;
  virtual void SetPosition(int32_t position) = 0;
  virtual int32_t GetLength() const = 0;
  virtual void Flush() {}

  // Bytes between the position and the end.
  int32_t Remaining() const { return GetLength() - GetPosition(); }
};

// A growing in-memory stream: the writers use it when they are given no stream, and readers read
// a copy of the bytes they are given through it.
class MemoryFilerStream final : public FilerStream {
 public:
  MemoryFilerStream() = default;
  explicit MemoryFilerStream(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
  void Write(const void* bytes, int32_t count) override;
  void Read(void* bytes, int32_t count) override;
  int32_t GetPosition() const override { return position_; }
  void SetPosition(int32_t position) override;
  int32_t GetLength() const override { return static_cast<int32_t>(bytes_.size()); }

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // A new memory handle holding a copy of the bytes written.
  Handle MakeHandle() const;

 private:
  std::vector<uint8_t> bytes_;
  int32_t position_ = 0;
};

class TStream;

// A filer over one of the program's byte streams (a padding file stream, an aligned memory
// stream): the stream does its own padding. The stream stays with the caller.
class TStreamFilerStream final : public FilerStream {
 public:
  explicit TStreamFilerStream(TStream& stream) : stream_(stream) {}
  void Write(const void* bytes, int32_t count) override;
  void Read(void* bytes, int32_t count) override;
  int32_t GetPosition() const override;
  void SetPosition(int32_t position) override;
  int32_t GetLength() const override;

 private:
  TStream& stream_;
};
