// How an input lays itself out, turns mouse presses into values and draws: the slider's track
// and thumb, the button's face or box, the value text field.
#include <algorithm>
#include <cmath>

#include "core/geometry/Rounding.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "inout/inputs/Input.h"

namespace {

constexpr RGB16Color kBlack{0, 0, 0};
constexpr RGB16Color kWhite{65535, 65535, 65535};
constexpr int16_t kTrackShade = 11;
constexpr double kZeroSnap = 1e-10;

MacRect Moved(MacRect rect, MacPoint by) {
  rect.Offset(by.h, by.v);
  return rect;
}

MacRect Inset(MacRect rect, int16_t by) {
  rect.top = static_cast<int16_t>(rect.top + by);
  rect.left = static_cast<int16_t>(rect.left + by);
  rect.bottom = static_cast<int16_t>(rect.bottom - by);
  rect.right = static_cast<int16_t>(rect.right - by);
  return rect;
}

MacRect Union(const MacRect& a, const MacRect& b) {
  return MacRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom));
}

// Fills the rectangle with the port's background colour and leaves the pen black.
void PortEraseRect(const MacRect& rect) {
  RGB16Color background;
  GetPortBackColor(background);
  SetPortForeColor(background);
  PortPaintRect(rect);
  SetPortForeColor(kBlack);
}

}  // namespace

MacRect TInput::GetContentFrame() const {
  return Inset(GetFrame(), kMargin);
}

int16_t TInput::GetValueTextWidth() {
  if (kind_ == TInputKind::kButton) return static_cast<int16_t>(GetLabelWidth() + 16);
  SetPortFont(&GetFont());
  const int16_t width = PortStringWidth(Str255("-00.00"));
  SelectSystemFont();
  return static_cast<int16_t>(width + 20);
}

void TInput::ConstrainSize(MacPoint& size) {
  int h = std::max(size.h - 2 * kMargin, 0);
  int v = std::max(size.v - 2 * kMargin, 0);
  const int lineHeight = GetAscent() + GetDescent();
  switch (kind_) {
    case TInputKind::kButton:
      h = std::max<int>(h, GetValueTextWidth());
      v = std::max(v, lineHeight + 4);
      break;
    case TInputKind::kSlider:
      // The orientation follows the shape: a tall shape makes a vertical slider.
      if (horizontal_ != 0 && h * 3 < v * 2) horizontal_ = 0;
      if (horizontal_ == 0 && v * 3 < h * 2) horizontal_ = 1;
      if (horizontal_ != 0) {
        h = std::max(h, 24);
        v = std::max(std::min(v, h / 4), 8);
      } else {
        v = std::max(v, 24);
        h = std::max(std::min(h, v / 4), 8);
      }
      break;
    default:
      h = std::max<int>(h, GetValueTextWidth());
      v = lineHeight + 4;
      break;
  }
  size.h = static_cast<int16_t>(std::min(h + 2 * kMargin, 32767));
  size.v = static_cast<int16_t>(std::min(v + 2 * kMargin, 32767));
}

void TInput::AdjustSize() {
  MacPoint size = GetSize();
  switch (kind_) {
    case TInputKind::kSlider: {
      const auto along = static_cast<int16_t>(trackLength_ + 2 * kMargin);
      const auto across = static_cast<int16_t>(trackThickness_ + 2 * kMargin);
      size = horizontal_ != 0 ? MacPoint(along, across) : MacPoint(across, along);
      break;
    }
    case TInputKind::kButton:
      ConstrainSize(size);
      break;
    default:
      TInOutput::AdjustSize();
      return;
  }
  SetSize(size);
}

void TInput::LayoutForSize() {
  thumbOffsetValid_ = false;
  valueTextValid_ = false;
  const int16_t lineHeight = static_cast<int16_t>(GetAscent() + GetDescent());
  const MacPoint size = GetSize();
  const MacRect r(kMargin, kMargin, static_cast<int16_t>(size.h - kMargin),
                  static_cast<int16_t>(size.v - kMargin));
  switch (kind_) {
    case TInputKind::kSlider: {
      if (horizontal_ != 0) {
        if (showText_) {
          const int16_t w = GetValueTextWidth();
          const auto left = static_cast<int16_t>(r.right + 4);
          const auto top = static_cast<int16_t>((r.top + r.bottom - lineHeight - 12) / 2);
          valueTextRect_ = MacRect(left, top, static_cast<int16_t>(left + w),
                                   static_cast<int16_t>(top + lineHeight + 10));
        }
        trackThickness_ = static_cast<int16_t>(r.bottom - r.top);
        trackLength_ = static_cast<int16_t>(r.right - r.left);
      } else {
        if (showText_) {
          const int16_t w = GetValueTextWidth();
          const auto left = static_cast<int16_t>((r.left + r.right - w) / 2);
          const auto top = static_cast<int16_t>(r.bottom + 4);
          valueTextRect_ = MacRect(left, top, static_cast<int16_t>(left + w),
                                   static_cast<int16_t>(top + lineHeight + 10));
        }
        trackThickness_ = static_cast<int16_t>(r.right - r.left);
        trackLength_ = static_cast<int16_t>(r.bottom - r.top);
      }
      trackRect_ = r;
      thumbLength_ = static_cast<int16_t>(std::min(std::max(trackThickness_ * 3 / 2, 12),
                                                   std::max(trackLength_ / 4, 5)));
      thumbOffset_ = 0;
      thumbRect_ = r;
      if (horizontal_ != 0) {
        thumbRect_.right = static_cast<int16_t>(r.left + thumbLength_);
      } else {
        thumbRect_.bottom = static_cast<int16_t>(r.top + thumbLength_);
      }
      return;
    }
    case TInputKind::kButton:
      buttonSize_ = size;
      return;
    default:
      textWidth_ = static_cast<int16_t>(r.right - r.left);
      valueTextRect_ = r;
      valueTextRect_.bottom = static_cast<int16_t>(valueTextRect_.bottom + 6);
      return;
  }
}

