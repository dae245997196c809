// Pixel tests of the device context: the integer rules, raster operations, clipping, mapping and
// state keeping.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/platform/win32/GdiTestSupport.h"

namespace {

// The result of a binary raster operation from its truth table: bit (2p + d) of code - 1.
COLORREF Rop2ByTable(int32_t code, COLORREF pen, COLORREF dst) {
  COLORREF out = 0;
  for (int bit = 0; bit < 24; ++bit) {
    const int p = (pen >> bit) & 1;
    const int d = (dst >> bit) & 1;
    out |= static_cast<COLORREF>(((code - 1) >> (p * 2 + d)) & 1) << bit;
  }
  return out;
}

COLORREF Rop3ByTable(DWORD rop, COLORREF p, COLORREF s, COLORREF d) {
  COLORREF out = 0;
  for (int bit = 0; bit < 24; ++bit) {
    const int index = (((p >> bit) & 1) << 2) | (((s >> bit) & 1) << 1) | ((d >> bit) & 1);
    out |= static_cast<COLORREF>((rop >> (16 + index)) & 1) << bit;
  }
  return out;
}

TEST(DcLines, LineToLeavesOutTheEndPixel) {
  MemoryCanvas canvas(20, 20);
  MoveToEx(canvas.dc(), 2, 5, nullptr);
  LineTo(canvas.dc(), 10, 5);
  EXPECT_EQ(canvas.At(2, 5), kBlack);
  EXPECT_EQ(canvas.At(9, 5), kBlack);
  EXPECT_EQ(canvas.At(10, 5), kWhite);
  EXPECT_EQ(canvas.Count(kBlack), 8);
  POINT position;
  GetCurrentPositionEx(canvas.dc(), &position);
  EXPECT_EQ(position.x, 10);
  // A diagonal has one pixel per step of its longer axis.
  MoveToEx(canvas.dc(), 0, 10, nullptr);
  LineTo(canvas.dc(), 6, 13);
  EXPECT_EQ(canvas.Count(kBlack), 14);
  EXPECT_EQ(canvas.At(6, 13), kWhite);
}

TEST(DcLines, PolylineJoinsWithoutDoublePaintingUnderXor) {
  MemoryCanvas canvas(30, 30);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  SetROP2(canvas.dc(), R2_XORPEN);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x12, 0xF0, 0x0F));
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  const POINT path[] = {{2, 2}, {20, 4}, {25, 25}, {3, 20}};
  Polyline(canvas.dc(), path, 4);
  EXPECT_NE(canvas.Pixels(), before);
  Polyline(canvas.dc(), path, 4);
  EXPECT_EQ(canvas.Pixels(), before);
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
}

TEST(DcLines, DashedPenLeavesGapsOrFillsThemWhenOpaque) {
  MemoryCanvas canvas(60, 4);
  HPEN pen = CreatePen(PS_DASH, 1, kRed);
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  SetBkMode(canvas.dc(), TRANSPARENT);
  MoveToEx(canvas.dc(), 0, 1, nullptr);
  LineTo(canvas.dc(), 48, 1);
  EXPECT_EQ(canvas.At(0, 1), kRed);
  EXPECT_EQ(canvas.At(20, 1), kWhite);  // in the first gap
  EXPECT_EQ(canvas.At(30, 1), kRed);
  SetBkMode(canvas.dc(), OPAQUE);
  SetBkColor(canvas.dc(), kBlue);
  MoveToEx(canvas.dc(), 0, 2, nullptr);
  LineTo(canvas.dc(), 48, 2);
  EXPECT_EQ(canvas.At(20, 2), kBlue);
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
}

TEST(DcShapes, RectangleExcludesRightAndBottomEdges) {
  MemoryCanvas canvas(20, 20);
  HBRUSH brush = CreateSolidBrush(kRed);
  HGDIOBJ old = SelectObject(canvas.dc(), brush);
  Rectangle(canvas.dc(), 2, 3, 12, 10);
  EXPECT_EQ(canvas.At(2, 3), kBlack);
  EXPECT_EQ(canvas.At(11, 9), kBlack);
  EXPECT_EQ(canvas.At(12, 5), kWhite);
  EXPECT_EQ(canvas.At(5, 10), kWhite);
  EXPECT_EQ(canvas.At(5, 5), kRed);
  EXPECT_EQ(canvas.Count(kBlack) + canvas.Count(kRed), 10 * 7);
  // Without a pen the filled area is one pixel smaller each way.
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  Rectangle(canvas.dc(), 14, 14, 18, 18);
  EXPECT_EQ(canvas.At(16, 16), kRed);
  EXPECT_EQ(canvas.At(17, 16), kWhite);
  SelectObject(canvas.dc(), old);
  DeleteObject(brush);
}

