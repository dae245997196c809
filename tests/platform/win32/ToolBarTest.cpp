// Tool bars: images from the strip, rows ended by wrapped buttons, check groups, and clicks
// that reach the parent only from enabled buttons.

#include "platform/win32/ToolBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class ToolBarTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 200);
    bar = CreateWindowEx(0, kToolBarClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 60, parent,
                         reinterpret_cast<HMENU>(1), nullptr);
    // A strip of two 16 x 15 images: blue, then green.
    const HDC window = GetDC(parent);
    const HDC screen = CreateCompatibleDC(window);
    const HBITMAP strip = CreateCompatibleBitmap(window, 32, 15);  // in colour, as the window
    ReleaseDC(parent, window);
    const HGDIOBJ old = SelectObject(screen, strip);
    const HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT left{0, 0, 16, 15}, right{16, 0, 32, 15};
    FillRect(screen, &left, blue);
    FillRect(screen, &right, green);
    SelectObject(screen, old);
    DeleteObject(blue);
    DeleteObject(green);
    DeleteDC(screen);
    TBADDBITMAP added;
    added.nID = reinterpret_cast<uintptr_t>(strip);
    SendMessage(bar, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&added));
    TBBUTTON buttons[4];
    buttons[0].idCommand = 11;
    buttons[0].fsStyle = TBSTYLE_CHECK | TBSTYLE_GROUP;
    buttons[0].fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
    buttons[1].idCommand = 12;
    buttons[1].iBitmap = 1;
    buttons[1].fsStyle = TBSTYLE_CHECK | TBSTYLE_GROUP;
    buttons[2].fsStyle = TBSTYLE_SEP;
    buttons[3].idCommand = 13;
    buttons[3].fsState = 0;  // disabled
    SendMessage(bar, TB_ADDBUTTONS, 4, reinterpret_cast<LPARAM>(buttons));
    Pump();
  }
  RECT Place(int32_t index) {
    RECT place;
    SendMessage(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&place));
    return place;
  }
  void Click(int32_t index) {
    const RECT place = Place(index);
    InjectClick(bar, POINT{place.left + 3, place.top + 3});
    Pump();
  }
  std::vector<WORD> Commands() {
    std::vector<WORD> ids;
    for (const LoggedMessage& entry : Log().All(WM_COMMAND))
      ids.push_back(LOWORD(entry.wParam));
    return ids;
  }
  HWND parent = nullptr;
  HWND bar = nullptr;
};

TEST_F(ToolBarTest, AWrappedButtonEndsItsRowAndImagesComeFromTheStrip) {
  EXPECT_EQ(SendMessage(bar, TB_BUTTONCOUNT, 0, 0), 4);
  EXPECT_EQ(SendMessage(bar, TB_GETROWS, 0, 0), 2);
  const RECT first = Place(0);
  const RECT second = Place(1);
  EXPECT_EQ(second.left, first.left);
  EXPECT_EQ(second.top, first.bottom);
  EXPECT_EQ(Place(3).left, second.right + 8);  // after the separator
  const WindowSurface* surface = GetWindowSurface(parent);
  EXPECT_EQ(surface->Pixel((first.left + first.right) / 2, (first.top + first.bottom) / 2),
            0x0000FFu);
  EXPECT_EQ(surface->Pixel((second.left + second.right) / 2, (second.top + second.bottom) / 2),
            0x00FF00u);
}

TEST_F(ToolBarTest, ChecksOfAGroupExcludeEachOtherAndDisabledButtonsStayQuiet) {
  Click(0);
  EXPECT_TRUE(SendMessage(bar, TB_ISBUTTONCHECKED, 11, 0));
  Click(1);
  EXPECT_FALSE(SendMessage(bar, TB_ISBUTTONCHECKED, 11, 0));
  EXPECT_TRUE(SendMessage(bar, TB_ISBUTTONCHECKED, 12, 0));
  Click(1);  // a checked member of a group stays checked
  EXPECT_TRUE(SendMessage(bar, TB_ISBUTTONCHECKED, 12, 0));
  Click(3);
  EXPECT_EQ(Commands(), (std::vector<WORD>{11, 12, 12}));
  SendMessage(bar, TB_ENABLEBUTTON, 13, TRUE);
  Click(3);
  EXPECT_EQ(Commands().back(), 13);
  EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, 13, 0), 3);
  EXPECT_EQ(SendMessage(bar, TB_GETSTATE, 99, 0), -1);
}

}  // namespace
