// Window classes registered for framework windows: one per combination of style, cursor and
// background, whose windows show the class cursor, reach their objects and erase only with a
// background.

#include <gtest/gtest.h>

#include <string>

#include "platform/mfc/CWnd.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Window.h"

namespace {

class TErasing : public CWnd {
 public:
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message == WM_CREATE) created = true;
    return CWnd::OnWndMsg(message, wParam, lParam, result);
  }
  bool created = false;
};

TEST(WndClassTest, EachCombinationIsOneClassWhoseWindowsReachTheirObjects) {
  ResetWindowSystem();
  const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  const char* plain = AfxRegisterWndClass(0x1008, arrow);
  EXPECT_EQ(std::string(plain), AfxRegisterWndClass(0x1008, arrow));
  EXPECT_NE(std::string(plain), AfxRegisterWndClass(0x0008, arrow));
  HBRUSH grey = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
  EXPECT_NE(std::string(plain), AfxRegisterWndClass(0x1008, arrow, grey));
  WNDCLASS registered;
  ASSERT_TRUE(GetClassInfo(AfxRegisterWndClass(0x1008, arrow, grey), &registered));
  EXPECT_EQ(registered.background, RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(registered.style, 0x1008u);
  ASSERT_TRUE(GetClassInfo(plain, &registered));
  EXPECT_EQ(registered.background, kNoBackground);
  DeleteObject(grey);

  auto* window = new TErasing;
  ASSERT_TRUE(window->CreateEx(0, plain, "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr,
                               nullptr, nullptr));
  EXPECT_TRUE(window->created);
  EXPECT_EQ(GetClassLongPtr(window->m_hWnd, GCLP_HCURSOR), reinterpret_cast<uintptr_t>(arrow));
  window->DestroyWindow();
  delete window;
  ResetWindowSystem();
}

}  // namespace
