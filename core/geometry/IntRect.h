#pragma once
// Integer points and rectangles of the window and view code, in the toolbox field order (v before
// h; top, left, bottom, right), converting to and from the window layer's POINT and RECT.

#include <cstdint>

#include "core/MacTypes.h"
#include "platform/win32/WindowTypes.h"

class QV_CPoint : public MacPoint {
 public:
  QV_CPoint() = default;
  // Arguments horizontal first, as for MacPoint.
  QV_CPoint(int16_t horizontal, int16_t vertical) : MacPoint(horizontal, vertical) {}
  QV_CPoint(const MacPoint& point) : MacPoint(point) {}  // NOLINT: same layout
  explicit QV_CPoint(const POINT& point) : MacPoint(MacPoint::FromPOINT(point)) {}

  // "QV_CPoint(h, v)" in a buffer that the next call overwrites.
  const char* Dump() const;
  // The 32-bit image: h in the high half, v in the low half.
  int32_t AsLong() const { return static_cast<int32_t>(Packed()); }
  POINT ToWinPoint() const { return POINT{h, v}; }
  // The point in the next of four rotating slots, so that up to four results can be held at
  // once; the fifth call reuses the first slot.
  POINT* ToWinPointRotating() const;

  // Component 0 is v, any other is h.
  int16_t& operator[](int i) { return i == 0 ? v : h; }
  int16_t operator[](int i) const { return i == 0 ? v : h; }
  int16_t Component(int i) const { return (*this)[i]; }

  QV_CPoint operator+(const QV_CPoint& other) const;
  QV_CPoint operator-(const QV_CPoint& other) const;
  QV_CPoint& operator+=(const QV_CPoint& other);
  QV_CPoint& operator-=(const QV_CPoint& other);

  bool operator==(const QV_CPoint& other) const { return v == other.v && h == other.h; }
  bool operator!=(const QV_CPoint& other) const { return !(*this == other); }
  // Partial orders: true only when the relation holds for v and for h.
  bool operator<(const QV_CPoint& other) const { return v < other.v && h < other.h; }
  bool operator>(const QV_CPoint& other) const { return v > other.v && h > other.h; }
  bool operator<=(const QV_CPoint& other) const { return v <= other.v && h <= other.h; }
  bool operator>=(const QV_CPoint& other) const { return v >= other.v && h >= other.h; }
};

class QV_CRect : public MacRect {
 public:
  QV_CRect() = default;
  // Arguments in GDI order, as for MacRect.
  QV_CRect(int16_t leftEdge, int16_t topEdge, int16_t rightEdge, int16_t bottomEdge)
      : MacRect(leftEdge, topEdge, rightEdge, bottomEdge) {}
  QV_CRect(const MacRect& rect) : MacRect(rect) {}  // NOLINT: same layout
  // The window-layer rectangle narrowed to 16 bits.
  explicit QV_CRect(const RECT& rect);

  // "QV_CRect(left, top, right, bottom)" in a buffer that the next call overwrites.
  const char* Dump() const;
  RECT ToWinRect() const { return RECT{left, top, right, bottom}; }
  // The rectangle in a single slot that the next call overwrites.
  RECT* AsWinRect() const;

  // Corner 0 is the top left, any other index the bottom right.
  QV_CPoint Corner(int i) const;
  void SetCorner(int i, const QV_CPoint& point);

  QV_CRect operator+(const QV_CPoint& offset) const;
  QV_CRect operator-(const QV_CPoint& offset) const;
  void Offset(const QV_CPoint& offset);
  void OffsetNeg(const QV_CPoint& offset);
  // Top and left move in by the point, bottom and right by the same amounts.
  void Inset(const QV_CPoint& amount);

  // Each of the four values added or subtracted.
  QV_CRect& operator+=(const QV_CRect& other);
  QV_CRect& operator-=(const QV_CRect& other);
  QV_CRect operator+(const QV_CRect& other) const;
  QV_CRect operator-(const QV_CRect& other) const;

  bool operator==(const QV_CRect& other) const;
  bool operator!=(const QV_CRect& other) const { return !(*this == other); }

  // The overlap; (0, 0, 0, 0) when the rectangles are apart. Touching rectangles give an empty
  // but normal result.
  QV_CRect operator&(const QV_CRect& other) const;
  // The rectangle spanning both, empty ones included.
  QV_CRect operator|(const QV_CRect& other) const;

  bool IsEmpty() const { return left >= right || bottom <= top; }
  bool IsNormal() const { return left <= right && top <= bottom; }
  void Normalize();
  // Axis 1 is the width, axis 0 the height.
  int32_t Extent(int axis) const;
  // v = height, h = width.
  QV_CPoint Size() const;
  // Half-open: the bottom and right edges are outside.
  bool Contains(const QV_CPoint& point) const;
  // Both corners of the other rectangle pass Contains, so no rectangle contains itself.
  bool ContainsRect(const QV_CRect& other) const;
};
