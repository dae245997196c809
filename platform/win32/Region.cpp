#include "platform/win32/Region.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using Interval = std::pair<int32_t, int32_t>;

// Appends a band of intervals, merging it into the band above when that band ends at y0 and
// holds the same intervals.
void AppendBand(std::vector<RECT>& rects, int32_t y0, int32_t y1,
                const std::vector<Interval>& intervals) {
  if (intervals.empty() || y0 >= y1) return;
  size_t count = 0;
  if (!rects.empty()) {
    const int32_t top = rects.back().top;
    const int32_t bottom = rects.back().bottom;
    size_t first = rects.size();
    while (first > 0 && rects[first - 1].top == top)
      --first;
    count = rects.size() - first;
    bool same = bottom == y0 && count == intervals.size();
    for (size_t i = 0; same && i < count; ++i) {
      same = rects[first + i].left == intervals[i].first &&
             rects[first + i].right == intervals[i].second;
    }
    if (same) {
      for (size_t i = first; i < rects.size(); ++i)
        rects[i].bottom = y1;
      return;
    }
  }
  for (const auto& [x0, x1] : intervals)
    rects.push_back(RECT{x0, y0, x1, y1});
}

// The pixels whose centres lie in [a, b) on a row, cut to the limit's columns.
Interval CentreSpan(double a, double b, const RECT& box) {
  const double low = static_cast<double>(box.left) - 1.0;
  const double high = static_cast<double>(box.right) + 1.0;
  const auto first = static_cast<int64_t>(std::ceil(std::clamp(a, low, high) - 0.5));
  const auto last = static_cast<int64_t>(std::ceil(std::clamp(b, low, high) - 0.5));
  return {static_cast<int32_t>(std::max<int64_t>(first, box.left)),
          static_cast<int32_t>(std::min<int64_t>(last, box.right))};
}

// The rows [first, last) of a shape spanning [top, bottom) that lie inside the limit; the rows
// are counted here, as they are about to be walked.
struct RowRange {
  int32_t first;
  int32_t last;
};

RowRange RowsWithin(int32_t top, int32_t bottom, const ScanLimit& limit) {
  const RowRange range{std::max(top, limit.box.top), std::min(bottom, limit.box.bottom)};
  if (limit.rows && range.first < range.last) *limit.rows += int64_t{range.last} - range.first;
  return range;
}

bool Keep(int32_t mode, bool inA, bool inB) {
  switch (mode) {
    case RGN_AND:
      return inA && inB;
    case RGN_OR:
      return inA || inB;
    case RGN_XOR:
      return inA != inB;
    case RGN_DIFF:
      return inA && !inB;
    default:
      return inA;
  }
}

std::vector<Interval> CombineIntervals(std::span<const RECT> a, std::span<const RECT> b,
                                       int32_t mode) {
  std::vector<int32_t> xs;
  for (const RECT& r : a)
    xs.insert(xs.end(), {r.left, r.right});
  for (const RECT& r : b)
    xs.insert(xs.end(), {r.left, r.right});
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  auto inside = [](std::span<const RECT> spans, int32_t x) {
    for (const RECT& r : spans) {
      if (x >= r.left && x < r.right) return true;
    }
    return false;
  };
  std::vector<Interval> out;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    if (!Keep(mode, inside(a, xs[i]), inside(b, xs[i]))) continue;
    if (!out.empty() && out.back().second == xs[i]) {
      out.back().second = xs[i + 1];
    } else {
      out.emplace_back(xs[i], xs[i + 1]);
    }
  }
  return out;
}

}  // namespace

void RegionData::Builder::Add(int32_t y, int32_t x0, int32_t x1) {
  if (x0 >= x1) return;
  // A line adds its pixels one by one: a span touching the last one on its row joins it.
  if (!spans_.empty()) {
    Span& last = spans_.back();
    if (last.y == y && x0 <= last.x1 && x1 >= last.x0) {
      last.x0 = std::min(last.x0, x0);
      last.x1 = std::max(last.x1, x1);
      return;
    }
  }
  spans_.push_back(Span{y, x0, x1});
}

