// A static's label text as drawn: "&" marks and SS_NOPREFIX, read back as pixels.

#include "platform/win32/Static.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Dc.h"
#include "platform/win32/FindReplace.h"
#include "platform/win32/Font.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

constexpr int32_t kWidth = 120;
constexpr int32_t kHeight = 24;

class StaticTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 400, 300);
  }
  // Draws a label at the top of a row of its own and answers the row's dark pixels, row by row.
  std::vector<std::vector<bool>> Drawn(DWORD style, const char* text) {
    const int32_t top = next;
    next += kHeight + 4;
    CreateWindowEx(0, kStaticClass, text, WS_CHILD | WS_VISIBLE | style, 0, top, kWidth, kHeight,
                   parent, nullptr, nullptr);
    Pump();
    std::vector<std::vector<bool>> ink(kHeight, std::vector<bool>(kWidth));
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x)
        ink[y][x] = (GetWindowSurface(parent)->Pixel(x, top + y) & 0xFFFFFF) < 0x404040;
    return ink;
  }
  HWND parent = nullptr;
  int32_t next = 0;
};

int32_t RightmostInk(const std::vector<std::vector<bool>>& ink) {
  int32_t right = -1;
  for (const auto& row : ink)
    for (int32_t x = 0; x < static_cast<int32_t>(row.size()); ++x)
      if (row[x]) right = std::max(right, x);
  return right;
}

TEST_F(StaticTest, AMarkedLetterIsUnderlinedAndADoubledMarkShowsOnce) {
  const auto marked = Drawn(SS_LEFT, "&Wide && tall");
  const auto plain = Drawn(SS_NOPREFIX, "Wide & tall");
  const auto first = Drawn(SS_NOPREFIX, "W");
  ASSERT_GE(RightmostInk(plain), 0) << "nothing drawn";
  // The same letters in the same places; one row more ink, under the first letter only.
  std::vector<int32_t> differing;
  for (int32_t y = 0; y < kHeight; ++y)
    if (marked[y] != plain[y]) differing.push_back(y);
  ASSERT_EQ(differing.size(), 1u);
  const auto& underline = marked[differing[0]];
  const int32_t letterRight = RightmostInk(first);
  int32_t inked = 0;
  for (int32_t x = 0; x < kWidth; ++x) {
    if (underline[x] == plain[differing[0]][x]) continue;
    EXPECT_TRUE(underline[x]) << x;
    EXPECT_LE(x, letterRight + 1) << "the underline runs past the marked letter";
    ++inked;
  }
  EXPECT_GE(inked, 3);
}

TEST_F(StaticTest, WithoutPrefixesTheMarksAreShownAsTyped) {
  const auto kept = Drawn(SS_NOPREFIX, "&&x");
  const auto stripped = Drawn(SS_LEFT, "&&x");
  // "&&x" shows two ampersands without prefixes, one with them: the text is wider.
  EXPECT_GT(RightmostInk(kept), RightmostInk(stripped));
  EXPECT_EQ(Drawn(SS_LEFT, "&&x"), Drawn(SS_NOPREFIX, "&x"));
}

// The Replace dialog's labels are wide enough for their texts: each fits its static on one line.
TEST_F(StaticTest, TheReplaceDialogsLabelsFitTheirPlaces) {
  char find[32] = "line";
  char with[32] = "row";
  FINDREPLACE record;
  record.hwndOwner = parent;
  record.lpstrFindWhat = find;
  record.wFindWhatLen = sizeof find;
  record.lpstrReplaceWith = with;
  record.wReplaceWithLen = sizeof with;
  const HWND dialog = ReplaceText(&record);
  ASSERT_NE(dialog, nullptr);
  const HDC dc = CreateCompatibleDC(nullptr);
  int32_t labels = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[32] = {};
    GetClassName(child, className, sizeof className);
    if (std::string(className) != kStaticClass) continue;
    const std::string text = GetWindowTextString(child);
    RECT needed{0, 0, 0, 0};
    DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &needed, DT_CALCRECT | DT_SINGLELINE);
    RECT place;
    GetClientRect(child, &place);
    EXPECT_LE(needed.right, place.right) << text;
    ++labels;
  }
  DeleteDC(dc);
  EXPECT_EQ(labels, 2);
  DestroyWindow(dialog);
}

}  // namespace
