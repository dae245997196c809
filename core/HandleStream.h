#pragma once
// A stream over an open file. Every file error is raised with its Macintosh code. With the pad
// flag, blocks of odd size are followed by one pad byte (a zero) so that every block starts on
// an even offset, and reads skip it again.

#include <cstdint>

#include "core/Stream.h"

class TMacFile;

class THandleStream : public TStream {
  DECLARE_CLASS_ID(381, TStream)

 public:
  THandleStream() = default;

  // The file stays with the caller.
  void Open(TMacFile* file, bool pad);

  bool AtEnd() override;
  int32_t GetLength() override;
  // Reads up to count bytes; the end of the file is no failure, and the bytes it leaves unread
  // are zero.
  void Read(int32_t count, void* buffer) override;
  // At position, without padding; the file's position is restored afterwards.
  void ReadAt(int32_t position, int32_t count, void* buffer) override;
  void Scan(const StreamScanCallback& callback, int32_t& position) override;
  void Write(int32_t count, const void* buffer) override;
  void WriteAt(int32_t position, int32_t count, const void* buffer) override;
  int32_t GetPosition() override;
  // With the pad flag an odd position is rounded up.
  void SetPosition(int32_t position) override;

 private:
  // Reads up to count bytes and answers how many came.
  int32_t ReadSome(int32_t count, void* buffer);

  TMacFile* file_ = nullptr;
  uint16_t opened_ = 0;
  uint16_t pad_ = 0;
};
