#include "platform/win32/WindowRegion.h"

#include <algorithm>

#include "platform/win32/Region.h"

bool IsRectEmpty(const RECT& rect) {
  return rect.left >= rect.right || rect.top >= rect.bottom;
}

bool IntersectRect(RECT* result, const RECT& a, const RECT& b) {
  RECT out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
  if (IsRectEmpty(out)) out = RECT{};
  *result = out;
  return !IsRectEmpty(out);
}

bool PtInRect(const RECT& rect, POINT point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
         point.y < rect.bottom;
}

void OffsetRect(RECT* rect, int32_t dx, int32_t dy) {
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
}

void InflateRect(RECT* rect, int32_t dx, int32_t dy) {
  rect->left -= dx;
  rect->right += dx;
  rect->top -= dy;
  rect->bottom += dy;
}

bool EqualRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

// Appends the parts of `from` that lie outside `cut`.
void AppendDifference(const RECT& from, const RECT& cut, std::vector<RECT>& out) {
  RECT common;
  if (!IntersectRect(&common, from, cut)) {
    out.push_back(from);
    return;
  }
  if (from.top < common.top) out.push_back({from.left, from.top, from.right, common.top});
  if (common.bottom < from.bottom)
    out.push_back({from.left, common.bottom, from.right, from.bottom});
  if (from.left < common.left) out.push_back({from.left, common.top, common.left, common.bottom});
  if (common.right < from.right)
    out.push_back({common.right, common.top, from.right, common.bottom});
}

}  // namespace

void WindowArea::Add(const RECT& rect) {
  if (IsRectEmpty(rect)) return;
  std::vector<RECT> pieces{rect};
  for (const RECT& existing : rects_) {
    std::vector<RECT> next;
    for (const RECT& piece : pieces)
      AppendDifference(piece, existing, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void WindowArea::Add(const WindowArea& other) {
  for (const RECT& rect : other.rects_)
    Add(rect);
}

void WindowArea::Subtract(const RECT& rect) {
  if (IsRectEmpty(rect)) return;
  std::vector<RECT> next;
  for (const RECT& existing : rects_)
    AppendDifference(existing, rect, next);
  rects_.swap(next);
}

void WindowArea::Subtract(const WindowArea& other) {
  for (const RECT& rect : other.rects_)
    Subtract(rect);
}

namespace {

// The union of rectangles, merged pairwise so that each band merge stays small.
RegionData UnionOf(const std::vector<RECT>& rects) {
  std::vector<RegionData> parts;
  parts.reserve(rects.size());
  for (const RECT& rect : rects)
    if (!IsRectEmpty(rect)) parts.push_back(RegionData::Rect(rect.left, rect.top, rect.right, rect.bottom));
  if (parts.empty()) return RegionData();
  while (parts.size() > 1) {
    std::vector<RegionData> merged;
    merged.reserve((parts.size() + 1) / 2);
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
      merged.push_back(RegionData::Combine(parts[i], parts[i + 1], RGN_OR));
    if (parts.size() % 2) merged.push_back(std::move(parts.back()));
    parts.swap(merged);
  }
  return std::move(parts.front());
}

}  // namespace

RegionData WindowAreaRegion(const WindowArea& area) {
  return UnionOf(area.Rects());
}

void WindowArea::SubtractAll(const std::vector<RECT>& rects) {
  if (rects_.empty()) return;
  const RECT bounds = Bounds();
  std::vector<RECT> meeting;
  for (const RECT& rect : rects) {
    RECT common;
    if (IntersectRect(&common, rect, bounds)) meeting.push_back(common);
  }
  if (meeting.size() < 8) {
    for (const RECT& rect : meeting)
      Subtract(rect);
    return;
  }
  const RegionData rest = RegionData::Combine(UnionOf(rects_), UnionOf(meeting), RGN_DIFF);
  rects_ = rest.Rects();
}

void WindowArea::IntersectWith(const RECT& rect) {
  std::vector<RECT> next;
  for (const RECT& existing : rects_) {
    RECT common;
    if (IntersectRect(&common, existing, rect)) next.push_back(common);
  }
  rects_.swap(next);
}

void WindowArea::Offset(int32_t dx, int32_t dy) {
  for (RECT& rect : rects_)
    OffsetRect(&rect, dx, dy);
}

bool WindowArea::Contains(POINT point) const {
  return std::any_of(rects_.begin(), rects_.end(),
                     [&](const RECT& rect) { return PtInRect(rect, point); });
}

RECT WindowArea::Bounds() const {
  if (rects_.empty()) return RECT{};
  RECT out = rects_.front();
  for (const RECT& rect : rects_) {
    out.left = std::min(out.left, rect.left);
    out.top = std::min(out.top, rect.top);
    out.right = std::max(out.right, rect.right);
    out.bottom = std::max(out.bottom, rect.bottom);
  }
  return out;
}

int64_t WindowArea::Area() const {
  int64_t total = 0;
  for (const RECT& rect : rects_)
    total += int64_t{rect.right - rect.left} * int64_t{rect.bottom - rect.top};
  return total;
}