TEST(DcShapes, FillRectFrameRectAndInvertRect) {
  MemoryCanvas canvas(20, 20);
  HBRUSH brush = CreateSolidBrush(kBlue);
  RECT r{4, 4, 8, 9};
  FillRect(canvas.dc(), &r, brush);
  EXPECT_EQ(canvas.Count(kBlue), 4 * 5);
  EXPECT_EQ(canvas.At(8, 4), kWhite);
  RECT frame{10, 10, 16, 15};
  FrameRect(canvas.dc(), &frame, brush);
  EXPECT_EQ(canvas.Count(kBlue), 20 + 2 * 6 + 2 * 3);
  InvertRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 0));
  InvertRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.At(5, 5), kBlue);
  DeleteObject(brush);
}

TEST(DcShapes, EllipseStaysInsideItsBoxAndIsSymmetric) {
  MemoryCanvas canvas(30, 30);
  HBRUSH brush = CreateSolidBrush(kRed);
  HGDIOBJ old = SelectObject(canvas.dc(), brush);
  Ellipse(canvas.dc(), 5, 5, 25, 19);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      if (x < 5 || x >= 25 || y < 5 || y >= 19) {
        ASSERT_EQ(canvas.At(x, y), kWhite);
      }
      ASSERT_EQ(canvas.At(x, y), canvas.At(29 - x, y)) << x << "," << y;  // box centre x 15
    }
  }
  EXPECT_EQ(canvas.At(15, 12), kRed);
  EXPECT_EQ(canvas.At(15, 5), kBlack);
  EXPECT_EQ(canvas.At(5, 12), kBlack);
  SelectObject(canvas.dc(), old);
  DeleteObject(brush);
}

