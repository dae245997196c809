#include <algorithm>

#include "platform/picture/PictParts.h"

namespace {

constexpr int16_t kEnd = 0x7FFF;

bool SaneBox(const RECT& box) {
  return box.right >= box.left && box.bottom >= box.top && box.right - box.left <= kMaxPictSide &&
         box.bottom - box.top <= kMaxPictSide;
}

}  // namespace

bool ReadPictRegion(PictReader& in, RegionData& out) {
  const uint16_t size = in.U16();
  const RECT box = in.Rect();
  if (in.Failed() || size < 10 || !SaneBox(box)) return false;
  if (size == 10) {
    out = RegionData::Rect(box.left, box.top, box.right, box.bottom);
    return true;
  }
  PictReader body(in.Bytes(size - 10u));
  if (in.Failed()) return false;

  // Each line lists the columns where membership changes against the line above; the set of
  // open columns, taken in pairs, gives the spans of the rows down to the next line.
  std::vector<int32_t> open;
  RegionData::Builder builder;
  int32_t previousY = INT32_MIN;
  for (;;) {
    const int16_t y = body.S16();
    if (body.Failed()) return false;
    if (y == kEnd) break;
    if (y < previousY || y < box.top || y > box.bottom) return false;
    if (previousY != INT32_MIN) {
      for (int32_t row = previousY; row < y; ++row) {
        for (size_t i = 0; i + 1 < open.size(); i += 2) builder.Add(row, open[i], open[i + 1]);
      }
    }
    for (;;) {
      const int16_t x = body.S16();
      if (body.Failed()) return false;
      if (x == kEnd) break;
      if (x < box.left || x > box.right) return false;
      const auto at = std::lower_bound(open.begin(), open.end(), x);
      if (at != open.end() && *at == x) {
        open.erase(at);
      } else {
        open.insert(at, x);
      }
    }
    previousY = y;
  }
  // A well-formed region closes every column it opened.
  if (!open.empty()) return false;
  out = builder.Build();
  return true;
}