RegionData RegionData::Builder::Build() {
  const auto before = [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; };
  if (!std::is_sorted(spans_.begin(), spans_.end(), before)) std::sort(spans_.begin(), spans_.end(), before);
  RegionData region;
  size_t i = 0;
  std::vector<Interval>& row = row_;
  while (i < spans_.size()) {
    const int32_t y = spans_[i].y;
    row.clear();
    for (; i < spans_.size() && spans_[i].y == y; ++i) {
      if (!row.empty() && spans_[i].x0 <= row.back().second) {
        row.back().second = std::max(row.back().second, spans_[i].x1);
      } else {
        row.emplace_back(spans_[i].x0, spans_[i].x1);
      }
    }
    AppendBand(region.rects_, y, y + 1, row);
  }
  spans_.clear();
  return region;
}

RegionData RegionData::Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  RegionData region;
  if (left < right && top < bottom) region.rects_.push_back(RECT{left, top, right, bottom});
  return region;
}

RegionData RegionData::Ring(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  // The top row, the two sides apart from each other, the bottom row: three bands that differ.
  RegionData region;
  region.rects_ = {RECT{left, top, right + 1, top + 1}, RECT{left, top + 1, left + 1, bottom},
                   RECT{right, top + 1, right + 1, bottom},
                   RECT{left, bottom, right + 1, bottom + 1}};
  return region;
}

RegionData RegionData::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               const ScanLimit& limit) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  RegionData region;
  if (int64_t{right} - left < 1 || int64_t{bottom} - top < 1) return region;
  const double cx = (static_cast<double>(left) + right) / 2.0;
  const double cy = (static_cast<double>(top) + bottom) / 2.0;
  const double rx = (static_cast<double>(right) - left) / 2.0;
  const double ry = (static_cast<double>(bottom) - top) / 2.0;
  std::vector<Interval> row;
  const RowRange rows = RowsWithin(top, bottom, limit);
  for (int32_t y = rows.first; y < rows.last; ++y) {
    const double dy = (y + 0.5 - cy) / ry;
    row.clear();
    if (dy * dy < 1.0) {
      const double half = rx * std::sqrt(1.0 - dy * dy);
      const Interval span = CentreSpan(cx - half, cx + half, limit.box);
      if (span.first < span.second) row.push_back(span);
    }
    AppendBand(region.rects_, y, y + 1, row);
  }
  return region;
}

RegionData RegionData::RoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 int32_t cornerWidth, int32_t cornerHeight,
                                 const ScanLimit& limit) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  RegionData region;
  if (int64_t{right} - left < 1 || int64_t{bottom} - top < 1) return region;
  const double width = static_cast<double>(right) - left;
  const double height = static_cast<double>(bottom) - top;
  const double rx = std::min(std::abs(static_cast<double>(cornerWidth)), width) / 2.0;
  const double ry = std::min(std::abs(static_cast<double>(cornerHeight)), height) / 2.0;
  std::vector<Interval> row;
  const RowRange rows = RowsWithin(top, bottom, limit);
  for (int32_t y = rows.first; y < rows.last; ++y) {
    const double yc = y + 0.5;
    double inset = 0;
    if (ry > 0 && rx > 0) {
      double dy = 0;
      if (yc < top + ry) dy = (top + ry - yc) / ry;
      if (yc > bottom - ry) dy = (yc - (bottom - ry)) / ry;
      if (dy >= 1.0)
        inset = rx + 1e9;
      else if (dy > 0)
        inset = rx - rx * std::sqrt(1.0 - dy * dy);
    }
    row.clear();
    const Interval span = CentreSpan(left + inset, right - inset, limit.box);
    if (span.first < span.second) row.push_back(span);
    AppendBand(region.rects_, y, y + 1, row);
  }
  return region;
}

