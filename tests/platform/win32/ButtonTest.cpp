// The button family and statics, driven by synthetic clicks and read back as pixels.

#include "platform/win32/Button.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

constexpr COLORREF kOwnerRed = 0x000000FF;
constexpr uint32_t kRedPixel = 0xFF0000;  // the surface holds 0x00RRGGBB

class ButtonTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 200);
    Log().handlers[WM_DRAWITEM] = [this](HWND, WPARAM, LPARAM lParam) -> LRESULT {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      draws.push_back(*draw);
      FillSolid(draw->hDC, draw->rcItem);
      return TRUE;
    };
  }
  static void FillSolid(HDC dc, const RECT& rect) {
    const HBRUSH brush = CreateSolidBrush(kOwnerRed);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  }
  HWND Make(const char* className, DWORD style, const char* text, int32_t x, int32_t y,
            int32_t id) {
    return CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, 80, 20, parent,
                          reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr);
  }
  std::vector<WORD> Clicks() {
    std::vector<WORD> ids;
    for (const LoggedMessage& entry : Log().All(WM_COMMAND))
      if (entry.window == parent) ids.push_back(LOWORD(entry.wParam));
    return ids;
  }
  uint32_t Pixel(int32_t x, int32_t y) { return GetWindowSurface(parent)->Pixel(x, y); }
  HWND parent = nullptr;
  std::vector<DRAWITEMSTRUCT> draws;
};

TEST_F(ButtonTest, AutomaticKindsChangeTheirCheckBeforeTellingTheParent) {
  const HWND check = Make(kButtonClass, BS_AUTOCHECKBOX, "Fixed", 10, 10, 1);
  const HWND tri = Make(kButtonClass, BS_AUTO3STATE, "Mixed", 10, 40, 2);
  const HWND manual = Make(kButtonClass, BS_CHECKBOX, "Manual", 10, 70, 3);
  InjectClick(check, POINT{5, 5});
  Pump();
  EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  InjectClick(check, POINT{5, 5});
  Pump();
  EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  std::vector<LRESULT> states;
  for (int i = 0; i < 3; ++i) {
    InjectClick(tri, POINT{5, 5});
    Pump();
    states.push_back(SendMessage(tri, BM_GETCHECK, 0, 0));
  }
  EXPECT_EQ(states, (std::vector<LRESULT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}));
  InjectClick(manual, POINT{5, 5});
  Pump();
  EXPECT_EQ(SendMessage(manual, BM_GETCHECK, 0, 0), BST_UNCHECKED);  // the parent decides
  // Two states only: a 2 becomes checked.
  SendMessage(check, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Clicks(), (std::vector<WORD>{1, 1, 2, 2, 2, 3}));
}

