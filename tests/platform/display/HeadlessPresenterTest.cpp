#include "platform/display/HeadlessPresenter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include <unistd.h>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

class HeadlessPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    SetWindowPresenter(&presenter_);
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = DefWindowProc;
    windowClass.lpszClassName = "Plain";
    windowClass.background = 0x00FF0000;  // blue
    windowClass.hCursor = LoadCursor(nullptr, IDC_CROSS);
    RegisterClass(&windowClass);
  }
  void TearDown() override {
    ResetWindowSystem();
    SetWindowPresenter(nullptr);
    UseProcessClock();
  }
  void Pump() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessage(&message);
  }
  HeadlessPresenter presenter_;
};

TEST_F(HeadlessPresenterTest, TopLevelWindowsAreSurfacesThatTestsCanSave) {
  const HWND window = CreateWindowEx(0, "Plain", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 10, nullptr,
                                     nullptr, nullptr);
  ASSERT_TRUE(presenter_.Knows(window));
  Pump();
  EXPECT_GE(presenter_.UpdateCount(window), 1);
  char path[] = "/tmp/yb-headless-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  ASSERT_TRUE(HeadlessPresenter::SaveWindowPng(window, path));
  std::ifstream file(path, std::ios::binary);
  char header[24] = {};
  file.read(header, sizeof header);
  EXPECT_EQ(std::memcmp(header + 1, "PNG", 3), 0);
  // Width and height sit big-endian in the header chunk.
  EXPECT_EQ(static_cast<uint8_t>(header[19]), 20);
  EXPECT_EQ(static_cast<uint8_t>(header[23]), 10);
  std::remove(path);
  DestroyWindow(window);
  EXPECT_FALSE(presenter_.Knows(window));
}

TEST_F(HeadlessPresenterTest, TheCursorShapeFollowsTheWindowUnderTheMouse) {
  CreateWindowEx(0, "Plain", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 10, nullptr, nullptr, nullptr);
  InjectMouseMove({5, 5});
  EXPECT_EQ(presenter_.CursorShape(), IDC_CROSS);
}

TEST_F(HeadlessPresenterTest, DesktopTextComesInAndGoesOutThroughTheClipboard) {
  presenter_.SetDesktopText("na\xC3\xAFve");  // another program copied this
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HGLOBAL text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(text)), "na\xEFve");
  GlobalUnlock(text);
  EmptyClipboard();
  const HGLOBAL mine = GlobalAlloc(GHND, 3);
  std::memcpy(GlobalLock(mine), "\x80\x31", 3);
  GlobalUnlock(mine);
  SetClipboardData(CF_TEXT, mine);
  CloseClipboard();
  std::string desktop;
  ASSERT_TRUE(presenter_.GetDesktopText(&desktop));
  EXPECT_EQ(desktop,
            "\xE2\x82\xAC"
            "1");
  // Our own text coming back from the desktop does not replace what we hold.
  const UINT private_format = RegisterClipboardFormat("Private");
  OpenClipboard(nullptr);
  SetClipboardData(private_format, GlobalAlloc(GHND, 1));
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(private_format));
}

}  // namespace