void TInput::ComputeThumbOffset() {
  if (thumbOffsetValid_) return;
  thumbOffsetValid_ = true;
  const int free = trackLength_ - thumbLength_;
  if (value_ > maximum_) {
    thumbOffset_ = static_cast<int16_t>(free);
  } else if (value_ <= minimum_ || span_ <= 0.0) {
    thumbOffset_ = 0;
  } else {
    const double t = logarithmic_ && value_ > 0.0 ? (std::log(value_) - logMinimum_) / span_
                                                 : (value_ - minimum_) / span_;
    thumbOffset_ = Round13(t * free);
  }
}

MacRect TInput::GetTrackRect() const {
  return Moved(trackRect_, GetPosition());
}

MacRect TInput::GetThumbRect() {
  ComputeThumbOffset();
  MacRect thumb = Moved(thumbRect_, GetPosition());
  const auto free = static_cast<int16_t>(trackLength_ - thumbLength_);
  if (horizontal_ != 0) {
    thumb.Offset(thumbOffset_, 0);
  } else {
    thumb.Offset(0, static_cast<int16_t>(free - thumbOffset_));
  }
  return thumb;
}

void TInput::BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third, int16_t code) {
  TInOutput::BuildRegion(first, second, third, code);
  if (IsShown() == 0) return;
  if (kind_ == TInputKind::kSlider) MoveRectIntoRegion(GetTrackRect(), first, nullptr);
  if (kind_ == TInputKind::kButton) MoveRectIntoRegion(GetContentFrame(), first, nullptr);
  if (ShowsValueText()) MoveRectIntoRegion(GetValueTextRect(), second, nullptr);
}

MacRect TInput::GetValueTextRect() const {
  return Moved(valueTextRect_, GetPosition());
}

double TInput::SliderValueAt(MacPoint point) const {
  const MacRect track = GetTrackRect();
  int d = horizontal_ != 0 ? point.h - track.left : track.bottom - point.v;
  d -= thumbLength_ / 2;
  const int free = trackLength_ - thumbLength_;
  if (free <= 0) return minimum_;
  double v;
  if (logarithmic_ && minimum_ > 0.0) {
    // The inverse of the thumb's logarithmic placement keeps the thumb under the pointer.
    const double fraction = static_cast<double>(d) / free;
    v = std::exp(logMinimum_ + fraction * span_);
    if (snaps_ > 0) {
      const double step = span_ / snaps_;
      v = std::exp(logMinimum_ + SnappedToMultiple(fraction * span_, step));
    }
  } else {
    v = d * span_ / free + minimum_;
    if (snaps_ > 0) {
      const double step = span_ / snaps_;
      v = minimum_ + SnappedToMultiple(v - minimum_, step);
    }
  }
  if (std::fabs(v) < kZeroSnap) v = 0.0;
  if (v <= minimum_) return minimum_;
  if (v >= maximum_) return maximum_;
  return v;
}

bool TInput::TrackClick(int16_t phase, MacPoint point, bool /*inside*/) {
  changedByUser_ = true;
  tracking_ = phase != 2;
  if (phase == 0) BeginValueChange();
  const double before = value_;
  if (kind_ == TInputKind::kSlider) {
    const double v = SliderValueAt(point);
    if (v != value_) SetValue(v, false, false);
  } else if (kind_ == TInputKind::kButton) {
    if (phase == 0 && !momentary_) {
      pressed_ = value_ != maximum_;
      SetValue(pressed_ ? maximum_ : minimum_, false, false);
    } else if (phase == 0) {
      pressed_ = true;
      SetValue(maximum_, false, false);
    } else if (phase == 2 && momentary_) {
      pressed_ = false;
      SetValue(minimum_, false, true);
    }
    InvalidateArea(GetContentFrame());
  }
  const bool changed = value_ != before;
  if (phase == 2) SetValue(value_, false, true);
  return changed;
}

