// Region records, polygon recording and hit-testing, and the 16-bit rectangle helpers.

#include "core/Failure.h"
#include "core/port/PortRegion.h"
#include "tests/core/port/PortTestSupport.h"

namespace {

TEST(PortRect, HelpersOnSixteenBitRectangles) {
  const MacRect a(0, 0, 10, 10);
  const MacRect touching(10, 0, 20, 10);
  EXPECT_FALSE(SectMacRect(a, touching));
  EXPECT_TRUE(SectMacRect(a, MacRect(9, 9, 20, 20)));
  MacRect u;
  MacRectUnion(a, MacRect(5, -5, 30, 8), u);
  EXPECT_EQ(u, MacRect(0, -5, 30, 10));
  // Containment includes all four edges.
  EXPECT_TRUE(MacRectContainsPoint(a, Packed(10, 10)));
  EXPECT_FALSE(MacRectContainsPoint(a, Packed(11, 10)));
  MacRect inset = a;
  MacRectInset(inset, 2, 3);
  EXPECT_EQ(inset, MacRect(2, 3, 8, 7));
  MacRect reversed(10, 20, 0, 5);
  NormalizeMacRect(&reversed);
  EXPECT_EQ(reversed, MacRect(0, 5, 10, 20));
  NormalizeMacRect(nullptr);
  const MacPoint local = MacPointToRectLocal(MacPoint(15, 25), MacRect(10, 20, 30, 40));
  EXPECT_EQ(local.h, 5);
  EXPECT_EQ(local.v, 5);
  EXPECT_EQ(MacRectFromWinRect(RECT{70000, 1, 2, 3}).left, static_cast<int16_t>(70000));
  RECT w{0, 0, 4, 4};
  OffsetWinRect(w, 10, -1);
  EXPECT_EQ(w.left, 10);
  EXPECT_EQ(w.top, -1);
  const POINT clamped = ClampPointToWinRect(POINT{50, -9}, RECT{0, 0, 20, 20});
  EXPECT_EQ(clamped.x, 20);
  EXPECT_EQ(clamped.y, 0);
}

TEST_F(PortTest, RegionRecordsKeepTheirBoxes) {
  RegionRec* a = AllocRegion();
  RegionRec* b = AllocRegion();
  RegionRec* out = AllocRegion();
  EXPECT_TRUE(RegionIsEmpty(a));
  RegionSetRect(a, 0, 0, 10, 10);
  RegionSetMacRect(b, MacRect(5, 5, 20, 20));
  // The corner is inside the rectangle helper's test but outside the region's.
  EXPECT_TRUE(MacRectContainsPoint(a->box, Packed(10, 10)));
  EXPECT_FALSE(RegionContainsPoint(Packed(10, 10), a));
  EXPECT_TRUE(RegionContainsPoint(Packed(9, 9), a));
  RegionUnion(a, b, out);
  EXPECT_EQ(out->box, MacRect(0, 0, 20, 20));
  RegionIntersect(a, b, out);
  EXPECT_EQ(out->box, MacRect(5, 5, 10, 10));
  RegionXor(a, b, out);
  EXPECT_FALSE(RegionContainsPoint(Packed(7, 7), out));
  RegionDifference(a, a, out);
  EXPECT_EQ(out->box, MacRect(0, 0, 0, 0));
  EXPECT_TRUE(RegionIsEmpty(out));
  RegionCopy(b, out);
  EXPECT_TRUE(RegionEqual(b, out));
  RegionOffset(out, 3, 4);
  EXPECT_EQ(out->box, MacRect(8, 9, 23, 24));
  EXPECT_FALSE(RegionEqual(b, out));
  EXPECT_TRUE(RegionIntersectsRect(MacRect(22, 23, 30, 30), out));
  EXPECT_FALSE(RegionIntersectsRect(MacRect(23, 24, 30, 30), out));
  MoveRectBetweenRegions(MacRect(30, 30, 40, 40), a, b);
  EXPECT_TRUE(RegionContainsPoint(Packed(35, 35), a));
  RegionSetRect(b, 0, 0, 50, 50);
  MoveRectBetweenRegions(MacRect(30, 30, 40, 40), a, b);
  EXPECT_FALSE(RegionContainsPoint(Packed(35, 35), b));
  EXPECT_FALSE(RegionContainsPoint(Packed(1, 1), nullptr));
  FreeRegion(a);
  FreeRegion(b);
  FreeRegion(out);
  FreeRegion(nullptr);
}

TEST_F(PortTest, APolygonRecordedWithoutLinesIsEmpty) {
  PolygonRec* polygon = OpenPolygon();
  EXPECT_EQ(GetCurrentPort()->penVisibility, -1);
  ClosePolygon();
  EXPECT_EQ(polygon->size, 12);
  EXPECT_EQ(PolygonPointCount(polygon), 0);
  EXPECT_EQ(GetCurrentPort()->penVisibility, 0);
  FreePolygon(polygon);
}

TEST_F(PortTest, RecordingCollectsLinePointsWithoutDrawing) {
  PolygonRec* polygon = OpenPolygon();
  PortMoveTo(10, 10);
  PortLineTo(20, 0);  // appends its start too, the polygon being empty
  RecordPolygonPoint(30, 30);
  RecordPolygonPoint(10, 30);
  RecordPolygonPoint(10, 10);
  ClosePolygon();
  EXPECT_EQ(polygon->size, 12 + 5 * 8);
  EXPECT_EQ(PolygonGetPoint(polygon, 1).x, 10);
  EXPECT_EQ(PolygonGetPoint(polygon, 2).x, 30);
  EXPECT_EQ(polygon->box, MacRect(10, 10, 30, 30));
  EXPECT_EQ(Count(RGB(255, 255, 255)), kWidth * kHeight);
  EXPECT_TRUE(PolygonContainsPoint(Packed(20, 20), polygon));
  EXPECT_FALSE(PolygonContainsPoint(Packed(5, 20), polygon));
  PortFramePolygon(polygon);
  EXPECT_EQ(At(10, 20), RGB(0, 0, 0));
  EXPECT_EQ(At(20, 20), RGB(255, 255, 255));
  PortFillPolygonPattern(polygon, 0);
  EXPECT_EQ(At(20, 20), RGB(0, 0, 0));
  PolygonOffset(polygon, 100, 0);
  EXPECT_EQ(polygon->box.left, 110);
  EXPECT_TRUE(PolygonContainsPoint(Packed(120, 20), polygon));
  PolygonSetPoint(polygon, 1, POINT{0, 0});
  EXPECT_EQ(PolygonGetPoint(polygon, 1).x, 0);
  EXPECT_EQ(PolygonGetPoint(polygon, 9).x, 0);  // out of range reads (0, 0)
  FreePolygon(polygon);
}

TEST_F(PortTest, PointInPolygonCountsTheOpenPathOnly) {
  // Three sides of a square: the missing fourth edge is not counted, so a point inside the
  // square still crosses one edge to its right (odd) and counts as inside.
  PolygonRec* polygon = OpenPolygon();
  PortMoveTo(0, 0);
  RecordPolygonPoint(40, 0);
  RecordPolygonPoint(40, 40);
  RecordPolygonPoint(0, 40);
  ClosePolygon();
  EXPECT_TRUE(PolygonContainsPoint(Packed(20, 20), polygon));
  FreePolygon(polygon);
  // A vertex level with the point counts as below it. A move adds no point: the relative line
  // puts in its start.
  polygon = OpenPolygon();
  PortMoveTo(10, 0);
  PortLineTo(10, 10);
  RecordPolygonPoint(10, 20);
  RecordPolygonPoint(0, 10);
  RecordPolygonPoint(10, 0);
  ClosePolygon();
  EXPECT_TRUE(PolygonContainsPoint(Packed(10, 10), polygon));
  EXPECT_FALSE(PolygonContainsPoint(Packed(19, 2), polygon));
  FreePolygon(polygon);
}

TEST_F(PortTest, PointInPolygonHoldsForLargeCoordinates) {
  // Doubling these coordinates leaves the 16-bit range; the test must still be exact.
  PolygonRec* polygon = OpenPolygon();
  PortMoveTo(-30000, -30000);
  RecordPolygonPoint(30001, -29999);
  RecordPolygonPoint(29999, 30000);
  RecordPolygonPoint(-30000, 29998);
  RecordPolygonPoint(-30000, -30000);
  ClosePolygon();
  EXPECT_TRUE(PolygonContainsPoint(Packed(0, 0), polygon));
  EXPECT_TRUE(PolygonContainsPoint(Packed(29990, 29990), polygon));
  EXPECT_TRUE(PolygonContainsPoint(Packed(-29990, 5), polygon));
  EXPECT_FALSE(PolygonContainsPoint(Packed(30000, -30000), polygon));
  FreePolygon(polygon);
}

TEST_F(PortTest, APolygonThatCannotSayItsSizeRaisesOutOfMemory) {
  PolygonRec* polygon = OpenPolygon();
  PortMoveTo(0, 0);
  try {
    for (int i = 0; i < 5000; ++i)
      RecordPolygonPoint(i % 60, i % 40);
    ADD_FAILURE() << "no failure raised";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
  EXPECT_EQ(polygon->size, 12 + 4094 * 8);
  ClosePolygon();
  FreePolygon(polygon);
}

}  // namespace