TEST(DcShapes, PolygonFillModes) {
  MemoryCanvas canvas(40, 40);
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
  // A five-pointed star drawn in one stroke: its centre is covered twice.
  const POINT star[] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
  Polygon(canvas.dc(), star, 5);
  EXPECT_EQ(canvas.At(20, 20), kWhite);
  EXPECT_EQ(canvas.At(20, 8), kBlack);
  SetPolyFillMode(canvas.dc(), WINDING);
  Polygon(canvas.dc(), star, 5);
  EXPECT_EQ(canvas.At(20, 20), kBlack);
  // A square polygon fills like a rectangle: right and bottom edges out.
  MemoryCanvas square(10, 10);
  SelectObject(square.dc(), GetStockObject(NULL_PEN));
  SelectObject(square.dc(), GetStockObject(BLACK_BRUSH));
  const POINT box[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  Polygon(square.dc(), box, 4);
  EXPECT_EQ(square.Count(kBlack), 16);
}

TEST(DcRop2, AllSixteenModesFollowTheirTruthTables) {
  const COLORREF pen = RGB(0xF0, 0x3C, 0xA5);
  const COLORREF dst = RGB(0xCC, 0x55, 0x0F);
  for (int32_t mode = R2_BLACK; mode <= R2_WHITE; ++mode) {
    MemoryCanvas canvas(4, 4, dst);
    SetROP2(canvas.dc(), mode);
    SetPixel(canvas.dc(), 0, 0, dst);
    HBRUSH brush = CreateSolidBrush(pen);
    SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    HGDIOBJ old = SelectObject(canvas.dc(), brush);
    const DrawWork before = LookupDC(canvas.dc())->work;
    Rectangle(canvas.dc(), 0, 0, 3, 3);  // fills 2x2 without a pen
    EXPECT_EQ(canvas.At(1, 1), Rop2ByTable(mode, pen, dst)) << "mode " << mode;
    EXPECT_EQ(canvas.At(2, 2), dst);
    // Counted as mixing with the destination exactly when the result depends on it.
    const DrawWork& after = LookupDC(canvas.dc())->work;
    const bool mixes = Rop2ByTable(mode, pen, dst) != Rop2ByTable(mode, pen, dst ^ 0xFFFFFF);
    EXPECT_EQ(after.paints - before.paints, 1) << "mode " << mode;
    EXPECT_EQ(after.mixingPaints - before.mixingPaints, mixes ? 1 : 0) << "mode " << mode;
    SelectObject(canvas.dc(), old);
    DeleteObject(brush);
  }
}

TEST(DcRop2, XorDrawingTwiceRestoresEveryPixel) {
  MemoryCanvas canvas(64, 64);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  HDC dc = canvas.dc();
  SetROP2(dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(0x5A, 0xA5, 0x3C));
  HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(0x81, 0x18, 0x42));
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  const POINT tri[] = {{5, 60}, {30, 2}, {60, 50}};
  for (int pass = 0; pass < 2; ++pass) {
    Ellipse(dc, 3, 3, 40, 30);
    Rectangle(dc, 10, 20, 50, 60);
    RoundRect(dc, 20, 5, 60, 35, 12, 10);
    Polygon(dc, tri, 3);
    Pie(dc, 0, 0, 50, 50, 50, 25, 25, 0);
    MoveToEx(dc, 0, 63, nullptr);
    LineTo(dc, 63, 0);
  }
  EXPECT_EQ(canvas.Pixels(), before);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(DcBlit, GeneralRasterOperationsMatchTheTruthTable) {
  const COLORREF pattern = RGB(0x0F, 0xF0, 0x33);
  const COLORREF source = RGB(0x55, 0xAA, 0xC3);
  const COLORREF dest = RGB(0x3C, 0x96, 0x69);
  for (DWORD rop : {SRCCOPY, SRCAND, SRCINVERT, SRCPAINT, SRCERASE, NOTSRCCOPY, MERGECOPY,
                    MERGEPAINT, PATINVERT, DSTINVERT, 0x00B8074Au, 0x00E20746u, 0x001C0000u}) {
    MemoryCanvas from(4, 4, source);
    MemoryCanvas to(4, 4, dest);
    HBRUSH brush = CreateSolidBrush(pattern);
    HGDIOBJ old = SelectObject(to.dc(), brush);
    const DrawWork before = LookupDC(to.dc())->work;
    BitBlt(to.dc(), 1, 1, 2, 2, from.dc(), 0, 0, rop);
    EXPECT_EQ(to.At(1, 1), Rop3ByTable(rop, pattern, source, dest)) << std::hex << rop;
    EXPECT_EQ(to.At(3, 3), dest);
    const bool mixes = Rop3ByTable(rop, pattern, source, dest) !=
                       Rop3ByTable(rop, pattern, source, dest ^ 0xFFFFFF);
    EXPECT_EQ(LookupDC(to.dc())->work.mixingPaints - before.mixingPaints, mixes ? 1 : 0)
        << std::hex << rop;
    SelectObject(to.dc(), old);
    DeleteObject(brush);
  }
}

// A copy one for one, as the off-screen buffers are copied, takes each pixel from its place in the
// source, only inside the clip, and reads white beyond the source's edge; a copy within one
// surface that overlaps itself reads the source as it was before.
TEST(DcBlit, PlainCopiesFollowTheClipTheSourceEdgeAndOverlap) {
  MemoryCanvas source(24, 20);
  source.Scramble();
  MemoryCanvas canvas(30, 30);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  HRGN clip = CreateRectRgn(0, 0, 12, 30);
  HRGN second = CreateRectRgn(16, 4, 30, 10);
  CombineRgn(clip, clip, second, RGN_OR);
  SelectClipRgn(canvas.dc(), clip);
  BitBlt(canvas.dc(), 2, 3, 26, 22, source.dc(), 4, 1, SRCCOPY);
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 30; ++x) {
      const bool inClip = x < 12 || (x >= 16 && y >= 4 && y < 10);
      const bool inBlit = x >= 2 && x < 28 && y >= 3 && y < 25;
      COLORREF expected = before[static_cast<size_t>(y * 30 + x)];
      if (inClip && inBlit) {
        const int32_t sx = x - 2 + 4;
        const int32_t sy = y - 3 + 1;
        expected = sx < 24 && sy < 20 ? source.At(sx, sy) : kWhite;
      }
      ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
  }
  SelectClipRgn(canvas.dc(), nullptr);
  DeleteObject(clip);
  DeleteObject(second);
  // Within one surface, shifted down and right by one over itself.
  const std::vector<COLORREF> shifted = canvas.Pixels();
  BitBlt(canvas.dc(), 1, 1, 20, 20, canvas.dc(), 0, 0, SRCCOPY);
  for (int32_t y = 1; y < 21; ++y) {
    for (int32_t x = 1; x < 21; ++x)
      ASSERT_EQ(canvas.At(x, y), shifted[static_cast<size_t>((y - 1) * 30 + x - 1)]) << x << "," << y;
  }
}

