#pragma once
// Windows for the tests that need one: a class whose windows do only what DefWindowProc does,
// and a frame window whose menu bar a test fills.

#include <gtest/gtest.h>

#include "core/MenuCommands.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"

inline LRESULT PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(window, message, wParam, lParam);
}

inline void RegisterPlainWindowClass(const char* name) {
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.lpszClassName = name;
  RegisterClass(&windowClass);
}

// A fresh window system with an empty bar_; a test fills the bar, then calls OpenFrame to make
// the frame that the menu commands act on.
class MenuFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    RegisterPlainWindowClass("Frame");
    bar_ = CreateMenu();
  }
  void OpenFrame() {
    frame_ = CreateWindowEx(0, "Frame", "Frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, bar_,
                            nullptr);
    SetMenuFrame(frame_);
  }
  void TearDown() override {
    FreeMenuItemMarks();
    SetMenuFrame(nullptr);
    ResetWindowSystem();
  }

  HMENU bar_ = nullptr;
  HWND frame_ = nullptr;
};
