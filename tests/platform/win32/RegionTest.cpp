// Regions as sorted rectangle lists: shapes, combinations and tests.

#include <gtest/gtest.h>

#include <utility>

#include "platform/win32/Gdi.h"

namespace {

struct Rgn {
  HRGN h;
  explicit Rgn(HRGN handle) : h(handle) {}
  ~Rgn() { DeleteObject(h); }
};

TEST(Region, RectanglesExcludeRightAndBottomAndNormaliseCorners) {
  Rgn r(CreateRectRgn(10, 20, 2, 5));  // corners given in reverse
  EXPECT_TRUE(PtInRegion(r.h, 2, 5));
  EXPECT_TRUE(PtInRegion(r.h, 9, 19));
  EXPECT_FALSE(PtInRegion(r.h, 10, 19));
  EXPECT_FALSE(PtInRegion(r.h, 9, 20));
  RECT box;
  EXPECT_EQ(GetRgnBox(r.h, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.bottom, 20);
  const RECT touching{10, 5, 15, 8};
  EXPECT_FALSE(RectInRegion(r.h, &touching));
  const RECT overlapping{9, 5, 15, 8};
  EXPECT_TRUE(RectInRegion(r.h, &overlapping));
}

TEST(Region, CombinationsGiveCanonicalRectangleLists) {
  Rgn a(CreateRectRgn(0, 0, 10, 10));
  Rgn b(CreateRectRgn(5, 5, 15, 15));
  Rgn out(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(CombineRgn(out.h, a.h, b.h, RGN_AND), SIMPLEREGION);
  RECT box;
  GetRgnBox(out.h, &box);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(CombineRgn(out.h, a.h, b.h, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(LookupRegion(out.h)->data.Rects().size(), 3u);  // three bands
  EXPECT_EQ(CombineRgn(out.h, a.h, b.h, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(out.h, 7, 7));
  EXPECT_TRUE(PtInRegion(out.h, 12, 12));
  EXPECT_TRUE(PtInRegion(out.h, 2, 2));
  // The same pixels built two ways compare equal.
  Rgn left(CreateRectRgn(0, 0, 5, 10));
  Rgn right(CreateRectRgn(5, 0, 10, 10));
  CombineRgn(out.h, left.h, right.h, RGN_OR);
  EXPECT_TRUE(EqualRgn(out.h, a.h));
  EXPECT_EQ(LookupRegion(out.h)->data.Rects().size(), 1u);
  // A difference that leaves nothing has an all-zero box.
  EXPECT_EQ(CombineRgn(out.h, left.h, a.h, RGN_DIFF), NULLREGION);
  GetRgnBox(out.h, &box);
  EXPECT_EQ(box.left | box.top | box.right | box.bottom, 0);
  EXPECT_EQ(CombineRgn(out.h, a.h, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(CombineRgn(out.h, a.h, b.h, 9), ERROR);
  // A rectangle's one-pixel ring is the rectangle less its inside, at the smallest size too.
  for (const auto& [right, bottom] : {std::pair{9, 7}, std::pair{4, 5}}) {
    EXPECT_EQ(RegionData::Ring(2, 3, right, bottom),
              RegionData::Combine(RegionData::Rect(2, 3, right + 1, bottom + 1),
                                  RegionData::Rect(3, 4, right, bottom), RGN_DIFF));
  }
}

TEST(Region, OffsetMovesEveryRectangle) {
  Rgn r(CreateEllipticRgn(0, 0, 20, 10));
  Rgn copy(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(copy.h, r.h, nullptr, RGN_COPY);
  OffsetRgn(r.h, 100, -50);
  EXPECT_FALSE(EqualRgn(r.h, copy.h));
  RECT box;
  GetRgnBox(r.h, &box);
  EXPECT_EQ(box.left, 100);
  EXPECT_EQ(box.top, -50);
  OffsetRgn(r.h, -100, 50);
  EXPECT_TRUE(EqualRgn(r.h, copy.h));
}

TEST(Region, EllipsesAndPolygonsSamplePixelCentres) {
  Rgn ellipse(CreateEllipticRgn(0, 0, 10, 10));
  RECT box;
  GetRgnBox(ellipse.h, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 10);
  EXPECT_FALSE(PtInRegion(ellipse.h, 0, 0));
  EXPECT_TRUE(PtInRegion(ellipse.h, 5, 5));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(PtInRegion(ellipse.h, x, y), PtInRegion(ellipse.h, 9 - x, 9 - y));
    }
  }
  // Two triangles meeting at (5, 5), on the left and right sides.
  const POINT bow[] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  Rgn tie(CreatePolygonRgn(bow, 4, ALTERNATE));
  EXPECT_TRUE(PtInRegion(tie.h, 1, 5));
  EXPECT_TRUE(PtInRegion(tie.h, 8, 5));
  EXPECT_FALSE(PtInRegion(tie.h, 5, 1));
  EXPECT_EQ(CreatePolygonRgn(bow, 4, 7), nullptr);
  Rgn round(CreateRoundRectRgn(0, 0, 20, 20, 8, 8));
  EXPECT_FALSE(PtInRegion(round.h, 0, 0));
  EXPECT_TRUE(PtInRegion(round.h, 10, 0));
  EXPECT_TRUE(PtInRegion(round.h, 4, 4));
}

TEST(Region, DeletedHandlesAreRefused) {
  HRGN r = CreateRectRgn(0, 0, 5, 5);
  DeleteObject(r);
  EXPECT_FALSE(PtInRegion(r, 1, 1));
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), ERROR);
  EXPECT_EQ(OffsetRgn(r, 1, 1), ERROR);
}

}  // namespace