// A polygon with a hollow brush leaves its inside alone; with a dashed pen drawn opaque over a
// brush, the dashes take the pen, the gaps the background colour and the inside the brush.
TEST(DcShapes, PolygonOutlinesWithHollowBrushesAndDashedPens) {
  MemoryCanvas canvas(40, 40);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  const POINT box[] = {{4, 4}, {34, 4}, {34, 30}, {4, 30}};
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
  Polygon(canvas.dc(), box, 4);
  EXPECT_EQ(canvas.At(4, 4), kBlack);
  EXPECT_EQ(canvas.At(20, 30), kBlack);
  for (int32_t y = 5; y < 30; ++y) {
    for (int32_t x = 5; x < 34; ++x) ASSERT_EQ(canvas.At(x, y), before[static_cast<size_t>(y * 40 + x)]);
  }
  HPEN dashed = CreatePen(PS_DASH, 1, kRed);
  HBRUSH brush = CreateSolidBrush(kBlue);
  SelectObject(canvas.dc(), dashed);
  SelectObject(canvas.dc(), brush);
  SetBkMode(canvas.dc(), OPAQUE);
  SetBkColor(canvas.dc(), RGB(0, 255, 0));
  Polygon(canvas.dc(), box, 4);
  // The top edge: 18 pixels of dash, then 6 of gap.
  EXPECT_EQ(canvas.At(4, 4), kRed);
  EXPECT_EQ(canvas.At(21, 4), kRed);
  EXPECT_EQ(canvas.At(22, 4), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(27, 4), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(20, 20), kBlue);
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(dashed);
  DeleteObject(brush);
}

TEST(DcShapes, ARectangleWithADashedPenShowsItsGapsAndInvertsBackWhenDrawnTwice) {
  MemoryCanvas canvas(40, 40);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  HPEN dashed = CreatePen(PS_DASH, 1, kBlack);
  SelectObject(canvas.dc(), dashed);
  SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetROP2(canvas.dc(), R2_NOTXORPEN);
  Rectangle(canvas.dc(), 4, 4, 35, 31);
  // The top edge: 18 pixels of dash, then 6 of gap; inside, nothing.
  EXPECT_NE(canvas.At(21, 4), before[4 * 40 + 21]);
  EXPECT_EQ(canvas.At(22, 4), before[4 * 40 + 22]);
  EXPECT_EQ(canvas.At(27, 4), before[4 * 40 + 27]);
  EXPECT_EQ(canvas.At(20, 20), before[20 * 40 + 20]);
  Rectangle(canvas.dc(), 4, 4, 35, 31);
  EXPECT_EQ(canvas.Pixels(), before);
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(dashed);
}

