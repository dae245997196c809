#include "inout/meters/GraphStrokes.h"

#include <algorithm>

#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"

namespace {

// Pens kept at most; a meter draws in at most four colours at a time.
constexpr size_t kMostPens = 8;

bool SamePoint(POINT a, POINT b) {
  return a.x == b.x && a.y == b.y;
}

// The entry of colour in a list running from the least to the most recently used, made by make
// when missing; the oldest entry goes when the list is full (never one of the few colours of the
// drawing under way, so never selected).
template <typename Handle, typename Make>
Handle Kept(std::vector<std::pair<COLORREF, Handle>>& kept, COLORREF colour, Make make) {
  const auto found = std::find_if(kept.begin(), kept.end(),
                                  [colour](const auto& entry) { return entry.first == colour; });
  if (found != kept.end()) {
    std::rotate(found, found + 1, kept.end());
    return kept.back().second;
  }
  Handle made = make(colour);
  if (made == nullptr) return nullptr;
  if (kept.size() >= kMostPens) {
    DeleteObject(kept.front().second);
    kept.erase(kept.begin());
  }
  kept.emplace_back(colour, made);
  return made;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom;
}

}  // namespace

TGraphStrokes::~TGraphStrokes() {
  for (const auto& [colour, pen] : pens_) DeleteObject(pen);
  for (const auto& [colour, brush] : brushes_) DeleteObject(brush);
}

void TGraphStrokes::Begin(HDC dc, const MacRect& plot, bool clipped, bool immediate) {
  dc_ = dc;
  plot_ = plot;
  clipped_ = clipped;
  immediate_ = immediate;
  copyPen_ = dc != nullptr && GetROP2(dc) == R2_COPYPEN;
  outside_ = false;
  savedPen_ = nullptr;
  livePoints_.clear();
  liveCounts_.clear();
  liveColours_.clear();
  liveOutside_ = false;
  // What was drawn before is not known.
  for (Curve& curve : curves_) curve.dotIntact = false;
  anyDotIntact_ = false;
  // Drawing at once claims no pixels.
  if (immediate) return;
  const int32_t width = std::max(0, plot.right - plot.left);
  const int32_t height = std::max(0, plot.bottom - plot.top);
  if (width != claimsWidth_ || height != claimsHeight_) {
    claims_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    claimsWidth_ = width;
    claimsHeight_ = height;
    batch_ = 0;
  }
  NextBatch();
}

void TGraphStrokes::NextBatch() {
  // Batch 0 never claims, so that a fresh table claims nothing; when the numbers run out the
  // table starts over.
  if (++batch_ >= (UINT32_MAX >> 3)) {
    std::fill(claims_.begin(), claims_.end(), 0);
    batch_ = 1;
  }
}

bool TGraphStrokes::BoxInPlot(POINT from, POINT to, RECT& box) const {
  box.left = std::max<int32_t>(std::min(from.x, to.x), plot_.left);
  box.right = std::min<int32_t>(std::max(from.x, to.x), plot_.right - 1);
  box.top = std::max<int32_t>(std::min(from.y, to.y), plot_.top);
  box.bottom = std::min<int32_t>(std::max(from.y, to.y), plot_.bottom - 1);
  return box.left <= box.right && box.top <= box.bottom;
}

std::size_t TGraphStrokes::ClaimIndex(int32_t x, int32_t y) const {
  return static_cast<size_t>(y - plot_.top) * static_cast<size_t>(claimsWidth_) +
         static_cast<size_t>(x - plot_.left);
}

bool TGraphStrokes::ClaimedByOther(const RECT& box, int curve) const {
  const uint32_t mine = (batch_ << 3) | static_cast<uint32_t>(curve);
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    const uint32_t* row = &claims_[ClaimIndex(box.left, y)];
    for (int32_t i = 0; i <= box.right - box.left; ++i) {
      if ((row[i] >> 3) == batch_ && row[i] != mine) return true;
    }
  }
  return false;
}

void TGraphStrokes::Claim(const RECT& box, int curve) {
  const uint32_t mine = (batch_ << 3) | static_cast<uint32_t>(curve);
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    uint32_t* row = &claims_[ClaimIndex(box.left, y)];
    std::fill(row, row + (box.right - box.left + 1), mine);
  }
}

void TGraphStrokes::AddSegment(int curve, COLORREF colour, POINT from, POINT to) {
  if (dc_ == nullptr || curve < 0 || curve >= kCurves) return;
  RECT box;
  // A segment with no pixel in the plot draws nothing: the curve goes on from its end.
  if (!BoxInPlot(from, to, box)) return;
  Touch(curve, box);
  if (immediate_) {
    // The end's own pixel: a one-pixel step paints its start and stops short of its end.
    livePoints_.push_back(from);
    livePoints_.push_back(to);
    livePoints_.push_back(POINT{to.x + 1, to.y});
    liveCounts_.push_back(kLivePathPoints);
    liveColours_.push_back(colour);
    if (!InPlot(from) || !InPlot(to)) liveOutside_ = true;
    return;
  }
  if (ClaimedByOther(box, curve)) Flush();
  Claim(box, curve);
  Curve& held = curves_[static_cast<size_t>(curve)];
  if (held.points.empty() || held.colour != colour || !SamePoint(held.points.back(), from)) {
    // A curve's own pixels are apart from every other curve's held ones: drawing it alone now
    // changes nothing the others draw.
    DrawCurve(held);
    held.colour = colour;
    held.points.push_back(from);
  }
  if (!SamePoint(held.points.back(), to)) held.points.push_back(to);
  if (!InPlot(from) || !InPlot(to)) outside_ = true;
}

