#pragma once
// Tracker feedback drawn with an inverting pen: drawing a figure twice removes it, so a tracker
// erases by drawing its last figure again. One scope holds the view's device context with the
// pen selected for the time of one drawing.

#include <cstdint>

#include "core/MacTypes.h"
#include "platform/win32/GdiTypes.h"

class TFeedbackPort;

class TFeedbackPen {
 public:
  // Dashed frames for selection rectangles, solid lines for rotation and sizing.
  static constexpr int32_t kDashed = 1;
  static constexpr int32_t kSolid = 0;

  // A port that is null or gives no device context draws nothing.
  TFeedbackPen(TFeedbackPort* port, int32_t style);
  ~TFeedbackPen();
  TFeedbackPen(const TFeedbackPen&) = delete;
  TFeedbackPen& operator=(const TFeedbackPen&) = delete;

  // The rectangle between the two points, normalised and one pixel larger to the right and
  // bottom so that both points are inside, framed without fill.
  void FrameBetween(const MacPoint& a, const MacPoint& b);
  void Line(const MacPoint& from, const MacPoint& to);
  // The circle or ellipse in the box from a to b (b excluded).
  void Ellipse(const MacPoint& a, const MacPoint& b);
  // Limits what the pen draws from here on to the rectangle (right and bottom excluded).
  void ClipTo(const MacRect& rect);

 private:
  TFeedbackPort* port_;
  HDC dc_ = nullptr;
  HPEN pen_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  int32_t oldMode_ = 0;
  int32_t savedState_ = 0;
};

// A tracker whose inverted figure outlives a paint of the view under it: the view calls it after
// painting a rectangle, and it draws there the part of its figure that the paint covered.
class TFeedbackOverlay {
 public:
  virtual void RestoreFeedbackIn(const MacRect& rect) = 0;

 protected:
  ~TFeedbackOverlay() = default;
};

// The normalised rectangle between two points, in view coordinates.
MacRect RectBetween(const MacPoint& a, const MacPoint& b);
