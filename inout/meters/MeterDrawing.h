#pragma once
// Drawing helpers the meter's drawing files share.

#include "core/MacTypes.h"
#include "core/port/Port.h"

// Fills rect in one colour in the current port, whatever brush the port holds.
void FillSolid(const MacRect& rect, const RGB16Color& color);

// Drawing limited to a rectangle of the current port for the scope's life.
class ClipScope {
 public:
  explicit ClipScope(const MacRect& rect);
  ~ClipScope();
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  HDC dc_;
  int32_t saved_ = 0;
};