TEST(DcBlit, PatBltWhitenessBlacknessAndStretching) {
  MemoryCanvas canvas(10, 10, kRed);
  PatBlt(canvas.dc(), 0, 0, 5, 10, BLACKNESS);
  PatBlt(canvas.dc(), 5, 0, 5, 5, WHITENESS);
  EXPECT_EQ(canvas.At(4, 9), kBlack);
  EXPECT_EQ(canvas.At(9, 4), kWhite);
  EXPECT_EQ(canvas.At(9, 5), kRed);

  MemoryCanvas small(2, 2);
  SetPixel(small.dc(), 0, 0, kBlue);
  MemoryCanvas big(8, 8);
  StretchBlt(big.dc(), 0, 0, 4, 4, small.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(big.Count(kBlue), 4);
  EXPECT_EQ(big.At(1, 1), kBlue);
  EXPECT_EQ(big.At(2, 2), kWhite);
  // A negative width mirrors.
  StretchBlt(big.dc(), 8, 4, -4, 4, small.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(big.At(7, 4), kBlue);
  EXPECT_EQ(big.At(4, 4), kWhite);
}

TEST(DcBlit, MonochromeBitmapsTakeTextAndBackgroundColours) {
  const uint8_t bits[] = {0x80, 0, 0x00, 0};  // 2 rows of 2 pixels: one white pixel
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, bits);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, mono);
  MemoryCanvas canvas(4, 4);
  SetTextColor(canvas.dc(), kRed);
  SetBkColor(canvas.dc(), kBlue);
  BitBlt(canvas.dc(), 0, 0, 2, 2, source, 0, 0, SRCCOPY);
  EXPECT_EQ(canvas.At(0, 0), kBlue);  // white bits take the background colour
  EXPECT_EQ(canvas.At(1, 0), kRed);
  // A bitmap compatible with a context still holding its first bitmap is monochrome.
  HBITMAP compatible = CreateCompatibleBitmap(source, 4, 4);
  BITMAP info;
  GetObject(compatible, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  DeleteObject(compatible);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(mono);
}

TEST(DcBrushes, PatternAndHatchBrushesFollowTheBrushOrigin) {
  const uint8_t bits[] = {0x7F, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};
  HBITMAP mono = CreateBitmap(8, 8, 1, 1, bits);  // one black pixel at (0, 0)
  HBRUSH pattern = CreatePatternBrush(mono);
  MemoryCanvas canvas(16, 16);
  SetTextColor(canvas.dc(), kRed);
  RECT all{0, 0, 16, 16};
  FillRect(canvas.dc(), &all, pattern);
  EXPECT_EQ(canvas.At(0, 0), kRed);
  EXPECT_EQ(canvas.At(8, 8), kRed);
  EXPECT_EQ(canvas.Count(kRed), 4);
  SetBrushOrgEx(canvas.dc(), 3, 2, nullptr);
  FillRect(canvas.dc(), &all, pattern);
  EXPECT_EQ(canvas.At(3, 2), kRed);
  EXPECT_EQ(canvas.At(0, 0), kWhite);

  HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, kBlue);
  MemoryCanvas lined(8, 8, kRed);
  SetBkMode(lined.dc(), TRANSPARENT);
  RECT box{0, 0, 8, 8};
  FillRect(lined.dc(), &box, hatch);
  EXPECT_EQ(lined.Count(kBlue), 8);
  EXPECT_EQ(lined.Count(kRed), 56);
  SetBkMode(lined.dc(), OPAQUE);
  FillRect(lined.dc(), &box, hatch);
  EXPECT_EQ(lined.Count(kWhite), 56);
  DeleteObject(hatch);
  DeleteObject(pattern);
  DeleteObject(mono);
}

TEST(DcClipping, ClipRectanglesAndRegions) {
  MemoryCanvas canvas(20, 20);
  HDC dc = canvas.dc();
  IntersectClipRect(dc, 2, 2, 18, 18);
  ExcludeClipRect(dc, 5, 5, 10, 10);
  RECT all{0, 0, 20, 20};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(canvas.At(1, 1), kWhite);
  EXPECT_EQ(canvas.At(2, 2), kBlack);
  EXPECT_EQ(canvas.At(7, 7), kWhite);
  EXPECT_EQ(canvas.At(18, 18), kWhite);
  EXPECT_EQ(canvas.Count(kBlack), 16 * 16 - 25);
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.right, 18);

  // Selecting a region answers its kind, not an object.
  HRGN square = CreateRectRgn(0, 0, 20, 20);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(SelectObject(dc, square)),
            static_cast<uintptr_t>(SIMPLEREGION));
  DeleteObject(square);
  HRGN round = CreateEllipticRgn(0, 0, 20, 20);
  EXPECT_EQ(SelectClipRgn(dc, round), SIMPLEREGION + 1);  // an ellipse is many rectangles
  DeleteObject(round);                                    // the context keeps its own copy
  PatBlt(dc, 0, 0, 20, 20, WHITENESS);
  EXPECT_EQ(canvas.At(7, 7), kWhite);
  EXPECT_EQ(canvas.At(2, 2), kBlack);  // outside the ellipse, untouched
  SelectClipRgn(dc, nullptr);
  PatBlt(dc, 0, 0, 20, 20, WHITENESS);
  EXPECT_EQ(canvas.Count(kWhite), 400);
  // Taking a region away from no clip leaves everything else visible.
  HRGN hole = CreateRectRgn(5, 5, 10, 10);
  ExtSelectClipRgn(dc, hole, RGN_DIFF);
  DeleteObject(hole);
  PatBlt(dc, 0, 0, 20, 20, BLACKNESS);
  EXPECT_EQ(canvas.Count(kWhite), 25);

  // The clip follows the bitmap selected: a larger one is painted whole.
  SelectClipRgn(dc, nullptr);
  HBITMAP small = CreateCompatibleBitmap(nullptr, 6, 6);
  HGDIOBJ mine = SelectObject(dc, small);
  PatBlt(dc, 0, 0, 20, 20, BLACKNESS);
  SelectObject(dc, mine);
  DeleteObject(small);
  PatBlt(dc, 0, 0, 20, 20, BLACKNESS);
  EXPECT_EQ(canvas.Count(kBlack), 400);
}

