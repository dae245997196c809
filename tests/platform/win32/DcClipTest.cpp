// Drawing under a clip: every primitive paints inside the clip exactly what it paints without
// one, and a shape far larger than the surface costs what lands on the surface.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Dc.h"
#include "platform/win32/DcRaster.h"
#include "tests/platform/win32/GdiTestSupport.h"

namespace {

using Draw = std::function<void(HDC)>;

struct Primitive {
  std::string name;
  Draw draw;
};

// Shapes that reach past every edge of a 48 x 40 canvas as well as shapes inside it.
std::vector<Primitive> Primitives(HDC source) {
  static const POINT star[] = {{24, -30}, {60, 70}, {-20, 10}, {70, 12}, {-5, 66}};
  static const POINT path[] = {{-7, 3}, {50, 9}, {20, 45}, {3, 30}, {41, -8}};
  auto line = [](int32_t style, int32_t width, int32_t mode) {
    return [=](HDC dc) {
      HPEN pen = CreatePen(style, width, RGB(0x12, 0xF0, 0x0F));
      HGDIOBJ old = SelectObject(dc, pen);
      SetBkMode(dc, mode);
      SetBkColor(dc, RGB(0x40, 0x00, 0xC0));
      Polyline(dc, path, 5);
      MoveToEx(dc, -300, -211, nullptr);
      LineTo(dc, 400, 173);
      SelectObject(dc, old);
      DeleteObject(pen);
    };
  };
  auto withRegion = [](HRGN (*make)(), BOOL (*paint)(HDC, HRGN)) {
    return [=](HDC dc) {
      HRGN region = make();
      paint(dc, region);
      DeleteObject(region);
    };
  };
  return {
      {"Rectangle", [](HDC dc) { Rectangle(dc, -10, 5, 30, 90); }},
      {"RoundRect", [](HDC dc) { RoundRect(dc, -10, -20, 44, 33, 40, 24); }},
      {"Ellipse", [](HDC dc) { Ellipse(dc, -30, -12, 55, 37); }},
      {"Arc", [](HDC dc) { Arc(dc, -6, 3, 44, 35, 60, 0, -40, 40); }},
      {"Pie", [](HDC dc) { Pie(dc, -30, -12, 55, 37, 60, 0, -40, 40); }},
      {"Chord", [](HDC dc) { Chord(dc, -30, -12, 55, 37, 0, -30, 0, 50); }},
      {"HugePie", [](HDC dc) { Pie(dc, -70000, -70000, 70040, 70040, 60, 0, -40, 40); }},
      {"HugeChord", [](HDC dc) { Chord(dc, -70000, -70000, 70040, 70040, 60, 0, -20, 40); }},
      {"HugeArc", [](HDC dc) { Arc(dc, 12, -100000, 200012, 100030, 0, 0, 0, 0); }},
      {"Polygon", [](HDC dc) { Polygon(dc, star, 5); }},
      {"PolygonWinding",
       [](HDC dc) {
         SetPolyFillMode(dc, WINDING);
         Polygon(dc, star, 5);
       }},
      {"SolidLines", line(PS_SOLID, 1, OPAQUE)},
      {"DashedLinesOpaque", line(PS_DASHDOT, 1, OPAQUE)},
      {"DottedLinesTransparent", line(PS_DOT, 1, TRANSPARENT)},
      {"WideLines", line(PS_SOLID, 5, OPAQUE)},
      {"FillRgn", withRegion([] { return CreateEllipticRgn(-20, -9, 40, 51); },
                             [](HDC dc, HRGN r) { return PaintRgn(dc, r); })},
      {"FrameRgn", withRegion([] { return CreateEllipticRgn(-20, -9, 40, 51); },
                              [](HDC dc, HRGN r) {
                                return FrameRgn(
                                    dc, r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 3, 2);
                              })},
      {"InvertRgn", withRegion([] { return CreateRoundRectRgn(-20, 3, 40, 61, 30, 30); },
                               [](HDC dc, HRGN r) { return InvertRgn(dc, r); })},
      {"PatBlt", [](HDC dc) { PatBlt(dc, -5, 7, 90, 21, PATINVERT); }},
      {"BitBlt", [source](HDC dc) { BitBlt(dc, -9, 4, 50, 50, source, 3, -2, SRCINVERT); }},
      {"StretchBltMirrored",
       [source](HDC dc) { StretchBlt(dc, 60, -3, -71, 47, source, 2, 1, 30, 19, SRCCOPY); }},
  };
}

// Draws with a hatched brush, so that fills show the brush origin and pattern.
void Prepare(HDC dc, HBRUSH brush, HPEN pen, int32_t rop2) {
  SelectObject(dc, brush);
  SelectObject(dc, pen);
  SetROP2(dc, rop2);
  SetTextColor(dc, RGB(0x80, 0x10, 0x22));
}

TEST(DcClipFirst, ClippedDrawingIsUnclippedDrawingMaskedByTheClip) {
  MemoryCanvas source(40, 30);
  source.Scramble();
  HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(0x33, 0x99, 0x11));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0xC0, 0x20, 0x90));
  // A rectangle clip, and a clip of many rectangles with a hole.
  HRGN round = CreateEllipticRgn(3, 2, 45, 37);
  HRGN hole = CreateRectRgn(18, 15, 26, 22);
  CombineRgn(round, round, hole, RGN_DIFF);
  for (const Primitive& primitive : Primitives(source.dc())) {
    int changed = 0;  // pixels changed inside the clips, over all cases of the primitive
    for (const int32_t rop2 : {R2_COPYPEN, R2_XORPEN}) {
      for (const bool complex : {false, true}) {
        SCOPED_TRACE(primitive.name + (rop2 == R2_XORPEN ? " xor" : " copy") +
                     (complex ? " region clip" : " rectangle clip"));
        MemoryCanvas whole(48, 40);
        MemoryCanvas clipped(48, 40);
        whole.Scramble();
        clipped.Scramble();
        const std::vector<COLORREF> before = clipped.Pixels();
        Prepare(whole.dc(), brush, pen, rop2);
        Prepare(clipped.dc(), brush, pen, rop2);
        if (complex)
          SelectClipRgn(clipped.dc(), round);
        else
          IntersectClipRect(clipped.dc(), 7, 5, 33, 29);
        primitive.draw(whole.dc());
        primitive.draw(clipped.dc());
        const std::vector<COLORREF> full = whole.Pixels();
        const std::vector<COLORREF> cut = clipped.Pixels();
        for (int32_t y = 0; y < 40; ++y) {
          for (int32_t x = 0; x < 48; ++x) {
            const size_t i = static_cast<size_t>(y * 48 + x);
            const bool inside =
                complex ? PtInRegion(round, x, y) != FALSE : x >= 7 && x < 33 && y >= 5 && y < 29;
            ASSERT_EQ(cut[i], inside ? full[i] : before[i]) << x << "," << y;
            changed += inside && cut[i] != before[i];
          }
        }
        const bool paintsOver = primitive.name == "FillRgn" || primitive.name == "FrameRgn" ||
                                primitive.name == "StretchBltMirrored";
        if (rop2 == R2_XORPEN && !paintsOver) {
          primitive.draw(clipped.dc());  // each pixel painted once: twice restores it
          EXPECT_EQ(clipped.Pixels(), before);
        }
        SelectObject(whole.dc(), GetStockObject(BLACK_PEN));
        SelectObject(clipped.dc(), GetStockObject(BLACK_PEN));
      }
    }
    EXPECT_GT(changed, 20) << primitive.name;
  }
  DeleteObject(hole);
  DeleteObject(round);
  DeleteObject(pen);
  DeleteObject(brush);
}

