#pragma once
// What one recorded frame holds, for the solver that writes it and the program that reads it
// back: the values of every body in stream order (its full state of 8 values, or only the first
// 3 of them), then the values of every element list (block 1600) in stream order, each list's
// values in its own order.

#include <cstdint>

namespace yb::stream {

struct FrameLayout {
  // A body's full state: x, y, rotation, velocity x, velocity y, angular velocity, cosine and
  // sine of the rotation; the short form keeps the position alone.
  static constexpr int32_t kFullBodyValues = 8;
  static constexpr int32_t kShortBodyValues = 3;

  int32_t bodies = 0;
  int32_t valuesPerBody = kFullBodyValues;
  // The values of all element lists together.
  int64_t recorded = 0;

  int64_t ValuesPerFrame() const { return int64_t{bodies} * valuesPerBody + recorded; }
  // Where body number i (from 0, in stream order) starts.
  int64_t BodyOffset(int32_t i) const { return int64_t{i} * valuesPerBody; }
  // Where the element value number k (from 0, counted over all lists in stream order) is.
  int64_t RecordedOffset(int64_t k) const { return int64_t{bodies} * valuesPerBody + k; }

  // The layout of a block that holds valuesPerFrame values for these bodies and recorded
  // values: valuesPerBody is 8 or 3, or 0 when the count fits neither form.
  static FrameLayout ForBlock(int64_t valuesPerFrame, int32_t bodies, int64_t recorded) {
    FrameLayout layout{bodies, kFullBodyValues, recorded};
    if (layout.ValuesPerFrame() == valuesPerFrame) return layout;
    layout.valuesPerBody = kShortBodyValues;
    if (layout.ValuesPerFrame() == valuesPerFrame) return layout;
    layout.valuesPerBody = 0;
    return layout;
  }
};

}  // namespace yb::stream
