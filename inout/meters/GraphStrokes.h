#pragma once
// The curves of a graph meter drawn as few pen paths as possible, with exactly the pixels that
// drawing every segment by itself (its line and its end pixel, one curve's segment after the
// other, frame after frame) gives.
//
// Each curve gathers its segments into one polyline while no other curve has a segment held
// near them: every held segment marks the pixels of its bounding box (which hold all of its
// pixels) with its curve, and a segment that reaches a pixel another curve holds first draws
// everything held. The curves held at any time thus never share a pixel, so the order in which
// they are drawn cannot change a pixel, and whatever is drawn later is drawn after them. A
// polyline leaves out its last pixel as a line does: one more step of one pixel to the right
// paints it and nothing else.
//
// A dot is drawn over everything before it, unless the curve's last dot was on the same pixels
// and nothing of another curve has come near them since: those pixels have its colour already.
//
// Plotting live, one sample at a time, no pixels are claimed: the segments are drawn in the
// order the curves give them, each by itself, all of them through one drawing call at the next
// flush. A segment of one step or none covers its two end pixels and nothing else whatever the
// line rule; where the segments cannot go through one call (a recording context), such a
// segment is painted as those pixels.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/MacTypes.h"
#include "platform/win32/GdiTypes.h"

class TGraphStrokes {
 public:
  // Curves of at most this many columns.
  static constexpr int kCurves = 5;

  TGraphStrokes() = default;
  ~TGraphStrokes();
  TGraphStrokes(const TGraphStrokes&) = delete;
  TGraphStrokes& operator=(const TGraphStrokes&) = delete;

  // Starts gathering segments drawn on dc within plot. With clipped set the caller has limited
  // drawing to the plot already; otherwise the strokes limit it themselves whenever a point held
  // lies outside the plot. With immediate set every segment is drawn as it comes.
  void Begin(HDC dc, const MacRect& plot, bool clipped, bool immediate = false);
  // The segment of curve (0..kCurves - 1) in colour from `from` to `to`, both ends included.
  void AddSegment(int curve, COLORREF colour, POINT from, POINT to);
  // A dot of curve in colour filling rect (right and bottom edges excluded).
  void AddDot(int curve, COLORREF colour, const MacRect& rect);
  // Draws everything held, so that what comes next is drawn over it.
  void Flush();
  // Draws everything held and puts the dc's pen back.
  void End();

  // How many pen paths have been drawn since the strokes were made (a measure for tests).
  int64_t GetPathsDrawn() const { return pathsDrawn_; }

 private:
  struct Curve {
    std::vector<POINT> points;
    COLORREF colour = 0;
    // The pixels of its last dot, and whether they still have its colour for certain.
    RECT lastDot{};
    bool dotIntact = false;
  };

  // The plot pixels of the segment's bounding box; false when none.
  bool BoxInPlot(POINT from, POINT to, RECT& box) const;
  // The claim of the plot pixel (x, y).
  std::size_t ClaimIndex(int32_t x, int32_t y) const;
  // Whether another curve holds a pixel of box; marks box as curve's.
  bool ClaimedByOther(const RECT& box, int curve) const;
  void Claim(const RECT& box, int curve);
  void DrawCurve(Curve& curve);
  // Draws one segment by itself.
  void DrawSegment(COLORREF colour, POINT from, POINT to);
  // Draws the segments held while plotting live, in the order they came.
  void DrawLiveSegments();
  bool InPlot(POINT p) const;
  // Draws points as a polyline in colour, its last pixel included.
  void DrawPolyline(COLORREF colour, std::vector<POINT>& points);
  HPEN PenFor(COLORREF colour);
  HBRUSH BrushFor(COLORREF colour);
  // Another curve draws within box: the dots of the other curves there are no longer certain.
  void Touch(int curve, const RECT& box);
  void NextBatch();

  HDC dc_ = nullptr;
  MacRect plot_{};
  bool clipped_ = false;
  bool outside_ = false;
  bool immediate_ = false;
  // The pen copies its colour onto the pixels it covers, as setting a pixel does.
  bool copyPen_ = false;
  HGDIOBJ savedPen_ = nullptr;
  std::array<Curve, kCurves> curves_{};
  // Whether some curve's dot may still be intact: Touch has nothing to do while none is.
  bool anyDotIntact_ = false;
  // The points of a segment drawn by itself.
  std::vector<POINT> segment_;
  // Plotting live: the segments held as the paths they are drawn as (from, to and the pixel
  // after to: each path has kLivePathPoints points), their colours, and whether one reaches out
  // of the plot.
  static constexpr int32_t kLivePathPoints = 3;
  std::vector<POINT> livePoints_;
  std::vector<int32_t> liveCounts_;
  std::vector<COLORREF> liveColours_;
  bool liveOutside_ = false;
  // Per plot pixel: the batch that last claimed it and the curve, as batch * 8 + curve.
  std::vector<uint32_t> claims_;
  int32_t claimsWidth_ = 0;
  int32_t claimsHeight_ = 0;
  uint32_t batch_ = 0;
  // Pens of one pixel and brushes, made once per colour.
  std::vector<std::pair<COLORREF, HPEN>> pens_;
  std::vector<std::pair<COLORREF, HBRUSH>> brushes_;
  int64_t pathsDrawn_ = 0;
};