TEST_F(ButtonTest, AnAutomaticRadioClearsOnlyItsOwnGroup) {
  // Children list front to back; the group starts at WS_GROUP in creation order.
  const HWND a = Make(kButtonClass, BS_AUTORADIOBUTTON | WS_GROUP, "A", 10, 10, 1);
  const HWND b = Make(kButtonClass, BS_AUTORADIOBUTTON, "B", 10, 35, 2);
  const HWND c = Make(kButtonClass, BS_AUTORADIOBUTTON | WS_GROUP, "C", 10, 60, 3);
  for (HWND radio : {a, b, c})
    SetWindowPos(radio, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SendMessage(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(c, BM_SETCHECK, BST_CHECKED, 0);
  InjectClick(b, POINT{5, 5});
  Pump();
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(ButtonTest, GroupBoxesAndQuietStaticsLetClicksThroughANotifyingStaticReports) {
  const HWND group = Make(kButtonClass, BS_GROUPBOX, "Group", 10, 10, 1);
  const HWND quiet = Make(kStaticClass, SS_LEFT, "Label", 10, 40, 2);
  const HWND loud = Make(kStaticClass, SS_NOTIFY, "Link", 10, 70, 3);
  POINT inGroup{15, 15}, inQuiet{15, 45}, inLoud{15, 75};
  for (POINT* point : {&inGroup, &inQuiet, &inLoud})
    ClientToScreen(parent, point);
  EXPECT_EQ(WindowFromPoint(inGroup), parent);
  EXPECT_EQ(WindowFromPoint(inQuiet), parent);
  EXPECT_EQ(WindowFromPoint(inLoud), loud);
  InjectClick(loud, POINT{3, 3});
  Pump();
  const auto commands = Log().All(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, static_cast<WPARAM>(MAKELONG(3, STN_CLICKED)));
  EXPECT_EQ(SendMessage(group, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  EXPECT_EQ(SendMessage(quiet, STM_SETIMAGE, IMAGE_CURSOR, 77), 0);
  EXPECT_EQ(SendMessage(quiet, STM_GETIMAGE, IMAGE_CURSOR, 0), 77);
}

TEST_F(ButtonTest, AnOwnerDrawnButtonIsDrawnByItsParentForEachChange) {
  const HWND button = Make(kButtonClass, BS_OWNERDRAW, "", 20, 20, 9);
  Pump();
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(draws.back().itemAction, ODA_DRAWENTIRE);
  EXPECT_EQ(draws.back().CtlType, ODT_BUTTON);
  EXPECT_EQ(draws.back().hwndItem, button);
  EXPECT_EQ(Pixel(60, 30), kRedPixel);
  draws.clear();
  InjectMouseMove(POINT{125, 125});
  InjectMouseButton(MouseButton::kLeft, true, POINT{125, 125});
  Pump();
  // The press gives the focus, then shows itself pressed.
  std::vector<UINT> actions;
  for (const DRAWITEMSTRUCT& draw : draws)
    actions.push_back(draw.itemAction);
  ASSERT_GE(actions.size(), 2u);
  EXPECT_EQ(actions[0], ODA_FOCUS);
  EXPECT_EQ(actions[1], ODA_SELECT);
  EXPECT_TRUE(draws[1].itemState & ODS_SELECTED);
  EXPECT_TRUE(draws[1].itemState & ODS_FOCUS);
  InjectMouseButton(MouseButton::kLeft, false, POINT{125, 125});
  Pump();
  EXPECT_FALSE(draws.back().itemState & ODS_SELECTED);
  EXPECT_EQ(Clicks(), std::vector<WORD>{9});
}

// A field that refuses its text answers a press on a button with an alert, whose loop reads the
// press's release, and keeps the focus. The button must not hold the mouse then: the next press,
// on another button, is that button's.
TEST_F(ButtonTest, APressWhoseFocusIsRefusedLeavesTheNextClickToItsButton) {
  const HWND ok = Make(kButtonClass, BS_PUSHBUTTON, "OK", 10, 10, 1);
  const HWND cancel = Make(kButtonClass, BS_PUSHBUTTON, "Cancel", 100, 10, 2);
  const HWND field = Child(parent, 10, 50, 80, 20, 3);
  SetFocus(field);
  bool refuse = true;
  Log().handlers[WM_KILLFOCUS] = [&](HWND window, WPARAM, LPARAM) -> LRESULT {
    if (window != field || !refuse) return 0;
    refuse = false;
    Pump();
    SetFocus(field);
    return 0;
  };
  InjectClick(ok, POINT{5, 5});
  Pump();
  EXPECT_EQ(GetFocus(), field);
  EXPECT_EQ(GetCapture(), nullptr);
  InjectClick(cancel, POINT{5, 5});
  Pump();
  EXPECT_EQ(Clicks(), std::vector<WORD>{2});
}

TEST_F(ButtonTest, ACheckedBoxAndTheDefaultButtonShowInPixels) {
  const HWND check = Make(kButtonClass, BS_AUTOCHECKBOX, "", 10, 10, 1);
  const HWND plain = Make(kButtonClass, BS_PUSHBUTTON, "", 10, 40, 2);
  const HWND preferred = Make(kButtonClass, BS_DEFPUSHBUTTON, "", 10, 70, 3);
  Pump();
  const auto darkInBox = [this] {
    int32_t dark = 0;
    for (int32_t y = 14; y < 24; ++y)
      for (int32_t x = 12; x < 22; ++x)
        if ((Pixel(x, y) & 0xFF) < 0x40) ++dark;
    return dark;
  };
  EXPECT_EQ(darkInBox(), 0);
  SendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
  Pump();
  EXPECT_GT(darkInBox(), 5);
  // The default button's frame is two pixels thick.
  EXPECT_NE(Pixel(11, 41), Pixel(11, 71));
  EXPECT_EQ(Pixel(10, 40), Pixel(10, 70));
  (void)plain;
  (void)preferred;
}

TEST_F(ButtonTest, ChangingAClassCursorReachesWindowsAlreadyMade) {
  const HWND button = Make(kButtonClass, BS_PUSHBUTTON, "Go", 10, 10, 1);
  const HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
  SetClassLongPtr(button, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hand));
  EXPECT_EQ(GetClassLongPtr(button, GCLP_HCURSOR), reinterpret_cast<LONG_PTR>(hand));
  POINT inside{15, 15};
  ClientToScreen(parent, &inside);
  InjectMouseMove(inside);
  EXPECT_EQ(GetCursor(), hand);
  const HWND later = Make(kButtonClass, BS_PUSHBUTTON, "Later", 10, 50, 2);
  EXPECT_EQ(GetClassLongPtr(later, GCLP_HCURSOR), reinterpret_cast<LONG_PTR>(hand));
}

}  // namespace