TEST(DcState, SelectObjectSaveDcAndRestoreDc) {
  MemoryCanvas canvas(10, 10);
  HDC dc = canvas.dc();
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  EXPECT_EQ(SelectObject(dc, red), GetStockObject(BLACK_PEN));
  const int32_t level = SaveDC(dc);
  EXPECT_EQ(level, 1);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  SetTextColor(dc, kBlue);
  SetROP2(dc, R2_XORPEN);
  IntersectClipRect(dc, 0, 0, 1, 1);
  EXPECT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), red);
  EXPECT_EQ(GetTextColor(dc), kBlack);
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  EXPECT_FALSE(RestoreDC(dc, -1));  // nothing saved any more
  // A pen deleted while selected keeps drawing until it is replaced, then it is gone.
  const size_t objects = CountGdiObjects();
  EXPECT_TRUE(DeleteObject(red));
  MoveToEx(dc, 0, 5, nullptr);
  LineTo(dc, 5, 5);
  EXPECT_EQ(canvas.At(2, 5), kRed);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  EXPECT_EQ(CountGdiObjects(), objects - 1);
  EXPECT_EQ(GetObjectType(red), 0u);
  EXPECT_FALSE(DeleteObject(red));
}

TEST(DcMapping, OriginsAndExtentsMoveAndScaleDrawing) {
  MemoryCanvas canvas(40, 40);
  HDC dc = canvas.dc();
  SetViewportOrgEx(dc, 10, 10, nullptr);
  SetPixel(dc, 0, 0, kRed);
  EXPECT_EQ(canvas.At(10, 10), kRed);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 1, 1, nullptr);
  SetViewportExtEx(dc, 2, 3, nullptr);
  RECT r{0, 0, 5, 5};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(canvas.Count(kBlack), 10 * 15);
  POINT p{5, 5};
  LPtoDP(dc, &p, 1);
  EXPECT_EQ(p.x, 20);
  EXPECT_EQ(p.y, 25);
  DPtoLP(dc, &p, 1);
  EXPECT_EQ(p.x, 5);
  // Isotropic keeps one scale on both axes.
  SetMapMode(dc, MM_ISOTROPIC);
  SetWindowExtEx(dc, 100, 100, nullptr);
  SetViewportExtEx(dc, 50, 20, nullptr);
  SIZE extent;
  GetViewportExtEx(dc, &extent);
  EXPECT_EQ(extent.cx, 20);
  EXPECT_EQ(extent.cy, 20);
}

// Regions are filled, framed and inverted in logical coordinates, as rectangles are.
TEST(DcMapping, RegionFillsFollowTheOriginsAsRectangleFillsDo) {
  MemoryCanvas byRegion(40, 40), byRect(40, 40);
  const RECT r{2, 3, 9, 7};
  HRGN region = CreateRectRgn(r.left, r.top, r.right, r.bottom);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  for (HDC dc : {byRegion.dc(), byRect.dc()}) {
    SetViewportOrgEx(dc, 20, 12, nullptr);
    SetWindowOrgEx(dc, 3, 1, nullptr);
  }
  FillRgn(byRegion.dc(), region, black);
  FillRect(byRect.dc(), &r, black);
  EXPECT_EQ(byRegion.Pixels(), byRect.Pixels());
  InvertRgn(byRegion.dc(), region);
  InvertRect(byRect.dc(), &r);
  EXPECT_EQ(byRegion.Pixels(), byRect.Pixels());
  FrameRgn(byRegion.dc(), region, black, 1, 1);
  FrameRect(byRect.dc(), &r, black);
  EXPECT_EQ(byRegion.Pixels(), byRect.Pixels());
  EXPECT_EQ(byRegion.At(19, 14), kBlack);
  DeleteObject(region);
}