// The integer line rule stepped from the start, b left out: each step moves the longer axis,
// and the shorter one when the error says so; styled pens run through on and off lengths.
void SteppedLine(POINT a, POINT b, PenRuns style, RegionData::Builder& on,
                 RegionData::Builder& off) {
  const int64_t dx = std::abs(int64_t{b.x} - a.x);
  const int64_t dy = std::abs(int64_t{b.y} - a.y);
  int64_t error = (dx > dy ? dx : -dy) / 2;
  POINT p = a;
  int32_t run = 0;
  int32_t left = style.count > 0 ? style.runs[0] : 0;
  for (int64_t i = 0; i < std::max(dx, dy); ++i) {
    (style.count == 0 || run % 2 == 0 ? on : off).Add(p.y, p.x, p.x + 1);
    if (style.count > 0 && --left == 0) {
      run = (run + 1) % style.count;
      left = style.runs[run];
    }
    const int64_t e = error;
    if (e > -dx) error -= dy, p.x += a.x < b.x ? 1 : -1;
    if (e < dy) error += dx, p.y += a.y < b.y ? 1 : -1;
  }
}

// One-pixel lines cut to a box keep the pixels and dash phase of the whole line there, for
// lines of every slope and length, far outside the box too.
TEST(DcClipFirst, LinesCutToABoxKeepTheWholeLinesPixels) {
  static constexpr int32_t kRuns[] = {9, 6, 3, 6};
  const RECT box{-5, 3, 17, 12};
  uint32_t seed = 99;
  auto next = [&seed](int32_t span) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(2 * span + 1)) - span;
  };
  // Every fourth line has both ends in the box.
  std::vector<std::pair<POINT, POINT>> lines;
  for (int trial = 0; trial < 400; ++trial) {
    const int32_t reach = trial % 2 ? 40 : 3000;
    if (trial % 4 == 3) {
      lines.emplace_back(POINT{6 + next(10), 7 + next(4)}, POINT{6 + next(10), 7 + next(4)});
    } else {
      lines.emplace_back(POINT{next(reach), next(reach)}, POINT{next(reach), next(reach)});
    }
  }
  for (size_t trial = 0; trial < lines.size(); ++trial) {
    const auto [a, b] = lines[trial];
    const PenRuns style = trial % 3 ? PenRuns{kRuns, 4} : PenRuns{};
    RegionData::Builder wholeOn, wholeOff, cutOn, cutOff;
    int64_t steps = 0;
    SteppedLine(a, b, style, wholeOn, wholeOff);
    LinePixels(a, b, style, box, &steps, cutOn, &cutOff);
    SCOPED_TRACE(std::to_string(a.x) + "," + std::to_string(a.y) + " to " + std::to_string(b.x) +
                 "," + std::to_string(b.y));
    EXPECT_EQ(wholeOn.Build().Within(box), cutOn.Build());
    EXPECT_EQ(wholeOff.Build().Within(box), cutOff.Build());
    EXPECT_LE(steps, 22);  // at most the box's width or height
  }
}

