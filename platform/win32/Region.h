#pragma once
// Regions as sorted rectangle lists. The rectangles form horizontal bands (same top and bottom
// within a band, bands ordered top to bottom and never overlapping); inside a band they are
// ordered left to right and never touch. Adjacent bands with the same spans are merged, so two
// regions covering the same pixels have the same list. Right and bottom edges are outside.
// Shapes (ellipses, rounded rectangles, polygons) are scan-converted by sampling pixel centres,
// so a region and a filled shape of the same outline cover the same pixels.
//
// Scan conversion takes a limit box: rows outside it are skipped without being walked and spans
// are cut to it, so a shape a million pixels across drawn onto a small surface costs what its
// visible part costs. The shape cut to the box is the whole shape intersected with the box.

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/win32/GdiTypes.h"

// Where scan conversion may produce pixels, and a count of the rows it walked (when rows is set).
struct ScanLimit {
  RECT box{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  int64_t* rows = nullptr;
};

class RegionData {
 public:
  RegionData() = default;
  // The rectangle with its corners put in order; empty when it has no area.
  static RegionData Rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  static RegionData Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            const ScanLimit& limit = {});
  static RegionData RoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              int32_t cornerWidth, int32_t cornerHeight,
                              const ScanLimit& limit = {});
  // The one-pixel outline of a rectangle whose outermost columns are left and right and whose
  // outermost rows are top and bottom (all of them in), at least three pixels each way.
  static RegionData Ring(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // The polygon closed from its last point to its first, filled by ALTERNATE or WINDING.
  static RegionData Polygon(std::span<const POINT> points, int32_t fillMode,
                            const ScanLimit& limit = {});

  // Builds a region from spans [x0, x1) on rows y, given in any order; overlaps are merged.
  class Builder {
   public:
    void Add(int32_t y, int32_t x0, int32_t x1);
    // The region of the spans added; the builder is left empty, its buffers kept for reuse.
    RegionData Build();

   private:
    struct Span {
      int32_t y, x0, x1;
    };
    std::vector<Span> spans_;
    std::vector<std::pair<int32_t, int32_t>> row_;
  };

  // a combined with b by RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF (RGN_COPY answers a).
  static RegionData Combine(const RegionData& a, const RegionData& b, int32_t mode);

  // This region intersected with the rectangle; only the bands that meet it are visited.
  RegionData Within(const RECT& box) const;

  bool IsEmpty() const { return rects_.empty(); }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int32_t Kind() const;
  // The bounding box; all zero for an empty region.
  RECT Box() const;
  void Offset(int32_t dx, int32_t dy);
  bool Contains(int32_t x, int32_t y) const;
  // True when any pixel of the rectangle (right and bottom outside) lies in the region.
  bool IntersectsRect(const RECT& rect) const;
  bool operator==(const RegionData& other) const;

  const std::vector<RECT>& Rects() const { return rects_; }
  // The rectangles of the band holding row y (empty when no band does).
  std::span<const RECT> RowSpans(int32_t y) const;

 private:
  std::vector<RECT> rects_;
};