bool TGraphStrokes::InPlot(POINT p) const {
  return p.x >= plot_.left && p.x < plot_.right && p.y >= plot_.top && p.y < plot_.bottom;
}

void TGraphStrokes::DrawSegment(COLORREF colour, POINT from, POINT to) {
  const int32_t dx = to.x - from.x;
  const int32_t dy = to.y - from.y;
  if (copyPen_ && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
    // Pixels outside the plot would be clipped away.
    if (!SamePoint(from, to) && InPlot(from)) SetPixel(dc_, from.x, from.y, colour);
    if (InPlot(to)) SetPixel(dc_, to.x, to.y, colour);
    return;
  }
  outside_ = !InPlot(from) || !InPlot(to);
  segment_.assign({from, to});
  DrawPolyline(colour, segment_);
}

void TGraphStrokes::Touch(int curve, const RECT& box) {
  if (!anyDotIntact_) return;
  for (size_t i = 0; i < curves_.size(); ++i) {
    Curve& other = curves_[i];
    if (static_cast<int>(i) != curve && other.dotIntact && Overlap(other.lastDot, box))
      other.dotIntact = false;
  }
}

void TGraphStrokes::AddDot(int curve, COLORREF colour, const MacRect& rect) {
  if (dc_ == nullptr || curve < 0 || curve >= kCurves) return;
  RECT box{std::max<int32_t>(rect.left, plot_.left), std::max<int32_t>(rect.top, plot_.top),
           std::min<int32_t>(rect.right, plot_.right) - 1,
           std::min<int32_t>(rect.bottom, plot_.bottom) - 1};
  // Pixels outside the plot would be clipped away.
  if (box.left > box.right || box.top > box.bottom) return;
  Curve& held = curves_[static_cast<size_t>(curve)];
  if (held.dotIntact && held.colour == colour && SameRect(held.lastDot, box)) return;
  Touch(curve, box);
  Flush();
  HBRUSH brush = BrushFor(colour);
  if (brush == nullptr) return;
  PortFillRectBrush(rect, brush);
  held.colour = colour;
  held.lastDot = box;
  held.dotIntact = true;
  anyDotIntact_ = true;
}

void TGraphStrokes::DrawLiveSegments() {
  if (liveColours_.empty()) return;
  int32_t saved = 0;
  if (!clipped_ && liveOutside_) {
    saved = SaveDC(dc_);
    IntersectClipRect(dc_, plot_.left, plot_.top, plot_.right, plot_.bottom);
  }
  const bool drawn = PolylinesInColors(dc_, livePoints_.data(), liveCounts_.data(),
                                       liveColours_.data(),
                                       static_cast<int32_t>(liveColours_.size())) != FALSE;
  if (saved != 0) RestoreDC(dc_, saved);
  if (drawn) {
    pathsDrawn_ += static_cast<int64_t>(liveColours_.size());
  } else {
    for (size_t i = 0; i < liveColours_.size(); ++i) {
      const POINT* path = &livePoints_[i * kLivePathPoints];
      DrawSegment(liveColours_[i], path[0], path[1]);
    }
  }
  livePoints_.clear();
  liveCounts_.clear();
  liveColours_.clear();
  liveOutside_ = false;
}

void TGraphStrokes::Flush() {
  DrawLiveSegments();
  for (Curve& curve : curves_) DrawCurve(curve);
  outside_ = false;
  NextBatch();
}

void TGraphStrokes::End() {
  Flush();
  if (dc_ != nullptr && savedPen_ != nullptr) PortSelectObject(dc_, savedPen_);
  savedPen_ = nullptr;
  dc_ = nullptr;
}

void TGraphStrokes::DrawCurve(Curve& curve) {
  if (curve.points.empty()) return;
  DrawPolyline(curve.colour, curve.points);
  curve.points.clear();
}

void TGraphStrokes::DrawPolyline(COLORREF colour, std::vector<POINT>& points) {
  HPEN pen = PenFor(colour);
  if (pen == nullptr) return;
  HGDIOBJ previous = PortSelectObject(dc_, pen);
  if (savedPen_ == nullptr) savedPen_ = previous;
  // The last point's own pixel: a one-pixel step paints its start and stops short of its end.
  const POINT last = points.back();
  points.push_back(POINT{last.x + 1, last.y});
  int32_t saved = 0;
  if (!clipped_ && outside_) {
    saved = SaveDC(dc_);
    IntersectClipRect(dc_, plot_.left, plot_.top, plot_.right, plot_.bottom);
  }
  Polyline(dc_, points.data(), static_cast<int32_t>(points.size()));
  if (saved != 0) RestoreDC(dc_, saved);
  ++pathsDrawn_;
}

HPEN TGraphStrokes::PenFor(COLORREF colour) {
  return Kept(pens_, colour, [](COLORREF c) { return CreatePen(PS_SOLID, 1, c); });
}

HBRUSH TGraphStrokes::BrushFor(COLORREF colour) {
  return Kept(brushes_, colour, [](COLORREF c) { return CreateSolidBrush(c); });
}
