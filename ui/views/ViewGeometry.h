#pragma once
// The 32-bit points and rectangles of view trees, and their narrowing to the drawing port's
// 16-bit ones.

#include <algorithm>
#include <cstdint>

#include "core/MacTypes.h"

struct TViewPoint {
  int32_t h = 0;
  int32_t v = 0;
  bool operator==(const TViewPoint&) const = default;
};

// Right and bottom edges are outside, as everywhere in the window layer.
struct TViewRect {
  int32_t top = 0;
  int32_t left = 0;
  int32_t bottom = 0;
  int32_t right = 0;
  bool operator==(const TViewRect&) const = default;
  bool Contains(const TViewPoint& point) const {
    return point.h >= left && point.h < right && point.v >= top && point.v < bottom;
  }
};

inline int16_t NarrowTo16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

inline MacRect NarrowRect(const TViewRect& rect) {
  MacRect out;
  out.top = NarrowTo16(rect.top);
  out.left = NarrowTo16(rect.left);
  out.bottom = NarrowTo16(rect.bottom);
  out.right = NarrowTo16(rect.right);
  return out;
}

inline TViewRect WidenRect(const MacRect& rect) {
  return TViewRect{rect.top, rect.left, rect.bottom, rect.right};
}
