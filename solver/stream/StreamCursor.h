#pragma once
// Bounded reading of the native object stream: host byte order, 2-byte codes, 4-byte longs,
// 8-byte doubles, strings as a 16-bit length and that many bytes, and one pad byte after every
// item of odd length. A cursor never reads outside its range: a read that would is refused with
// StreamError, and so is every count or length the bytes cannot hold.

#include <cstdint>
#include <cstring>
#include <string>

namespace yb::stream {

// The code a refused stream answers (see solver/engine/EngineEntry.h), with what was wrong.
struct StreamError {
  int32_t code;
  std::string message;
};

// A formula item: a constant, or a formula text (a stored record carries its text in its name).
struct FormulaItem {
  bool isConstant = true;
  double value = 0.0;
  std::string text;
};

class StreamCursor {
 public:
  StreamCursor(const uint8_t* begin, int64_t size) : at_(begin), end_(begin + size) {}

  int64_t Remaining() const { return end_ - at_; }
  bool AtEnd() const { return at_ == end_; }
  const uint8_t* Position() const { return at_; }

  int16_t Code() { return Number<int16_t>(); }
  int32_t Long() { return Number<int32_t>(); }
  double Double() { return Number<double>(); }
  // A byte item is written as a code holding its low byte.
  uint8_t Byte() { return static_cast<uint8_t>(Code()); }
  std::string String();
  FormulaItem Formula();
  // A cursor over the next `count` bytes, which this one skips.
  StreamCursor Take(int64_t count);
  void Skip(int64_t count);
  // Refuses when fewer than count * itemBytes bytes remain (counts are checked before anything
  // is allocated for them).
  void Expect(int64_t count, int64_t itemBytes, const char* what) const;

  [[noreturn]] static void Fail(const std::string& message);

 private:
  template <typename T>
  T Number() {
    Need(sizeof(T), "a number");
    T value;
    std::memcpy(&value, at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  void Need(int64_t count, const char* what) const;

  const uint8_t* at_;
  const uint8_t* end_;
};

}  // namespace yb::stream
