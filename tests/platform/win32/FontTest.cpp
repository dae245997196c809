// Text drawn and measured with the installed faces.

#include <cstring>

#include <gtest/gtest.h>

#include "tests/platform/win32/GdiTestSupport.h"

namespace {

HFONT MakeFont(const char* face, int32_t height, int32_t weight = FW_NORMAL, bool italic = false) {
  LOGFONT log;
  log.lfHeight = height;
  log.lfWeight = weight;
  log.lfItalic = italic ? 1 : 0;
  std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&log);
}

TEST(Font, FaceNamesResolveToInstalledFaces) {
  HFONT sans = MakeFont("Sans Serif", -12);
  HFONT serif = MakeFont("Serif", -12);
  HFONT liberation = MakeFont("Liberation Serif", -12);
  EXPECT_EQ(ResolvedFontFamily(sans), "DejaVu Sans");
  EXPECT_EQ(ResolvedFontFamily(serif), "DejaVu Serif");
  EXPECT_EQ(ResolvedFontFamily(liberation), "Liberation Serif");
  DeleteObject(sans);
  DeleteObject(serif);
  DeleteObject(liberation);
}

TEST(Font, MetricsAndExtentsFollowHeightWeightAndLength) {
  MemoryCanvas canvas(10, 10);
  HFONT small = MakeFont("Sans Serif", -10);
  HFONT large = MakeFont("Sans Serif", -20);
  HFONT bold = MakeFont("Sans Serif", -20, FW_BOLD);
  HGDIOBJ old = SelectObject(canvas.dc(), small);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(canvas.dc(), &tm));
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  EXPECT_GE(tm.tmHeight, 10);
  EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
  SIZE shortText, longText;
  GetTextExtentPoint32(canvas.dc(), "Hello", 5, &shortText);
  GetTextExtentPoint32(canvas.dc(), "Hello, world", 12, &longText);
  EXPECT_GT(longText.cx, shortText.cx);
  EXPECT_EQ(shortText.cy, tm.tmHeight);
  SelectObject(canvas.dc(), large);
  SIZE largeText;
  GetTextExtentPoint32(canvas.dc(), "Hello", 5, &largeText);
  EXPECT_GT(largeText.cx, shortText.cx * 3 / 2);
  SelectObject(canvas.dc(), bold);
  SIZE boldText;
  GetTextExtentPoint32(canvas.dc(), "Hello", 5, &boldText);
  EXPECT_GT(boldText.cx, largeText.cx);
  SelectObject(canvas.dc(), old);
  DeleteObject(small);
  DeleteObject(large);
  DeleteObject(bold);
}

TEST(Font, APositiveHeightAsksForTheCellHeight) {
  MemoryCanvas canvas(10, 10);
  for (int32_t height : {12, 20, 33}) {
    HFONT font = MakeFont("Sans Serif", height);
    HGDIOBJ old = SelectObject(canvas.dc(), font);
    TEXTMETRIC tm;
    GetTextMetrics(canvas.dc(), &tm);
    EXPECT_NEAR(tm.tmHeight, height, 2) << height;
    SelectObject(canvas.dc(), old);
    DeleteObject(font);
  }
}

TEST(Font, TextDrawsInTheTextColourInsideItsCell) {
  MemoryCanvas canvas(120, 40);
  HFONT font = MakeFont("Sans Serif", -16);
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SetTextColor(canvas.dc(), kRed);
  SetBkMode(canvas.dc(), TRANSPARENT);
  TextOut(canvas.dc(), 10, 5, "Wall", 4);
  SIZE extent;
  GetTextExtentPoint32(canvas.dc(), "Wall", 4, &extent);
  int red = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) {
      const COLORREF c = canvas.At(x, y);
      EXPECT_TRUE(c == kRed || c == kWhite) << "antialiased pixel at " << x << "," << y;
      if (c != kRed) continue;
      ++red;
      EXPECT_GE(x, 10);
      EXPECT_LT(x, 10 + extent.cx + 2);
      EXPECT_GE(y, 5);
      EXPECT_LT(y, 5 + extent.cy);
    }
  }
  EXPECT_GT(red, 30);
  // Opaque mode fills the cell with the background colour first.
  SetBkMode(canvas.dc(), OPAQUE);
  SetBkColor(canvas.dc(), kBlue);
  TextOut(canvas.dc(), 10, 5, "Wall", 4);
  EXPECT_GT(canvas.Count(kBlue), extent.cx * extent.cy / 2);
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
}

TEST(Font, BaselineAlignmentWithUpdateMovesThePenToTheEndOfTheText) {
  MemoryCanvas canvas(200, 40);
  HFONT font = MakeFont("Sans Serif", -14);
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SetTextAlign(canvas.dc(), TA_BASELINE | TA_UPDATECP);
  MoveToEx(canvas.dc(), 20, 30, nullptr);
  TextOut(canvas.dc(), 0, 0, "Text", 4);
  SIZE extent;
  GetTextExtentPoint32(canvas.dc(), "Text", 4, &extent);
  POINT position;
  GetCurrentPositionEx(canvas.dc(), &position);
  EXPECT_EQ(position.x, 20 + extent.cx);
  EXPECT_EQ(position.y, 30);
  // Nothing of "Text" hangs below its baseline.
  for (int x = 0; x < 200; ++x)
    EXPECT_EQ(canvas.At(x, 31), kWhite);
  EXPECT_GT(canvas.Count(kBlack), 20);
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
}

TEST(Font, DrawTextBreaksWordsAndMeasures) {
  MemoryCanvas canvas(100, 100);
  RECT r{0, 0, 60, 0};
  const char* text = "one two three four five";
  const int32_t oneLine = DrawText(canvas.dc(), "one", -1, &r, DT_CALCRECT);
  r = RECT{0, 0, 60, 0};
  const int32_t height = DrawText(canvas.dc(), text, -1, &r, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GE(height, 3 * oneLine);
  EXPECT_LE(r.right, 60);
  // Line ends of every kind end a line; no character is lost.
  RECT box{0, 0, 100, 100};
  EXPECT_EQ(DrawText(canvas.dc(), "a\rb\nc\r\nd", -1, &box, DT_CALCRECT), 4 * oneLine);
  EXPECT_EQ(canvas.Count(kWhite), 100 * 100);  // measuring draws nothing
  box = RECT{0, 0, 100, 100};
  DrawText(canvas.dc(), "Centred", -1, &box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  EXPECT_EQ(canvas.At(5, 50), kWhite);
  EXPECT_LT(canvas.Count(kWhite), 100 * 100);
}

TEST(Font, WindowsCodePageBecomesUtf8) {
  EXPECT_EQ(Win1252ToUtf8("\x80\xE9", 2), "\xE2\x82\xAC\xC3\xA9");
  EXPECT_EQ(Win1252ToUtf8("abc", 3), "abc");
}

}  // namespace
