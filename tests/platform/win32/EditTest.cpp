// Edit controls typed into with synthetic keys and clicked with the mouse.

#include "platform/win32/Edit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/EditText.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class EditTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 400, 200);
  }
  HWND Make(DWORD style, const char* text, int32_t height = 22) {
    const HWND edit = CreateWindowEx(0, kEditClass, text, WS_CHILD | WS_VISIBLE | style, 10, 10,
                                     200, height, parent, reinterpret_cast<HMENU>(7), nullptr);
    SetFocus(edit);
    Pump();
    return edit;
  }
  void Type(const std::string& keys) {
    for (char c : keys)
      InjectCharacter(static_cast<uint8_t>(c));
    Pump();
  }
  void Stroke(int32_t key, int32_t modifier = 0) {
    if (modifier) InjectKey(modifier, true);
    InjectKeyStroke(key);
    if (modifier) InjectKey(modifier, false);
    Pump();
  }
  std::pair<DWORD, DWORD> Selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  int32_t Changes() {
    int32_t count = 0;
    for (const LoggedMessage& entry : Log().All(WM_COMMAND))
      if (HIWORD(entry.wParam) == EN_CHANGE) ++count;
    return count;
  }
  // The height of a line of the edit's text, as it draws it.
  int32_t ControlLineHeightForTest(HWND edit) {
    SendMessage(edit, EM_SETSEL, 0, 0);
    const POINT first = EditCaretPoint(edit);
    SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("a\r\nb"));
    SendMessage(edit, EM_SETSEL, 3, 3);
    const POINT second = EditCaretPoint(edit);
    return second.y - first.y;
  }
  HWND parent = nullptr;
};

TEST_F(EditTest, TypingEditsAtTheCaretAndUndoTakesBackTheTypedRunAtOnce) {
  const HWND edit = Make(WS_BORDER, "mass");
  Stroke(VK_END);
  Type(" kg");
  EXPECT_EQ(GetWindowTextString(edit), "mass kg");
  EXPECT_EQ(Changes(), 3);
  Stroke(VK_BACK);
  EXPECT_EQ(GetWindowTextString(edit), "mass k");
  // Shift+Home selects back to the start; typing replaces the selection.
  Stroke(VK_HOME, VK_SHIFT);
  EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{0, 6}));
  Type("Wheel");
  EXPECT_EQ(GetWindowTextString(edit), "Wheel");
  Stroke(VK_Z, VK_CONTROL);
  EXPECT_EQ(GetWindowTextString(edit), "mass k");
  Stroke(VK_Z, VK_CONTROL);  // undoing the undo
  EXPECT_EQ(GetWindowTextString(edit), "Wheel");
  SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new"));
  EXPECT_FALSE(SendMessage(edit, EM_CANUNDO, 0, 0));
}

TEST_F(EditTest, CutCopyAndPasteGoThroughTheClipboard) {
  const HWND edit = Make(WS_BORDER, "length 12");
  SendMessage(edit, EM_SETSEL, 7, 9);
  Stroke(VK_C, VK_CONTROL);
  Stroke(VK_HOME);
  Stroke(VK_V, VK_CONTROL);
  EXPECT_EQ(GetWindowTextString(edit), "12length 12");
  SendMessage(edit, EM_SETSEL, 0, 2);
  Stroke(VK_X, VK_CONTROL);
  EXPECT_EQ(GetWindowTextString(edit), "length 12");
  // A single line takes pasted text up to its first line break.
  ASSERT_TRUE(OpenClipboard(parent));
  EmptyClipboard();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  std::memcpy(GlobalLock(block), "ab\r\ncd", 7);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  SendMessage(edit, EM_SETSEL, 0, -1);
  SendMessage(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowTextString(edit), "ab");
}

TEST_F(EditTest, TheLimitKeepsTheTextAndTellsTheParent) {
  const HWND edit = Make(WS_BORDER, "");
  SendMessage(edit, EM_LIMITTEXT, 3, 0);
  Type("1234");
  EXPECT_EQ(GetWindowTextString(edit), "123");
  int32_t full = 0;
  for (const LoggedMessage& entry : Log().All(WM_COMMAND))
    if (HIWORD(entry.wParam) == EN_MAXTEXT) ++full;
  EXPECT_EQ(full, 1);
  const HWND digits = Make(ES_NUMBER, "");
  Type("4a2");
  EXPECT_EQ(GetWindowTextString(digits), "42");
}

