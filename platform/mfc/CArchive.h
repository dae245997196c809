#pragma once
// An archive over bytes held in memory: objects store themselves into it or load themselves from
// it. Loading never reads past what was stored; a short read raises CArchiveException.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mfc/CException.h"

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)

 public:
  enum Cause : int32_t { none = 0, endOfFile = 1, badIndex = 2 };
  explicit CArchiveException(int32_t cause = none) : m_cause(cause) {}
  int32_t m_cause;
};

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };
  // A storing archive starts empty; a loading one reads the given bytes.
  explicit CArchive(Mode mode, std::vector<uint8_t> bytes = {})
      : mode_(mode), bytes_(std::move(bytes)) {}

  bool IsStoring() const { return mode_ == store; }
  bool IsLoading() const { return mode_ == load; }

  void Write(const void* data, size_t count);
  // Reads exactly count bytes; raises endOfFile when fewer remain (nothing is consumed then).
  void Read(void* data, size_t count);
  void WriteUInt32(uint32_t value);
  uint32_t ReadUInt32();
  // A length-prefixed byte block; loading refuses a length beyond the bytes that remain.
  void WriteBlock(const std::vector<uint8_t>& block);
  std::vector<uint8_t> ReadBlock();

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }
  size_t Remaining() const { return bytes_.size() - position_; }

 private:
  Mode mode_;
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};
