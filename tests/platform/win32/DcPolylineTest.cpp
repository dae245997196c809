// Solid one-pixel lines painted straight onto the pixels, and several polylines in their own
// colours through one call: both give exactly the pixels of the general drawing roads.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "tests/platform/win32/GdiTestSupport.h"

namespace {

// A small deterministic generator of test figures.
class Figures {
 public:
  explicit Figures(uint32_t seed) : seed_(seed) {}
  int32_t Next(int32_t span) {
    seed_ = seed_ * 1103515245u + 12345u;
    return static_cast<int32_t>((seed_ >> 8) % static_cast<uint32_t>(span));
  }
  // Paths of two to five points within -margin..size + margin each way; every fourth step is
  // one pixel or none, every fifth upright or at 45 degrees, as plotted curves have them.
  std::vector<POINT> Path(int32_t width, int32_t height, int32_t margin) {
    std::vector<POINT> path;
    const int32_t count = 2 + Next(4);
    for (int32_t i = 0; i < count; ++i) {
      POINT p{Next(width + 2 * margin) - margin, Next(height + 2 * margin) - margin};
      if (!path.empty() && i % 4 == 1) {
        p = POINT{path.back().x + Next(3) - 1, path.back().y + Next(3) - 1};
      } else if (!path.empty() && i % 5 == 2) {
        const int32_t d = Next(20) - 10;
        p = Next(2) ? POINT{path.back().x + d, path.back().y + d}
                    : POINT{path.back().x, path.back().y + d};
      }
      path.push_back(p);
    }
    return path;
  }

 private:
  uint32_t seed_;
};

// Draws path with a solid one-pixel pen of colour.
void DrawWithPen(HDC dc, const std::vector<POINT>& path, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ previous = SelectObject(dc, pen);
  Polyline(dc, path.data(), static_cast<int32_t>(path.size()));
  SelectObject(dc, previous);
  DeleteObject(pen);
}

// Copied under a clip of one rectangle, solid lines go straight onto the pixels; an
// exclusive-or reads what lies under them, so they go through the region of their pixels, and
// each pixel is painted once. On black both give the same pixels, for lines wholly inside the
// clip and lines leaving it.
TEST(DcSolidLines, StraightOntoThePixelsEqualsThroughTheirRegion) {
  Figures figures(7);
  int32_t painted = 0;
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    const RECT clip{2 + figures.Next(6), 1 + figures.Next(6), 34 + figures.Next(6),
                    22 + figures.Next(6)};
    // Every other path lies wholly inside the clip; the others reach out of it.
    std::vector<POINT> path = figures.Path(40, 30, trial % 3 == 0 ? 12 : 0);
    if (trial % 2 == 0) {
      for (POINT& p : path) {
        p.x = std::clamp<int32_t>(p.x, clip.left, clip.right - 1);
        p.y = std::clamp<int32_t>(p.y, clip.top, clip.bottom - 1);
      }
    }
    MemoryCanvas straight(44, 32, kBlack);
    MemoryCanvas regional(44, 32, kBlack);
    IntersectClipRect(straight.dc(), clip.left, clip.top, clip.right, clip.bottom);
    IntersectClipRect(regional.dc(), clip.left, clip.top, clip.right, clip.bottom);
    SetROP2(regional.dc(), R2_XORPEN);
    DrawWithPen(straight.dc(), path, kRed);
    DrawWithPen(regional.dc(), path, kRed);
    ASSERT_EQ(straight.Pixels(), regional.Pixels());
    painted += straight.Count(kRed) > 0 ? 1 : 0;
  }
  EXPECT_GT(painted, 200);
}

// One context set up for a comparison of the two roads.
struct ContextSetup {
  const char* name;
  std::function<void(HDC)> prepare;
};

