// Status bars: parts laid out by their right edges, the last one reaching the bar's end, texts
// kept per part, the window text as part 0, and frames only around bordered parts.

#include "platform/win32/StatusBar.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Control.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class StatusBarTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 200);
    bar = CreateWindowEx(0, kStatusBarClass, "", WS_CHILD | WS_VISIBLE, 0, 170, 300, 30, parent,
                         reinterpret_cast<HMENU>(59393), nullptr);
  }
  std::string Text(int32_t part) {
    char text[256] = "unchanged";
    SendMessage(bar, SB_GETTEXT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
    return text;
  }
  RECT Part(int32_t part) {
    RECT place{0, 0, 0, 0};
    SendMessage(bar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&place));
    return place;
  }
  HWND parent = nullptr;
  HWND bar = nullptr;
};

TEST_F(StatusBarTest, PartsEndAtTheirEdgesAndTheLastReachesTheEnd) {
  const int32_t rights[] = {100, 180, -1};
  ASSERT_TRUE(SendMessage(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(rights)));
  int32_t read[4] = {7, 7, 7, 7};
  EXPECT_EQ(SendMessage(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(read)), 3);
  EXPECT_EQ(read[1], 180);
  EXPECT_EQ(read[3], 7);
  EXPECT_EQ(Part(0).left, 0);
  EXPECT_EQ(Part(0).right, 100);
  EXPECT_EQ(Part(1).left, 100);
  EXPECT_EQ(Part(2).right, 300);
  EXPECT_FALSE(SendMessage(bar, SB_SETPARTS, 0, reinterpret_cast<LPARAM>(rights)));
  EXPECT_FALSE(SendMessage(bar, SB_GETRECT, 3, reinterpret_cast<LPARAM>(&read)));
}

TEST_F(StatusBarTest, EachPartKeepsItsTextAndTheWindowTextIsTheFirst) {
  const int32_t rights[] = {150, -1};
  SendMessage(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rights));
  SendMessage(bar, SB_SETTEXT, 1 | SBT_NOBORDERS, reinterpret_cast<LPARAM>("NUM"));
  SetWindowText(bar, "Ready");
  EXPECT_EQ(Text(0), "Ready");
  EXPECT_EQ(Text(1), "NUM");
  const LRESULT info = SendMessage(bar, SB_GETTEXTLENGTH, 1, 0);
  EXPECT_EQ(LOWORD(info), 3);
  EXPECT_EQ(HIWORD(info), SBT_NOBORDERS >> 8);
  EXPECT_FALSE(SendMessage(bar, SB_SETTEXT, 2, reinterpret_cast<LPARAM>("x")));
  EXPECT_EQ(Text(2), "unchanged");
  EXPECT_EQ(GetWindowTextLength(bar), 5);
}

TEST_F(StatusBarTest, OnlyBorderedPartsAreFramed) {
  const int32_t rights[] = {150, -1};
  SendMessage(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rights));
  SendMessage(bar, SB_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  SendMessage(bar, SB_SETTEXT, 1 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(""));
  Pump();
  const WindowSurface* surface = GetWindowSurface(parent);
  const RECT first = Part(0);
  const RECT second = Part(1);
  // The bar sits at y = 170 in the parent.
  EXPECT_NE(surface->Pixel(first.left, 170 + (first.top + first.bottom) / 2), 0xF0F0F0u);
  EXPECT_EQ(surface->Pixel(second.right - 1, 170 + (second.top + second.bottom) / 2), 0xF0F0F0u);
}

}  // namespace
