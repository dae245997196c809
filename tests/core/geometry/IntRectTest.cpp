#include "core/geometry/IntRect.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Rectangles written as (top, left, bottom, right), the toolbox order.
QV_CRect TLBR(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  return QV_CRect(left, top, right, bottom);
}

TEST(IntPointTest, LayoutAndConversions) {
  const QV_CPoint p(7, 3);  // h 7, v 3
  EXPECT_EQ(p.v, 3);
  EXPECT_EQ(p[0], 3);
  EXPECT_EQ(p[1], 7);
  EXPECT_EQ(p.Component(5), 7);
  EXPECT_EQ(static_cast<uint32_t>(p.AsLong()), 0x00070003u) << "h in the high half";
  EXPECT_EQ(std::string(p.Dump()), "QV_CPoint(7, 3)");
  const POINT w = p.ToWinPoint();
  EXPECT_EQ(w.x, 7);
  EXPECT_EQ(w.y, 3);
  EXPECT_EQ(QV_CPoint(POINT{-2, 9}), QV_CPoint(-2, 9));
  static_assert(sizeof(QV_CPoint) == 4 && sizeof(QV_CRect) == 8);
}

TEST(IntPointTest, FourRotatingSlots) {
  POINT* slots[5];
  for (int16_t i = 0; i < 5; ++i)
    slots[i] = QV_CPoint(i, 0).ToWinPointRotating();
  for (int i = 1; i < 4; ++i)
    EXPECT_NE(slots[i], slots[0]);
  EXPECT_EQ(slots[4], slots[0]) << "the fifth call reuses the first slot";
  EXPECT_EQ(slots[1]->x, 1) << "earlier results survive three more calls";
  EXPECT_EQ(slots[0]->x, 4);
}

TEST(IntPointTest, ArithmeticAndPartialOrder) {
  QV_CPoint a(5, 1);
  const QV_CPoint b(3, 2);
  EXPECT_EQ(a + b, QV_CPoint(8, 3));
  EXPECT_EQ(a - b, QV_CPoint(2, -1));
  a -= b;
  EXPECT_EQ(a, QV_CPoint(2, -1));
  a += b;
  EXPECT_NE(a, b);
  // (v 1, h 5) and (v 2, h 3) are not ordered either way.
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(a > b);
  EXPECT_FALSE(a <= b);
  EXPECT_TRUE(QV_CPoint(1, 1) < QV_CPoint(2, 2));
  EXPECT_TRUE(QV_CPoint(2, 2) >= QV_CPoint(2, 1));
}

TEST(IntRectTest, IntersectionEmptiesOnlyDisjointRectangles) {
  const QV_CRect a = TLBR(0, 0, 10, 10);
  EXPECT_EQ(a & TLBR(5, 5, 20, 20), TLBR(5, 5, 10, 10));
  const QV_CRect touching = a & TLBR(10, 10, 20, 20);
  EXPECT_EQ(touching, TLBR(10, 10, 10, 10));
  EXPECT_TRUE(touching.IsEmpty());
  EXPECT_TRUE(touching.IsNormal());
  EXPECT_EQ(a & TLBR(20, 20, 30, 30), TLBR(0, 0, 0, 0));
  EXPECT_EQ(a | TLBR(20, 20, 30, 30), TLBR(0, 0, 30, 30));
  EXPECT_EQ(a | QV_CRect(), a) << "the union treats an empty rectangle like any other";
  EXPECT_EQ(TLBR(5, 5, 6, 6) | QV_CRect(), TLBR(0, 0, 6, 6));
}

TEST(IntRectTest, ContainsIsHalfOpen) {
  const QV_CRect r = TLBR(0, 0, 10, 20);
  EXPECT_TRUE(r.Contains(QV_CPoint(0, 0)));
  EXPECT_TRUE(r.Contains(QV_CPoint(19, 9)));
  EXPECT_FALSE(r.Contains(QV_CPoint(20, 10)));
  EXPECT_FALSE(r.Contains(QV_CPoint(20, 5)));
  EXPECT_FALSE(r.Contains(QV_CPoint(5, 10)));
  EXPECT_FALSE(r.ContainsRect(r)) << "the bottom-right corner is outside";
  EXPECT_TRUE(r.ContainsRect(TLBR(1, 1, 9, 19)));
}

TEST(IntRectTest, OffsetsInsetsAndSizes) {
  QV_CRect r = TLBR(10, 20, 30, 60);
  EXPECT_EQ(r + QV_CPoint(1, 2), TLBR(12, 21, 32, 61));
  EXPECT_EQ(r - QV_CPoint(1, 2), TLBR(8, 19, 28, 59));
  EXPECT_EQ(r.Extent(1), 40);
  EXPECT_EQ(r.Extent(0), 20);
  EXPECT_EQ(r.Size(), QV_CPoint(40, 20));
  r.Inset(QV_CPoint(5, 2));
  EXPECT_EQ(r, TLBR(12, 25, 28, 55));
  r.Inset(QV_CPoint(-5, -2));
  r.Offset(QV_CPoint(-20, -10));
  EXPECT_EQ(r, TLBR(0, 0, 20, 40));
  r.OffsetNeg(QV_CPoint(1, 1));
  EXPECT_EQ(r.Corner(0), QV_CPoint(-1, -1));
  EXPECT_EQ(r.Corner(1), QV_CPoint(39, 19));
  r.SetCorner(1, QV_CPoint(4, 3));
  EXPECT_EQ(r, TLBR(-1, -1, 3, 4));
  EXPECT_EQ(r + TLBR(1, 1, 1, 1), TLBR(0, 0, 4, 5));
  EXPECT_EQ(r - TLBR(1, 2, 3, 4), TLBR(-2, -3, 0, 0));
  // The extent of the widest rectangle does not wrap.
  EXPECT_EQ(QV_CRect(-32768, 0, 32767, 0).Extent(1), 65535);
}

TEST(IntRectTest, NormalizeAndConversions) {
  QV_CRect r = TLBR(10, 20, 0, 5);
  EXPECT_FALSE(r.IsNormal());
  EXPECT_TRUE(r.IsEmpty());
  r.Normalize();
  EXPECT_EQ(r, TLBR(0, 5, 10, 20));
  EXPECT_EQ(std::string(r.Dump()), "QV_CRect(5, 0, 20, 10)");
  const RECT w = r.ToWinRect();
  EXPECT_EQ(w.left, 5);
  EXPECT_EQ(w.top, 0);
  EXPECT_EQ(w.right, 20);
  EXPECT_EQ(w.bottom, 10);
  EXPECT_EQ(r.AsWinRect()->right, 20);
  EXPECT_EQ(QV_CRect(w), r);
  EXPECT_EQ(std::string(TLBR(-32768, -32768, 32767, 32767).Dump()),
            "QV_CRect(-32768, -32768, 32767, 32767)");
}

}  // namespace