// An upright rectangle's outline taken as its ring has the pixels its four sides have, from
// any corner and in either direction, cut to a box or not; other paths are left to the lines.
TEST(DcClipFirst, ARectanglesRingHasItsSidesPixels) {
  uint32_t seed = 7;
  auto next = [&seed](int32_t span) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(2 * span + 1)) - span;
  };
  for (int trial = 0; trial < 300; ++trial) {
    const RECT box{next(20), next(20), 0, 0};
    const RECT clip{box.left, box.top, box.left + 1 + std::abs(next(30)),
                    box.top + 1 + std::abs(next(30))};
    const int32_t l = next(40);
    const int32_t t = next(40);
    const int32_t r = l + 1 + std::abs(next(trial % 4 ? 30 : 1));
    const int32_t b = t + 1 + std::abs(next(trial % 5 ? 30 : 1));
    std::vector<POINT> corners{{l, t}, {r, t}, {r, b}, {l, b}};
    if (trial % 2) std::reverse(corners.begin(), corners.end());
    std::rotate(corners.begin(), corners.begin() + trial % 4, corners.end());
    RegionData::Builder sides, ring;
    int64_t sideSteps = 0;
    int64_t ringSteps = 0;
    for (size_t i = 0; i < 4; ++i)
      LinePixels(corners[i], corners[(i + 1) % 4], PenRuns{}, clip, &sideSteps, sides, nullptr);
    // Drawn shapes often come back to their first corner.
    if (trial % 3 == 0) corners.push_back(corners.front());
    ASSERT_TRUE(RectangleRingPixels(corners.data(), corners.size(), clip, &ringSteps, ring));
    SCOPED_TRACE(trial);
    EXPECT_EQ(ring.Build(), sides.Build());
    EXPECT_EQ(ringSteps, sideSteps);
  }
  const RECT clip{-100, -100, 100, 100};
  RegionData::Builder none;
  const std::vector<std::vector<POINT>> others{
      {{0, 0}, {5, 0}, {5, 5}},                   // three points
      {{0, 0}, {5, 1}, {5, 5}, {0, 5}},           // a slanted side
      {{0, 0}, {5, 0}, {5, 0}, {0, 5}},           // a side of no length
      {{0, 0}, {5, 0}, {9, 0}, {0, 0}},           // no turn
      {{0, 0}, {5, 0}, {5, 5}, {0, 5}, {0, 1}},   // five points, not back at the first
  };
  for (const auto& path : others)
    EXPECT_FALSE(RectangleRingPixels(path.data(), path.size(), clip, nullptr, none));
  EXPECT_TRUE(none.Build().IsEmpty());
}