RegionData RegionData::Polygon(std::span<const POINT> points, int32_t fillMode,
                               const ScanLimit& limit) {
  RegionData region;
  if (points.size() < 3) return region;
  int32_t top = points[0].y;
  int32_t bottom = points[0].y;
  for (const POINT& p : points) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  const RowRange rows = RowsWithin(top, bottom, limit);
  if (rows.first >= rows.last) return region;
  // Only the edges that cross the rows to be walked take part.
  struct Edge {
    POINT a, b;
  };
  std::vector<Edge> edges;
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % n];
    if (a.y == b.y) continue;
    if (std::max(a.y, b.y) <= rows.first || std::min(a.y, b.y) >= rows.last) continue;
    edges.push_back(Edge{a, b});
  }
  struct Crossing {
    double x;
    int winding;
  };
  std::vector<Crossing> crossings;
  std::vector<Interval> row;
  for (int32_t y = rows.first; y < rows.last; ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (const auto& [a, b] : edges) {
      const bool down = a.y < b.y;
      const double y0 = down ? a.y : b.y;
      const double y1 = down ? b.y : a.y;
      if (yc < y0 || yc >= y1) continue;
      const double x =
          a.x + (yc - a.y) * (static_cast<double>(b.x) - a.x) / (static_cast<double>(b.y) - a.y);
      crossings.push_back(Crossing{x, down ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
    row.clear();
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].winding;
      const bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
      if (!inside) continue;
      const Interval span = CentreSpan(crossings[i].x, crossings[i + 1].x, limit.box);
      if (span.first >= span.second) continue;
      if (!row.empty() && span.first <= row.back().second) {
        row.back().second = std::max(row.back().second, span.second);
      } else {
        row.push_back(span);
      }
    }
    AppendBand(region.rects_, y, y + 1, row);
  }
  return region;
}

RegionData RegionData::Combine(const RegionData& a, const RegionData& b, int32_t mode) {
  if (mode == RGN_COPY) return a;
  std::vector<int32_t> ys;
  for (const RECT& r : a.rects_)
    ys.insert(ys.end(), {r.top, r.bottom});
  for (const RECT& r : b.rects_)
    ys.insert(ys.end(), {r.top, r.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  RegionData result;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    AppendBand(result.rects_, ys[i], ys[i + 1],
               CombineIntervals(a.RowSpans(ys[i]), b.RowSpans(ys[i]), mode));
  }
  return result;
}

int32_t RegionData::Kind() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT RegionData::Box() const {
  if (rects_.empty()) return RECT{};
  RECT box{rects_.front().left, rects_.front().top, rects_.front().right, rects_.back().bottom};
  for (const RECT& r : rects_) {
    box.left = std::min(box.left, r.left);
    box.right = std::max(box.right, r.right);
  }
  return box;
}

void RegionData::Offset(int32_t dx, int32_t dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

std::span<const RECT> RegionData::RowSpans(int32_t y) const {
  auto first = std::partition_point(rects_.begin(), rects_.end(),
                                    [y](const RECT& r) { return r.bottom <= y; });
  if (first == rects_.end() || first->top > y) return {};
  auto last = first;
  while (last != rects_.end() && last->top == first->top)
    ++last;
  return {&*first, static_cast<size_t>(last - first)};
}

bool RegionData::Contains(int32_t x, int32_t y) const {
  for (const RECT& r : RowSpans(y)) {
    if (x >= r.left && x < r.right) return true;
  }
  return false;
}

bool RegionData::IntersectsRect(const RECT& rect) const {
  const RegionData probe = Rect(rect.left, rect.top, rect.right, rect.bottom);
  return !probe.IsEmpty() && !Within(probe.Rects().front()).IsEmpty();
}

RegionData RegionData::Within(const RECT& box) const {
  RegionData out;
  if (box.left >= box.right || box.top >= box.bottom) return out;
  auto it = std::partition_point(rects_.begin(), rects_.end(),
                                 [&box](const RECT& r) { return r.bottom <= box.top; });
  std::vector<Interval> row;
  while (it != rects_.end() && it->top < box.bottom) {
    const int32_t top = it->top;
    const int32_t bottom = it->bottom;
    row.clear();
    for (; it != rects_.end() && it->top == top; ++it) {
      const int32_t left = std::max(it->left, box.left);
      const int32_t right = std::min(it->right, box.right);
      if (left < right) row.emplace_back(left, right);
    }
    AppendBand(out.rects_, std::max(top, box.top), std::min(bottom, box.bottom), row);
  }
  return out;
}

bool RegionData::operator==(const RegionData& other) const {
  if (rects_.size() != other.rects_.size()) return false;
  for (size_t i = 0; i < rects_.size(); ++i) {
    const RECT& a = rects_[i];
    const RECT& b = other.rects_[i];
    if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom) {
      return false;
    }
  }
  return true;
}