TEST_F(EditTest, ClicksPlaceTheCaretAndDraggingSelects) {
  const HWND edit = Make(WS_BORDER, "abcdefghij");
  // The caret goes where the text is clicked: after the fourth letter.
  SendMessage(edit, EM_SETSEL, 4, 4);
  const POINT fourth = EditCaretPoint(edit);
  SendMessage(edit, EM_SETSEL, 8, 8);
  const POINT eighth = EditCaretPoint(edit);
  ASSERT_GT(eighth.x, fourth.x);
  SendMessage(edit, EM_SETSEL, 0, 0);
  InjectClick(edit, POINT{fourth.x, fourth.y + 3});
  Pump();
  EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{4, 4}));
  AdvanceVirtualClock(2 * GetDoubleClickTime());  // a new press, not a double click
  POINT from{fourth.x, fourth.y + 3}, to{eighth.x, eighth.y + 3};
  ClientToScreen(edit, &from);
  ClientToScreen(edit, &to);
  InjectMouseMove(from);
  InjectMouseButton(MouseButton::kLeft, true, from);
  InjectMouseMove(to);
  InjectMouseButton(MouseButton::kLeft, false, to);
  Pump();
  EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{4, 8}));
  // The selected letters are painted on the highlight.
  const WindowSurface* surface = GetWindowSurface(parent);
  POINT inSelection{(fourth.x + eighth.x) / 2, fourth.y + 2};
  ClientToScreen(edit, &inSelection);
  POINT window{0, 0};
  ClientToScreen(parent, &window);
  int32_t highlighted = 0;
  for (int32_t dy = 0; dy < 8; ++dy)
    if (surface->Pixel(inSelection.x - window.x, inSelection.y - window.y + dy) == 0x0078D7)
      ++highlighted;
  EXPECT_GT(highlighted, 0);
}

TEST_F(EditTest, MultiLineTextBreaksAtReturnAndMovesByLines) {
  const HWND edit = Make(ES_MULTILINE | ES_WANTRETURN | WS_BORDER, "xxxxx", 80);
  Stroke(VK_END);
  Stroke(VK_RETURN);
  Type("xxx");
  EXPECT_EQ(GetWindowTextString(edit), "xxxxx\r\nxxx");
  EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 7);
  EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, 8, 0), 1);
  Stroke(VK_UP);  // keeps the column: after the third letter
  EXPECT_EQ(Selection(edit).first, 3u);
  Stroke(VK_RIGHT);
  Stroke(VK_RIGHT);
  Stroke(VK_RIGHT);  // over the end of the line: one step crosses the line break
  EXPECT_EQ(Selection(edit).first, 7u);
  Stroke(VK_BACK);  // takes the whole line break
  EXPECT_EQ(GetWindowTextString(edit), "xxxxxxxx");
  EXPECT_EQ(SendMessage(edit, WM_GETDLGCODE, VK_RETURN, 0) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
  const HWND single = Make(WS_BORDER, "one");
  EXPECT_EQ(SendMessage(single, WM_GETDLGCODE, VK_RETURN, 0) & DLGC_WANTALLKEYS, 0);
}

TEST_F(EditTest, AMultiLineEditKeepsTheCaretLineInViewAndScrollsByItsBar) {
  const HWND edit = Make(ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, "", 1);
  // Three lines high, ten lines long.
  SetWindowPos(edit, nullptr, 0, 0, 200, 3 * ControlLineHeightForTest(edit) + 2,
               SWP_NOMOVE | SWP_NOZORDER);
  std::string text;
  for (int i = 0; i < 10; ++i)
    text += (i ? "\r\n" : "") + std::to_string(i);
  SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  Stroke(VK_END, VK_CONTROL);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 7);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(edit, SB_VERT, &info);
  EXPECT_EQ(info.nMax, 9);
  EXPECT_EQ(info.nPage, 3u);
  EXPECT_EQ(info.nPos, 7);
  SendMessage(edit, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SendMessage(edit, EM_LINESCROLL, 0, 20);  // no further than the last page
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 7);
}

TEST_F(EditTest, ASunkenEdgeFramesTheTextInsideTheWindow) {
  const HWND edit = CreateWindowEx(WS_EX_CLIENTEDGE, kEditClass, "", WS_CHILD | WS_VISIBLE, 10, 10,
                                   100, 24, parent, nullptr, nullptr);
  RECT client;
  GetClientRect(edit, &client);
  EXPECT_EQ(client.right, 96);
  EXPECT_EQ(client.bottom, 20);
  RECT frame{0, 0, 96, 20};
  AdjustWindowRectEx(&frame, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(frame.right - frame.left, 100);
}

TEST(EditTextTest, PositionsNeverSplitALineBreak) {
  EditText text;
  text.SetText("ab\r\ncd\r\n");
  EXPECT_EQ(text.LineCount(), 3);
  EXPECT_EQ(text.LineStart(2), 8);
  EXPECT_EQ(text.LineStart(3), -1);
  EXPECT_EQ(text.LineLength(1), 2);
  EXPECT_EQ(text.LineOf(3), 0);
  EXPECT_EQ(text.LineOf(4), 1);
  text.Select(3, 3);
  EXPECT_EQ(text.caret(), 2);
  EXPECT_EQ(text.StepRight(2), 4);
  EXPECT_EQ(text.StepLeft(4), 2);
  text.SetLimit(9);
  text.Select(8, 8);
  EXPECT_FALSE(text.ReplaceSelection("\r\n", false));  // half a line break is never put in
  EXPECT_EQ(text.text(), "ab\r\ncd\r\n");
}

}  // namespace