// Solid one-pixel polylines, crossing themselves and leaving the surface, paint the pixels
// of their lines inside the clip, whether the clip is one rectangle or has a hole, and with
// operations that paint the pen, its inverse or black.
TEST(DcClipFirst, SolidPolylinesPaintTheirLinesPixelsInsideTheClip) {
  uint32_t seed = 5;
  auto next = [&seed](int32_t span) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(span));
  };
  HPEN pen = CreatePen(PS_SOLID, 1, kBlue);
  constexpr int32_t kRops[] = {R2_COPYPEN, R2_NOTCOPYPEN, R2_BLACK};
  constexpr COLORREF kPainted[] = {kBlue, RGB(255, 255, 0), kBlack};
  for (int trial = 0; trial < 90; ++trial) {
    MemoryCanvas canvas(24, 24);
    const RECT clip{next(8), next(8), 12 + next(12), 12 + next(12)};
    RegionData clipArea = RegionData::Rect(clip.left, clip.top, clip.right, clip.bottom);
    HRGN clipRegion = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    SelectClipRgn(canvas.dc(), clipRegion);
    DeleteObject(clipRegion);
    if (trial % 4 == 0) {
      ExcludeClipRect(canvas.dc(), 10, 10, 14, 14);
      clipArea = RegionData::Combine(clipArea, RegionData::Rect(10, 10, 14, 14), RGN_DIFF);
    }
    SetROP2(canvas.dc(), kRops[trial % 3]);
    SelectObject(canvas.dc(), pen);
    std::vector<POINT> points;
    for (int i = 0; i < 5; ++i) points.push_back(POINT{next(44) - 10, next(44) - 10});
    Polyline(canvas.dc(), points.data(), static_cast<int32_t>(points.size()));
    RegionData::Builder lines;
    for (size_t i = 0; i + 1 < points.size(); ++i)
      LinePixels(points[i], points[i + 1], PenRuns{}, RECT{0, 0, 24, 24}, nullptr, lines, nullptr);
    const RegionData drawn = RegionData::Combine(lines.Build(), clipArea, RGN_AND);
    SCOPED_TRACE(trial);
    for (int32_t y = 0; y < 24; ++y) {
      for (int32_t x = 0; x < 24; ++x)
        ASSERT_EQ(canvas.At(x, y), drawn.Contains(x, y) ? kPainted[trial % 3] : kWhite)
            << x << "," << y;
    }
    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  }
  DeleteObject(pen);
}

