#pragma once
// Big-endian reading of picture data that never reads past its end: a read beyond it answers
// zeros and marks the reader failed, so a picture cut short is refused, never overrun.

#include <cstdint>
#include <span>

#include "platform/win32/GdiTypes.h"

class PictReader {
 public:
  explicit PictReader(std::span<const uint8_t> data) : data_(data) {}

  uint8_t U8() {
    if (!Need(1)) return 0;
    return data_[at_++];
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const auto v = static_cast<uint16_t>(data_[at_] << 8 | data_[at_ + 1]);
    at_ += 2;
    return v;
  }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() {
    const uint32_t high = U16();
    return high << 16 | U16();
  }
  // A point as stored: vertical, then horizontal.
  POINT Point() {
    const int32_t v = S16();
    return {S16(), v};
  }
  // A rectangle as stored: top, left, bottom, right.
  RECT Rect() {
    RECT r;
    r.top = S16();
    r.left = S16();
    r.bottom = S16();
    r.right = S16();
    return r;
  }
  // count bytes in place; empty (and failed) when fewer remain.
  std::span<const uint8_t> Bytes(size_t count) {
    if (!Need(count)) return {};
    const auto out = data_.subspan(at_, count);
    at_ += count;
    return out;
  }
  void Skip(size_t count) { Bytes(count); }
  void AlignEven() {
    if (at_ % 2) Skip(1);
  }

  bool Failed() const { return failed_; }
  void Fail() { failed_ = true; }
  size_t Position() const { return at_; }
  size_t Remaining() const { return data_.size() - at_; }

 private:
  bool Need(size_t count) {
    if (failed_ || count > data_.size() - at_) {
      failed_ = true;
      return false;
    }
    return true;
  }
  std::span<const uint8_t> data_;
  size_t at_ = 0;
  bool failed_ = false;
};