TEST(DcMapping, MetricModesConvertThroughTheResolution) {
  MemoryCanvas canvas(10, 10);
  SetMapMode(canvas.dc(), MM_HIMETRIC);
  POINT p{2540, -5080};  // one inch right, two inches down (y grows upwards)
  LPtoDP(canvas.dc(), &p, 1);
  EXPECT_EQ(p.x, GetDeviceCaps(canvas.dc(), LOGPIXELSX));
  EXPECT_EQ(p.y, 2 * GetDeviceCaps(canvas.dc(), LOGPIXELSY));
  SetMapMode(canvas.dc(), MM_TEXT);
  p = POINT{7, 8};
  LPtoDP(canvas.dc(), &p, 1);
  EXPECT_EQ(p.x, 7);
}

TEST(DcShapes, ArcsRunCounterClockwiseFromStartToEnd) {
  MemoryCanvas canvas(41, 41);
  // From the ray to the right round to the ray upwards: the upper right quarter.
  Arc(canvas.dc(), 0, 0, 40, 40, 40, 20, 20, 0);
  EXPECT_GT(canvas.Count(kBlack), 20);
  for (int y = 0; y < 41; ++y) {
    for (int x = 0; x < 41; ++x) {
      if (canvas.At(x, y) != kBlack) continue;
      EXPECT_GE(x, 19) << x << "," << y;
      EXPECT_LE(y, 21) << x << "," << y;
    }
  }
}

TEST(DcLines, ADashedPenInTransparentModeLeavesItsGapsUntouched) {
  MemoryCanvas canvas(80, 8);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  HPEN dash = CreatePen(PS_DASH, 1, kRed);  // 18 on, 6 off
  HPEN dot = CreatePen(PS_DOT, 1, kBlue);   // 3 on, 3 off
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetBkColor(canvas.dc(), RGB(1, 2, 3));
  HGDIOBJ old = SelectObject(canvas.dc(), dash);
  MoveToEx(canvas.dc(), 0, 2, nullptr);
  LineTo(canvas.dc(), 72, 2);
  SelectObject(canvas.dc(), dot);
  MoveToEx(canvas.dc(), 1, 0, nullptr);
  LineTo(canvas.dc(), 8, 7);
  for (int32_t y = 0; y < 8; ++y) {
    for (int32_t x = 0; x < 80; ++x) {
      COLORREF expected = before[static_cast<size_t>(y * 80 + x)];
      if (y == 2 && x < 72 && x % 24 < 18) expected = kRed;
      if (x == y + 1 && y < 7 && y % 6 < 3) expected = kBlue;
      ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
  }
  SelectObject(canvas.dc(), old);
  DeleteObject(dash);
  DeleteObject(dot);
}

// Where a pixel centre lies against the ellipse of the box 5, 3, 65, 35 (centre 35, 19, radii
// 30 and 16): on its one-pixel outline, inside it, or outside.
constexpr double kCx = 35, kCy = 19, kRx = 30, kRy = 16;
double EllipseMeasure(int32_t x, int32_t y, double inset) {
  const double dx = (x + 0.5 - kCx) / (kRx - inset);
  const double dy = (y + 0.5 - kCy) / (kRy - inset);
  return dx * dx + dy * dy;
}
bool OnOutline(int32_t x, int32_t y) {
  return EllipseMeasure(x, y, -0.25) <= 1.0 && EllipseMeasure(x, y, 1.75) >= 1.0;
}

TEST(DcShapes, ArcPieAndChordPutTheirPixelsOnTheEllipseOfTheirBox) {
  HBRUSH brush = CreateSolidBrush(kRed);
  // A whole ellipse: every outline pixel lies on it, and every point of it has a pixel.
  MemoryCanvas arc(70, 40);
  Arc(arc.dc(), 5, 3, 65, 35, 65, 19, 65, 19);
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 70; ++x) {
      if (arc.At(x, y) != kBlack) continue;
      ASSERT_TRUE(OnOutline(x, y)) << x << "," << y;
    }
  }
  for (int degrees = 0; degrees < 360; degrees += 5) {
    const double t = degrees * 3.14159265358979 / 180;
    const auto x = static_cast<int32_t>(kCx + (kRx - 0.5) * std::cos(t));
    const auto y = static_cast<int32_t>(kCy + (kRy - 0.5) * std::sin(t));
    int found = 0;
    for (int32_t j = -1; j <= 1; ++j) {
      for (int32_t i = -1; i <= 1; ++i)
        found += arc.At(x + i, y + j) == kBlack;
    }
    EXPECT_GT(found, 0) << degrees;
  }
  // The upper right quarter as a pie: its arc, the two radii to the centre, the brush inside.
  MemoryCanvas pie(70, 40);
  SelectObject(pie.dc(), brush);
  Pie(pie.dc(), 5, 3, 65, 35, 65, 19, 35, 3);
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 70; ++x) {
      if (pie.At(x, y) != kBlack) continue;
      const bool onArc = OnOutline(x, y) && x >= kCx - 1 && y <= kCy;
      const bool onRadius = (std::abs(y + 0.5 - kCy) <= 1 && x >= kCx - 1) ||
                            (std::abs(x + 0.5 - kCx) <= 1 && y <= kCy);
      ASSERT_TRUE(onArc || onRadius) << x << "," << y;
    }
  }
  EXPECT_EQ(pie.At(45, 14), kRed);
  EXPECT_EQ(pie.At(25, 24), kWhite);
  EXPECT_EQ(pie.At(64, 18), kBlack);  // where the arc meets the box
  // The same quarter as a chord: the arc and the straight line joining its ends.
  MemoryCanvas chord(70, 40);
  SelectObject(chord.dc(), brush);
  Chord(chord.dc(), 5, 3, 65, 35, 65, 19, 35, 3);
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 70; ++x) {
      if (chord.At(x, y) != kBlack) continue;
      const double u = (x + 0.5 - kCx) / kRx;
      const double v = (kCy - y - 0.5) / kRy;
      const bool onArc = OnOutline(x, y) && u >= -0.05 && v >= -0.1;
      const bool onLine = std::abs(u + v - 1.0) * kRy <= 1.2 && u >= -0.05 && v >= -0.1;
      ASSERT_TRUE(onArc || onLine) << x << "," << y;
    }
  }
  EXPECT_EQ(chord.At(59, 12), kRed);    // between the chord and the arc
  EXPECT_EQ(chord.At(44, 14), kWhite);  // on the centre's side of the chord
  DeleteObject(brush);
}