// An upright rectangle drawn as a polygon with a solid one-pixel pen: its sides' pixels in the
// pen's colour, the rest of its area in the brush's, inside the clip only, by either fill rule.
TEST(DcClipFirst, AnUprightRectanglePolygonPaintsItsSidesAndItsArea) {
  uint32_t seed = 11;
  auto next = [&seed](int32_t span) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(span));
  };
  HPEN pen = CreatePen(PS_SOLID, 1, kBlue);
  HBRUSH brush = CreateSolidBrush(kRed);
  for (int trial = 0; trial < 60; ++trial) {
    MemoryCanvas canvas(24, 24);
    const RECT clip{next(8), next(8), 12 + next(12), 12 + next(12)};
    HRGN clipRegion = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    SelectClipRgn(canvas.dc(), clipRegion);
    DeleteObject(clipRegion);
    const int32_t fillMode = trial % 2 ? WINDING : ALTERNATE;
    SetPolyFillMode(canvas.dc(), fillMode);
    SelectObject(canvas.dc(), pen);
    SelectObject(canvas.dc(), brush);
    const int32_t l = next(20) - 2;
    const int32_t t = next(20) - 2;
    std::vector<POINT> corners{
        {l, t}, {l + 1 + next(trial % 4 ? 14 : 2), t}, {0, 0}, {l, 0}};
    corners[2] = POINT{corners[1].x, t + 1 + next(trial % 5 ? 14 : 2)};
    corners[3].y = corners[2].y;
    if (trial % 2) std::reverse(corners.begin(), corners.end());
    if (trial % 3 == 0) corners.push_back(corners.front());
    Polygon(canvas.dc(), corners.data(), static_cast<int32_t>(corners.size()));
    // What the sides and the area are, line by line and by the fill rule.
    RegionData::Builder sides;
    for (size_t i = 0; i < 4; ++i)
      LinePixels(corners[i], corners[(i + 1) % 4], PenRuns{}, clip, nullptr, sides, nullptr);
    const RegionData ring = sides.Build();
    const RegionData area = RegionData::Polygon(
        std::span<const POINT>(corners.data(), 4), fillMode, ScanLimit{clip, nullptr});
    SCOPED_TRACE(trial);
    for (int32_t y = 0; y < 24; ++y) {
      for (int32_t x = 0; x < 24; ++x) {
        const bool inClip = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        const COLORREF expected = !inClip              ? kWhite
                                  : ring.Contains(x, y) ? kBlue
                                  : area.Contains(x, y) ? kRed
                                                        : kWhite;
        ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
      }
    }
  }
  DeleteObject(pen);
  DeleteObject(brush);
}

// A surface of 16 x 16 pixels under a mapping that makes a logical unit 25,000 pixels.
class HugeView : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMapMode(canvas.dc(), MM_ANISOTROPIC);
    SetWindowExtEx(canvas.dc(), 1, 1, nullptr);
    SetViewportExtEx(canvas.dc(), 25000, 25000, nullptr);
    SetViewportOrgEx(canvas.dc(), 8, 8, nullptr);
  }
  const DrawWork& Work() const { return LookupDC(canvas.dc())->work; }

  MemoryCanvas canvas{16, 16};
};

TEST_F(HugeView, ShapesAMillionPixelsAcrossCostWhatTheSurfaceShows) {
  HBRUSH brush = CreateSolidBrush(kRed);
  SelectObject(canvas.dc(), brush);
  Ellipse(canvas.dc(), -20, -20, 20, 20);  // a million pixels across, the view at its centre
  EXPECT_EQ(canvas.Count(kRed), 256);
  RoundRect(canvas.dc(), -20, -20, 20, 20, 8, 8);
  const POINT triangle[] = {{-20, 20}, {0, -20}, {20, 20}};
  Polygon(canvas.dc(), triangle, 3);
  const POINT wide[] = {{-20, -20}, {20, 20}, {20, -20}};
  HPEN thick = CreatePen(PS_SOLID, 2, kBlue);  // two logical units: 50,000 pixels wide
  SelectObject(canvas.dc(), thick);
  Polyline(canvas.dc(), wide, 3);
  EXPECT_EQ(canvas.Count(kBlue), 256);
  Pie(canvas.dc(), -20, -20, 20, 20, 20, 0, 0, -20);
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  SetMapMode(canvas.dc(), MM_TEXT);
  HPEN dashed = CreatePen(PS_DASH, 1, kBlack);
  SelectObject(canvas.dc(), dashed);
  MoveToEx(canvas.dc(), -1000000, -999990, nullptr);
  LineTo(canvas.dc(), 1000000, 1000010);
  const DrawWork& work = Work();
  EXPECT_LE(work.rows, 16 * 8);
  EXPECT_LE(work.lineSteps, 16 + 2);        // the dashed line; the triangle's sides miss the view
  EXPECT_LE(work.maskPixels, 3 * 20 * 20);  // three masks, two pixels beyond each edge
  EXPECT_LE(work.largestRegion, 16u * 4);
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(dashed);
  DeleteObject(thick);
  DeleteObject(brush);
}