std::vector<ContextSetup> ContextSetups() {
  return {
      {"plain", [](HDC) {}},
      {"shifted origins",
       [](HDC dc) {
         SetWindowOrgEx(dc, 5, -3, nullptr);
         SetViewportOrgEx(dc, -2, 4, nullptr);
       }},
      {"scaled",
       [](HDC dc) {
         SetMapMode(dc, MM_ANISOTROPIC);
         SetWindowExtEx(dc, 3, 2, nullptr);
         SetViewportExtEx(dc, 2, 3, nullptr);
       }},
      {"one clip rectangle", [](HDC dc) { IntersectClipRect(dc, 6, 4, 33, 25); }},
      {"clip region",
       [](HDC dc) {
         HRGN region = CreateEllipticRgn(3, 2, 38, 29);
         SelectClipRgn(dc, region);
         DeleteObject(region);
       }},
      {"exclusive-or", [](HDC dc) { SetROP2(dc, R2_XORPEN); }},
  };
}

// Paths in their own colours through one call paint what selecting a pen of each colour and
// drawing each path with Polyline paints, whatever the mapping, clip and raster operation;
// paths of fewer than two points draw nothing and take their points along.
TEST(DcSolidLines, PolylinesInColoursEqualAPenAndAPolylineEach) {
  constexpr COLORREF kColours[] = {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 220),
                                   RGB(90, 90, 10)};
  Figures figures(3);
  for (const ContextSetup& setup : ContextSetups()) {
    for (int trial = 0; trial < 40; ++trial) {
      SCOPED_TRACE(testing::Message() << setup.name << ", trial " << trial);
      std::vector<std::vector<POINT>> paths;
      for (int i = 0; i < 4; ++i) paths.push_back(figures.Path(40, 30, 8));
      // A lone point, left out, keeps the points of the paths after it in place.
      if (trial % 4 == 0) paths[1].resize(1);
      std::vector<POINT> points;
      std::vector<int32_t> counts;
      for (const auto& path : paths) {
        points.insert(points.end(), path.begin(), path.end());
        counts.push_back(static_cast<int32_t>(path.size()));
      }
      MemoryCanvas together(44, 32);
      MemoryCanvas apart(44, 32);
      together.Scramble();
      apart.Scramble();
      setup.prepare(together.dc());
      setup.prepare(apart.dc());
      ASSERT_TRUE(PolylinesInColors(together.dc(), points.data(), counts.data(), kColours, 4));
      for (size_t i = 0; i < paths.size(); ++i) DrawWithPen(apart.dc(), paths[i], kColours[i]);
      ASSERT_EQ(together.Pixels(), apart.Pixels());
    }
  }
}

// Points far outside any surface are drawn as Polyline draws them: clamped the same way.
TEST(DcSolidLines, PolylinesInColoursClampFarPointsAsPolylineDoes) {
  const std::vector<POINT> path{{-(1 << 29), 5}, {20, 16}, {1 << 30, 30}, {30, -(1 << 30)}};
  const int32_t count = static_cast<int32_t>(path.size());
  MemoryCanvas together(44, 32);
  MemoryCanvas apart(44, 32);
  ASSERT_TRUE(PolylinesInColors(together.dc(), path.data(), &count, &kBlue, 1));
  DrawWithPen(apart.dc(), path, kBlue);
  EXPECT_EQ(together.Pixels(), apart.Pixels());
  EXPECT_GT(together.Count(kBlue), 0);
}

// A recording holds pens, not colours: the call refuses it and records nothing.
TEST(DcSolidLines, PolylinesInColoursRefuseARecordingContext) {
  HDC recording = CreateMetaFile(nullptr);
  ASSERT_NE(recording, nullptr);
  const POINT path[] = {{1, 1}, {9, 4}};
  const int32_t count = 2;
  EXPECT_FALSE(PolylinesInColors(recording, path, &count, &kRed, 1));
  HMETAFILE metafile = CloseMetaFile(recording);
  ASSERT_NE(metafile, nullptr);
  MemoryCanvas canvas(12, 8);
  PlayMetaFile(canvas.dc(), metafile);
  EXPECT_EQ(canvas.Count(kWhite), 12 * 8);
  DeleteMetaFile(metafile);
  // Counts or colours missing with paths to draw are refused too.
  MemoryCanvas target(12, 8);
  EXPECT_FALSE(PolylinesInColors(target.dc(), path, nullptr, &kRed, 1));
  EXPECT_TRUE(PolylinesInColors(target.dc(), nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(target.Count(kWhite), 12 * 8);
}

}  // namespace