TEST(DcSurface, AWindowContextDrawsAtItsOriginInsideItsVisibleRegion) {
  cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 50, 50);
  const RegionData visible = RegionData::Rect(10, 10, 30, 30);
  HDC dc = CreateSurfaceDC(screen, POINT{10, 10}, &visible);
  ASSERT_NE(dc, nullptr);
  RECT client{0, 0, 40, 40};
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  cairo_surface_flush(screen);
  const auto* data = cairo_image_surface_get_data(screen);
  const int stride = cairo_image_surface_get_stride(screen);
  auto at = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4) & 0xFFFFFF;
  };
  EXPECT_EQ(at(10, 10), 0xFFFFFFu);
  EXPECT_EQ(at(29, 29), 0xFFFFFFu);
  EXPECT_EQ(at(30, 30), 0u);
  EXPECT_EQ(at(5, 5), 0u);
  EXPECT_EQ(GetPixel(dc, 0, 0), kWhite);
  // The window moves: the same client drawing lands elsewhere.
  SetSurfaceDCOrigin(dc, POINT{0, 30}, nullptr);
  SetPixel(dc, 2, 2, kRed);
  cairo_surface_flush(screen);
  EXPECT_EQ(at(2, 32), 0xFF0000u);
  EXPECT_EQ(GetPixel(dc, 2, 2), kRed);
  DeleteDC(dc);
  cairo_surface_destroy(screen);
}

TEST(DcHandles, StaleAndForeignHandlesAreRefused) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBRUSH brush = CreateSolidBrush(kRed);
  DeleteObject(brush);
  EXPECT_EQ(SelectObject(dc, brush), nullptr);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(dc)), nullptr);
  DeleteDC(dc);
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(SetTextColor(dc, kRed), CLR_INVALID);
  EXPECT_FALSE(Rectangle(dc, 0, 0, 1, 1));
}

}  // namespace
