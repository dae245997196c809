#include "core/TextStyle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/TextStyleBox.h"
#include "core/port/Port.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "tests/core/WindowTestSupport.h"

namespace {

TEST(TextStyleTest, RecordsAreTwelveBytesCopiedWholeFillerIncluded) {
  TextStyle style;
  style.font = 3;
  style.face = 0x05;
  style.filler = 0x7E;  // never set by the program, but a copy must not lose it either
  style.size = 12;
  style.color = RGB16Color{0xFF00, 0x1200, 0x3400};
  const TextStyle copy(style);
  EXPECT_EQ(std::memcmp(&copy, &style, sizeof style), 0);
  const TextStyle a;
  const TextStyle& b = DefaultTextStyle();
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  EXPECT_EQ(&style.Self(), &style);
}

TEST(TextStyleTest, InvalidRectanglesOfThePortWindowAreMarkedForPainting) {
  ResetWindowSystem();
  RegisterPlainWindowClass("PortWindow");
  const HWND window = CreateWindowEx(0, "PortWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                     nullptr, nullptr, nullptr);
  ValidateRect(window, nullptr);
  const HWND old = SetPortWindow(window);
  InvalidateMacRect(MacRect(10, 10, 10, 30));  // empty: nothing
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  InvalidateMacRect(MacRect(10, 20, 30, 40));
  RECT update;
  ASSERT_TRUE(GetUpdateRect(window, &update, FALSE));
  EXPECT_EQ(update.left, 10);
  EXPECT_EQ(update.top, 20);
  EXPECT_EQ(update.right, 30);
  ValidateMacRect(MacRect(0, 0, 50, 50));
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  TPort record;
  record.window = window;
  HideWindow(&record);
  EXPECT_FALSE(IsWindowVisible(window));
  ShowWindow(&record);
  EXPECT_TRUE(IsWindowVisible(window));
  SetPortWindow(old);
  ResetWindowSystem();
}

// Lays text out as while a metafile is recorded, and answers the height and the recorded bytes.
struct Recorded {
  int32_t height = 0;
  int32_t lineHeight = 0;
  std::string bytes;
};

Recorded LayOut(const std::string& text, int32_t width) {
  const HDC dc = CreateMetaFile(nullptr);
  SetRecordingMetafile(true);
  Recorded out;
  TEXTMETRIC metrics;
  GetTextMetrics(dc, &metrics);
  out.lineHeight = metrics.tmHeight;
  out.height = DrawTextInBox(dc, text.data(), static_cast<int32_t>(text.size()),
                             MacRect(0, 0, width, 1000), kJustifyLeft, true);
  SetRecordingMetafile(false);
  const HMETAFILE metafile = CloseMetaFile(dc);
  const UINT size = GetMetaFileBitsEx(metafile, 0, nullptr);
  out.bytes.resize(size);
  GetMetaFileBitsEx(metafile, size, out.bytes.data());
  DeleteMetaFile(metafile);
  return out;
}

bool Holds(const Recorded& recorded, const std::string& piece) {
  return recorded.bytes.find(piece) != std::string::npos;
}

TEST(TextStyleTest, HandLaidTextEndsLinesAtCrLfAndCrLfWithoutLosingCharacters) {
  const Recorded recorded = LayOut("ab\rcd\r\nef\ngh", 400);
  ASSERT_GT(recorded.lineHeight, 0);
  // Four lines, and the result counts one line more, as the callers expect.
  EXPECT_EQ(recorded.height, 5 * recorded.lineHeight);
  for (const char* piece : {"ab", "cd", "ef", "gh"})
    EXPECT_TRUE(Holds(recorded, piece)) << piece;
  const Recorded blank = LayOut("\rx", 400);
  EXPECT_EQ(blank.height, 3 * blank.lineHeight);
  EXPECT_TRUE(Holds(blank, "x"));
}

TEST(TextStyleTest, HandLaidLinesBreakAfterTheLastSpaceOrWhereTheWidthIsExceeded) {
  const HDC probe = CreateCompatibleDC(nullptr);
  SIZE three;
  GetTextExtentPoint32(probe, "MMM", 3, &three);
  DeleteDC(probe);
  const Recorded words = LayOut("MM MM MM", three.cx);
  EXPECT_EQ(words.height, 4 * words.lineHeight);
  EXPECT_TRUE(Holds(words, "MM "));
  // No space: the line keeps the character that went past the width.
  const Recorded word = LayOut("MMMMMMMM", three.cx);
  EXPECT_TRUE(Holds(word, "MMMM"));
  EXPECT_EQ(word.height, 3 * word.lineHeight);
}

}  // namespace