TEST_F(HugeView, ArcsPiesAndChordsAMillionPixelsAcrossKeepTheirSectorsAndSides) {
  HBRUSH brush = CreateSolidBrush(kRed);
  SelectObject(canvas.dc(), brush);
  // The upper right quarter, its corner at the view's centre (8, 8): the radii run along row 8
  // and column 8.
  Pie(canvas.dc(), -20, -20, 20, 20, 20, 0, 0, -20);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      COLORREF expected = kWhite;
      if (x > 8 && y < 8) expected = kRed;
      if ((y == 8 && x >= 8) || (x == 8 && y <= 8)) expected = kBlack;
      ASSERT_EQ(canvas.At(x, y), expected) << "pie " << x << "," << y;
    }
  }
  // From the upper right round to the lower left: the chord is the diagonal through the
  // centre, and the arc's side of it is the upper left.
  PatBlt(canvas.dc(), -1, -1, 2, 2, WHITENESS);  // 50,000 pixels: the whole view
  Chord(canvas.dc(), -20, -20, 20, 20, 20, -20, -20, 20);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      if (x + y > 13 && x + y < 18) continue;  // along the chord
      ASSERT_EQ(canvas.At(x, y), x + y <= 13 ? kRed : kWhite) << "chord " << x << "," << y;
    }
  }
  EXPECT_EQ(canvas.At(8, 8), kBlack);
  // The upper right quarter as a chord: the view lies in its sector but on the centre's side of
  // the chord, so the chord leaves it alone.
  PatBlt(canvas.dc(), -1, -1, 2, 2, WHITENESS);
  Chord(canvas.dc(), -20, -20, 20, 20, 20, 0, 0, -20);
  EXPECT_EQ(canvas.Count(kWhite), 256);
  // The left edge of a whole ellipse crossing the view: one column of pen.
  SetMapMode(canvas.dc(), MM_TEXT);
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  PatBlt(canvas.dc(), 0, 0, 16, 16, WHITENESS);
  Arc(canvas.dc(), 4, -500000, 1000004, 500000, 0, 0, 0, 0);
  EXPECT_EQ(canvas.Count(kBlack), 16);
  EXPECT_EQ(canvas.At(4, 0), kBlack);
  EXPECT_EQ(canvas.At(4, 15), kBlack);
  EXPECT_EQ(Work().maskPixels, 0);     // no Cairo path of the whole curve
  EXPECT_LE(Work().rows, 4 * 3 * 16);  // four calls, at most three ellipses of 16 rows each
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