bool TInput::TrackingDone() {
  return kind_ == TInputKind::kButton && !momentary_ && !IsLinked();
}

bool TInput::HitsControl(MacPoint point) {
  const auto inside = [point](const MacRect& r) {
    return point.h >= r.left && point.h < r.right && point.v >= r.top && point.v < r.bottom;
  };
  if (kind_ == TInputKind::kSlider) return inside(GetTrackRect());
  if (kind_ == TInputKind::kButton) return inside(GetContentFrame());
  return false;
}

MacRect TInput::GetInvalidFrame() const {
  MacRect frame = TInOutput::GetInvalidFrame();
  if (ShowsValueText()) frame = Union(frame, GetValueTextRect());
  return frame;
}

void TInput::SetName(const Str255& name) {
  TInOutput::SetName(name);
  if (kind_ != TInputKind::kButton) return;
  AdjustSize();
  Invalidate();
}

// Drawing ------------------------------------------------------------------------------------

void TInput::DrawContents(const MacRect& /*area*/) {
  if (ShowsName() && kind_ != TInputKind::kButton) {
    if (kind_ == TInputKind::kSlider) SetPortForeColor(colour_);
    DrawLabel();
    SetPortForeColor(kBlack);
  }
  switch (kind_) {
    case TInputKind::kSlider:
      DrawSlider();
      return;
    case TInputKind::kButton:
      DrawButton();
      return;
    default: {
      const MacRect field = GetValueTextRect();
      PortFrameRect(field);
      PortEraseRect(Inset(field, 1));
      DrawValueText();
      return;
    }
  }
}

void TInput::DrawValueText() {
  const Str255& text = FormatValueText();
  const MacRect field = Inset(GetValueTextRect(), 4);
  const int16_t width = PortStringWidth(text);
  const int baseline = (GetAscent() + field.top + field.bottom - GetDescent()) / 2;
  PortMoveTo(field.right - width, baseline);
  PortDrawPString(text);
}

void TInput::DrawSlider() {
  const MacRect track = GetTrackRect();
  SetPortForeColor(kBlack);
  PortFrameRect(track);
  MacRect inside = Inset(track, 1);
  SetPortForeColor(colour_);
  PortFillRectWithPattern(inside, kTrackShade);
  SetPortForeColor(kBlack);
  PortMoveTo(track.left + 1, track.bottom - 2);
  PortLineTo(0, track.top + 1 - (track.bottom - 2));
  PortLineTo(track.right - 3 - (track.left + 1), 0);
  const MacRect thumb = GetThumbRect();
  SetPortForeColor(kWhite);
  PortPaintRect(thumb);
  SetPortForeColor(kBlack);
  PortFrameRect(thumb);
  SetPortForeColor(colour_);
  if (horizontal_ != 0) {
    const int middle = (thumb.left + thumb.right) / 2;
    PortMoveTo(middle, thumb.top + 1);
    PortLineTo(0, thumb.bottom - thumb.top - 3);
  } else {
    const int middle = (thumb.top + thumb.bottom) / 2;
    PortMoveTo(thumb.left + 1, middle);
    PortLineTo(thumb.right - thumb.left - 3, 0);
  }
  SetPortForeColor(kBlack);
  if (showText_) {
    const MacRect field = GetValueTextRect();
    PortFrameRect(field);
    PortEraseRect(Inset(field, 1));
    DrawValueText();
  }
}

void TInput::DrawButton() {
  const MacRect face = GetContentFrame();
  if (momentary_) {
    SetPortForeColor(kWhite);
    PortPaintRoundRect(face, 12, 12);
    SetPortForeColor(kBlack);
    PortFrameRoundRect(face, 12, 12);
    const int16_t width = GetLabelWidth();
    const int baseline = (GetAscent() + face.top + face.bottom - GetDescent()) / 2;
    PortMoveTo((face.left + face.right - width) / 2, baseline);
    PortDrawPString(GetName());
    if (pressed_) {
      MacRect inner = Inset(face, 1);
      inner.Offset(0, 1);
      PortInvertRoundRect(inner, 11, 11);
    }
    return;
  }
  const int top = (face.top + face.bottom - 12) / 2;
  const MacRect box(face.left, static_cast<int16_t>(top), static_cast<int16_t>(face.left + 12),
                    static_cast<int16_t>(top + 12));
  PortFrameRect(box);
  PortEraseRect(Inset(box, 1));
  const int baseline = (GetAscent() + face.top + face.bottom - GetDescent()) / 2;
  PortMoveTo(box.right + 4, baseline);
  PortDrawPString(GetName());
  if (value_ > minimum_) {
    PortMoveTo(box.left + 1, box.top + 1);
    PortLineTo(10, 10);
    PortMoveTo(box.right - 2, box.top + 1);
    PortLineTo(-10, 10);
  }
}
