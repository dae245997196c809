#pragma once
// Small value types shared by every subsystem: rectangles in the toolbox's 16-bit layout and in
// the 32-bit GDI layout, the toolbox point, a short text-style record and the scale-and-offset
// pair of two axes.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

// A 16-bit rectangle: top, left, bottom, right.
struct MacRect {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;

  MacRect() = default;
  // Arguments in GDI order.
  MacRect(int16_t leftEdge, int16_t topEdge, int16_t rightEdge, int16_t bottomEdge)
      : top(topEdge), left(leftEdge), bottom(bottomEdge), right(rightEdge) {}

  // Arguments in GDI order.
  void Set(int16_t leftEdge, int16_t topEdge, int16_t rightEdge, int16_t bottomEdge);
  // Moves the rectangle by dh horizontally and dv vertically.
  void Offset(int16_t dh, int16_t dv);
  // out = the larger top and left, the smaller bottom and right, written as computed even when
  // empty; true when the result is not empty. out may be a or b.
  static bool Intersect(const MacRect& a, const MacRect& b, MacRect& out);

  bool operator==(const MacRect&) const = default;
};

// A 32-bit rectangle in GDI order: left, top, right, bottom.
struct WinRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  WinRect() = default;
  WinRect(int32_t leftEdge, int32_t topEdge, int32_t rightEdge, int32_t bottomEdge)
      : left(leftEdge), top(topEdge), right(rightEdge), bottom(bottomEdge) {}
  explicit WinRect(const RECT& rect)
      : left(rect.left), top(rect.top), right(rect.right), bottom(rect.bottom) {}

  void CopyTo(WinRect& destination) const { destination = *this; }
  void CopyTo(RECT& destination) const { destination = {left, top, right, bottom}; }

  bool operator==(const WinRect&) const = default;
};

// A 16-bit point, vertical first. Packed into 32 bits, v is the low word and h the high word.
struct MacPoint {
  int16_t v = 0;
  int16_t h = 0;

  MacPoint() = default;
  MacPoint(int16_t horizontal, int16_t vertical) : v(vertical), h(horizontal) {}

  // From a window-layer point: x becomes h and y becomes v (narrowed to 16 bits).
  static MacPoint FromPOINT(const POINT& point);
  // The packed 32-bit form and back.
  uint32_t Packed() const;
  static MacPoint FromPacked(uint32_t packed);

  bool operator==(const MacPoint&) const = default;
};

// A short text-style record, copied by value.
struct TStyleBits {
  uint16_t word = 0;
  uint8_t flags = 0;
  uint32_t value = 0;

  // Sets the flag byte and answers it.
  uint8_t SetFlags(uint8_t newFlags) {
    flags = newFlags;
    return flags;
  }

  bool operator==(const TStyleBits&) const = default;
};

// Scale and offset of each axis; the identity is 1, 0, 1, 0.
struct AxisScalePair {
  double scaleX = 1.0;
  double offsetX = 0.0;
  double scaleY = 1.0;
  double offsetY = 0.0;

  void SetIdentity() { *this = AxisScalePair(); }

  bool operator==(const AxisScalePair&) const = default;
};