TEST_F(HugeView, RegionsAndBlitsAMillionPixelsAcrossCostWhatTheSurfaceShows) {
  SetMapMode(canvas.dc(), MM_TEXT);
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  HRGN huge = CreateEllipticRgn(-500000, -500000, 500000, 500000);  // device coordinates
  FillRgn(canvas.dc(), huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(canvas.Count(kBlack), 256);
  InvertRgn(canvas.dc(), huge);
  EXPECT_EQ(canvas.Count(kWhite), 256);
  OffsetRgn(huge, 500005, 0);  // the left edge of the region is now at column 5
  FrameRgn(canvas.dc(), huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 3, 3);
  EXPECT_EQ(canvas.Count(kBlack), 3 * 16);
  EXPECT_LE(Work().largestRegion, 16u * 4);
  DeleteObject(huge);

  // A 16 x 16 source shown a million pixels wide, and a million-pixel source rectangle.
  MemoryCanvas source(16, 16);
  source.Scramble();
  StretchBlt(canvas.dc(), -500000, -500000, 1000000, 1000000, source.dc(), 0, 0, 16, 16, SRCCOPY);
  EXPECT_EQ(canvas.Count(source.At(8, 8)), 256);
  ASSERT_TRUE(BitBlt(canvas.dc(), -500000, -500000, 1000000, 1000000, source.dc(), -500000, -500000,
                     SRCCOPY));
  EXPECT_EQ(canvas.Pixels(), source.Pixels());
  EXPECT_LE(Work().sourcePixels, 1 + 256);
}

TEST_F(HugeView, ShapesMappedBeyondThirtyTwoBitsNeitherWrapNorOverflow) {
  SetViewportExtEx(canvas.dc(), INT32_MAX, INT32_MAX, nullptr);
  HBRUSH brush = CreateSolidBrush(kRed);
  SelectObject(canvas.dc(), brush);
  Ellipse(canvas.dc(), -20, -20, 20, 20);  // some 10^11 pixels across
  EXPECT_EQ(canvas.Count(kRed), 256);
  POINT far{30000, -30000};
  LPtoDP(canvas.dc(), &far, 1);
  EXPECT_GT(far.x, 1 << 29);  // far off, on the side it lies
  EXPECT_LT(far.y, -(1 << 29));
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

TEST_F(HugeView, AMetafileWithAHugeMappingCostsWhatTheSurfaceShows) {
  SetMapMode(canvas.dc(), MM_TEXT);
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  HDC recorder = CreateMetaFile(nullptr);
  SetMapMode(recorder, MM_ANISOTROPIC);
  SetWindowExtEx(recorder, 1, 1, nullptr);
  SetViewportExtEx(recorder, 30000, 30000, nullptr);
  SelectObject(recorder, GetStockObject(BLACK_BRUSH));
  Ellipse(recorder, -40, -40, 40, 40);
  const POINT triangle[] = {{-40, 40}, {0, -40}, {40, 40}};
  Polygon(recorder, triangle, 3);
  HMETAFILE metafile = CloseMetaFile(recorder);
  ASSERT_TRUE(PlayMetaFile(canvas.dc(), metafile));
  EXPECT_EQ(canvas.Count(kBlack), 256);
  EXPECT_LE(Work().rows, 16 * 6);
  EXPECT_LE(Work().largestRegion, 16u * 4);
  DeleteMetaFile(metafile);
}

}  // namespace

namespace {

// Copies and whole fills take a shorter road than the other raster operations: under a clip of
// two rectangles and a stretch, they give the pixels the general operations give.
TEST(PlainBlits, CopiesAndFillsMatchTheGeneralRasterOperations) {
  MemoryCanvas source(30, 20);
  source.Scramble();
  HRGN clip = CreateRectRgn(2, 3, 20, 11);
  HRGN second = CreateRectRgn(12, 9, 40, 30);
  CombineRgn(clip, clip, second, RGN_OR);
  const auto blit = [&](COLORREF fill, bool scramble, DWORD rop) {
    auto canvas = std::make_unique<MemoryCanvas>(48, 40, fill);
    if (scramble) canvas->Scramble();
    SelectClipRgn(canvas->dc(), clip);
    StretchBlt(canvas->dc(), 1, 2, 45, 36, source.dc(), 0, 0, 30, 20, rop);
    return canvas->Pixels();
  };
  // A copy over white equals the source ANDed over white; over anything else it replaces what
  // lies inside the clip and nothing outside it.
  const std::vector<COLORREF> copied = blit(kWhite, false, SRCCOPY);
  EXPECT_EQ(copied, blit(kWhite, false, SRCAND));
  const std::vector<COLORREF> over = blit(kWhite, true, SRCCOPY);
  MemoryCanvas untouched(48, 40);
  untouched.Scramble();
  const std::vector<COLORREF> before = untouched.Pixels();
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 48; ++x) {
      const size_t i = static_cast<size_t>(y * 48 + x);
      ASSERT_EQ(over[i], PtInRegion(clip, x, y) ? copied[i] : before[i]) << x << "," << y;
    }
  }
  // Whiteness and blackness equal a merge with white and a mask with black.
  const auto fill = [&](DWORD rop, COLORREF brushColour, DWORD general) {
    MemoryCanvas fast(48, 40);
    fast.Scramble();
    MemoryCanvas slow(48, 40);
    slow.Scramble();
    SelectClipRgn(fast.dc(), clip);
    SelectClipRgn(slow.dc(), clip);
    PatBlt(fast.dc(), 0, 0, 48, 40, rop);
    HBRUSH brush = CreateSolidBrush(brushColour);
    HGDIOBJ old = SelectObject(slow.dc(), brush);
    PatBlt(slow.dc(), 0, 0, 48, 40, general);
    SelectObject(slow.dc(), old);
    DeleteObject(brush);
    EXPECT_EQ(fast.Pixels(), slow.Pixels());
  };
  fill(WHITENESS, kWhite, PATCOPY);
  fill(BLACKNESS, kBlack, PATCOPY);
  DeleteObject(second);
  DeleteObject(clip);
}

}  // namespace
