#pragma once
// The byte-stream base under the object filers and the formatting streams. A stream copies bytes
// unchanged, in host order; numbers and strings are the callers' business. Positions, counts and
// lengths are signed 32-bit byte counts, and failures are raised as QVException.

#include <cstdint>
#include <functional>
#include <memory>

#include "core/Handle.h"
#include "core/TObject.h"

class TMacFile;

// Called by Scan with the two bytes at the scan position (the second is the next byte); true
// stops the scan.
using StreamScanCallback = std::function<bool(const uint8_t* pair)>;

class TStream : public TObject {
  DECLARE_CLASS_ID(377, TObject)

 public:
  TStream() = default;

  virtual bool AtEnd() { return false; }
  // A 32-bit sum of 111 words sampled between start and the end of the stream. Raises the
  // silent failure when start lies at or beyond the last byte. Words that would run past the end
  // are read as far as the stream goes and filled with zero bytes.
  virtual uint32_t Checksum(int32_t start);
  virtual int32_t GetLength() { return 0; }
  virtual void Truncate() {}
  // Raises the silent failure (error 0, message 0) when flag is set.
  virtual void CheckAbort(bool flag);
  virtual void Initialize() {}
  virtual void Read(int32_t /*count*/, void* /*buffer*/) {}
  virtual void ReadAt(int32_t /*position*/, int32_t /*count*/, void* /*buffer*/) {}
  // Walks the stream from its position, handing each byte and the next to the callback, until
  // the callback answers true or the bytes run out; the stream is left at the final position,
  // which is also answered in position. The callback may move position itself.
  virtual void Scan(const StreamScanCallback& callback, int32_t& position);
  virtual void Write(int32_t /*count*/, const void* /*buffer*/) {}
  virtual void WriteAt(int32_t /*position*/, int32_t /*count*/, const void* /*buffer*/) {}
  virtual int32_t GetPosition() { return 0; }
  virtual void SetPosition(int32_t /*position*/) {}
};

// A memory stream over the handle: word-aligned (every odd-sized read or position skips a pad
// byte) when aligned is set. The handle stays with the caller. A null handle raises -108.
std::unique_ptr<TStream> MakeReadStream(bool aligned, Handle handle);
// A stream over an open file; with pad set every odd-sized write is followed by a pad byte and
// every odd-sized read skips one. The file stays with the caller.
std::unique_ptr<TStream> MakeWriteStream(TMacFile* file, bool pad);
// A memory stream over the handle that refuses to go beyond its first 64000 bytes.
std::unique_ptr<TStream> NewMemoryCopyStream(Handle handle);
