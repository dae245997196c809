#include "platform/win32/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class MessageBoxTest : public WindowTest {
 protected:
  // Plays `action` once the box is up; later idle calls have nothing more to do.
  void WhenShown(std::function<void(HWND)> action) {
    SetIdleScript([this, action] {
      const HWND box = GetMessageBoxWindow();
      if (!box || acted_) return false;
      acted_ = true;
      shown_ = box;
      action(box);
      return true;
    });
  }
  bool acted_ = false;
  HWND shown_ = nullptr;
};

TEST_F(MessageBoxTest, AClickOnYesAnswersYesAndTheOwnerIsDisabledMeanwhile) {
  const HWND owner = TopLevel(0, 0, 400, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  bool ownerWasDisabled = false;
  WhenShown([&](HWND box) {
    ownerWasDisabled = !IsWindowEnabled(owner);
    InjectClick(GetDlgItem(box, IDYES), {10, 10});
  });
  EXPECT_EQ(MessageBox(owner, "Save the changes?", "Question", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_TRUE(ownerWasDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindow(shown_));
  EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(MessageBoxTest, EveryOtherWindowWaitsBehindTheBoxUntilItIsAnswered) {
  const HWND frame = TopLevel(0, 0, 400, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND palette =
      CreateWindowEx(0, kRecorderClass, "palette", WS_POPUP | WS_CAPTION | WS_VISIBLE, 420, 0, 150,
                     100, frame, nullptr, nullptr);
  const HWND editor = TopLevel(0, 320, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND disabledBefore = TopLevel(320, 320, 100, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  EnableWindow(disabledBefore, FALSE);
  SetActiveWindow(editor);
  std::vector<HWND> enabledMeanwhile;
  bool inFront = false;
  HWND activeAfterClicks = nullptr;
  WhenShown([&](HWND box) {
    for (HWND window : {frame, palette, editor, disabledBefore})
      if (IsWindowEnabled(window)) enabledMeanwhile.push_back(window);
    // Clicks on the other windows activate none of them, and the box stays in front.
    InjectClick(palette, {20, 20});
    InjectClick(frame, {50, 50});
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessage(&message);
    activeAfterClicks = GetActiveWindow();
    inFront = GetTopWindow(nullptr) == box;
    InjectKeyStroke(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(editor, "The script has an error.", "Script", MB_OK), IDOK);
  EXPECT_TRUE(enabledMeanwhile.empty());
  EXPECT_EQ(activeAfterClicks, shown_);
  EXPECT_TRUE(inFront);
  // Afterwards the windows are as they were, and the owner is active again.
  EXPECT_TRUE(IsWindowEnabled(frame));
  EXPECT_TRUE(IsWindowEnabled(palette));
  EXPECT_TRUE(IsWindowEnabled(editor));
  EXPECT_FALSE(IsWindowEnabled(disabledBefore));
  EXPECT_EQ(GetActiveWindow(), editor);
}

TEST_F(MessageBoxTest, KeysAnswerByMnemonicByEnterOnTheDefaultAndByTab) {
  WhenShown([](HWND) { InjectKeyStroke('N'); });
  EXPECT_EQ(MessageBox(nullptr, "Replace?", "Q", MB_YESNO), IDNO);

  acted_ = false;
  WhenShown([](HWND) { InjectKeyStroke(VK_RETURN); });
  EXPECT_EQ(MessageBox(nullptr, "Replace?", "Q", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);

  acted_ = false;
  WhenShown([](HWND) {
    InjectKeyStroke(VK_TAB);
    InjectKeyStroke(VK_TAB);
    InjectKeyStroke(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(nullptr, "Replace?", "Q", MB_YESNOCANCEL), IDCANCEL);
}

TEST_F(MessageBoxTest, EscapeCancelsOnlyWhereThereIsACancelOrALoneOk) {
  WhenShown([](HWND) {
    InjectKeyStroke(VK_ESCAPE);  // a yes/no question has no way out but an answer
    InjectKeyStroke('Y');
  });
  EXPECT_EQ(MessageBox(nullptr, "Sure?", "Q", MB_YESNO), IDYES);
  acted_ = false;
  WhenShown([](HWND) { InjectKeyStroke(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(nullptr, "Go on?", "Q", MB_OKCANCEL), IDCANCEL);
  acted_ = false;
  WhenShown([](HWND) { InjectKeyStroke(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(nullptr, "Done.", "Note", MB_OK), IDOK);
}

TEST_F(MessageBoxTest, AButtonReleasedAwayFromItDoesNotAnswer) {
  WhenShown([](HWND box) {
    const HWND ok = GetDlgItem(box, IDOK);
    POINT inside{5, 5};
    ClientToScreen(ok, &inside);
    InjectMouseMove(inside);
    InjectMouseButton(MouseButton::kLeft, true, inside);
    InjectMouseMove({inside.x + 300, inside.y});
    InjectMouseButton(MouseButton::kLeft, false, {inside.x + 300, inside.y});
    InjectKeyStroke(VK_ESCAPE);
  });
  EXPECT_EQ(MessageBox(nullptr, "Go on?", "Q", MB_OKCANCEL), IDCANCEL);
}

TEST_F(MessageBoxTest, TheBoxIsDrawnWithItsIconAndButtons) {
  uint32_t iconPixel = 0;
  uint32_t facePixel = 0;
  WhenShown([&](HWND box) {
    // Let everything paint first, then look.
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessage(&message);
    POINT icon{25, 36};  // inside the disc, left of its mark
    ClientToScreen(box, &icon);
    RECT frame;
    GetWindowRect(box, &frame);
    iconPixel = GetWindowSurface(box)->Pixel(icon.x - frame.left, icon.y - frame.top);
    POINT face{40, 3};
    ClientToScreen(GetDlgItem(box, IDOK), &face);
    facePixel = GetWindowSurface(box)->Pixel(face.x - frame.left, face.y - frame.top);
    InjectKeyStroke(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(nullptr, "Disk full.", "Error", MB_OK | MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(iconPixel, 0xE6AA00u);
  EXPECT_EQ(facePixel, 0xE1E1E1u);
}

// A short message under a long title: the box is wide enough for the whole title and the close
// box beside it.
TEST_F(MessageBoxTest, TheBoxIsWideEnoughForItsCaption) {
  const std::string caption = "Yarrowby Script Alert, a title longer than its message";
  int32_t width = 0;
  WhenShown([&](HWND box) {
    RECT frame;
    GetWindowRect(box, &frame);
    width = frame.right - frame.left;
    InjectKeyStroke(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(nullptr, "Hi.", caption.c_str(), MB_OK), IDOK);
  const HDC dc = CreateCompatibleDC(nullptr);
  RECT text{0, 0, 0, 0};
  DrawText(dc, caption.c_str(), static_cast<int32_t>(caption.size()), &text,
           DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  DeleteDC(dc);
  EXPECT_GE(width, text.right + GetSystemMetrics(SM_CYCAPTION) + 8);
}

TEST_F(MessageBoxTest, ABoxThatCanGetNoInputAnswersZero) {
  EXPECT_EQ(MessageBox(nullptr, "Nobody is there.", "Note", MB_OK), 0);
  EXPECT_EQ(GetMessageBoxWindow(), nullptr);
}

}  // namespace
