#pragma once
// A set of pixels kept as non-overlapping rectangles: the update and visible areas of windows.
// Small and exact; the GDI region type is built from it where a caller needs a region handle.

#include <vector>

#include "platform/win32/WindowTypes.h"

bool IsRectEmpty(const RECT& rect);
// The common part of two rectangles; false (and an empty result) when they do not meet.
bool IntersectRect(RECT* result, const RECT& a, const RECT& b);
bool PtInRect(const RECT& rect, POINT point);
void OffsetRect(RECT* rect, int32_t dx, int32_t dy);
void InflateRect(RECT* rect, int32_t dx, int32_t dy);
bool EqualRect(const RECT& a, const RECT& b);

class WindowArea {
 public:
  WindowArea() = default;
  explicit WindowArea(const RECT& rect) { Add(rect); }

  void Clear() { rects_.clear(); }
  void Add(const RECT& rect);
  void Add(const WindowArea& other);
  void Subtract(const RECT& rect);
  void Subtract(const WindowArea& other);
  // Takes away many rectangles at once (the children or siblings of a window): as fast for a
  // thousand as the one-by-one way is for a few.
  void SubtractAll(const std::vector<RECT>& rects);
  void IntersectWith(const RECT& rect);
  void Offset(int32_t dx, int32_t dy);

  bool IsEmpty() const { return rects_.empty(); }
  bool Contains(POINT point) const;
  // The smallest rectangle holding every pixel; empty when the set is empty.
  RECT Bounds() const;
  const std::vector<RECT>& Rects() const { return rects_; }
  // Pixel count, for tests and checks.
  int64_t Area() const;

 private:
  std::vector<RECT> rects_;
};

class RegionData;
// The same pixels as a region (the clip region of a window's device context).
RegionData WindowAreaRegion(const WindowArea& area);
