#pragma once
// The presenter of tests and batch runs: top-level windows stay surfaces in memory, no event
// comes from outside, and the desktop clipboard is a text kept here (a test can play another
// program that puts text on it).

#include <map>
#include <string>

#include "platform/win32/WindowPresenter.h"

class HeadlessPresenter : public WindowPresenter {
 public:
  void TopLevelCreated(HWND window) override;
  void TopLevelChanged(HWND window) override;
  void TopLevelDestroyed(HWND window) override;
  void SurfaceUpdated(HWND window, const RECT& area) override;
  bool WaitForEvents(int32_t timeout) override;
  void PollEvents() override {}
  void ShowCursorShape(uintptr_t shape) override { cursorShape_ = shape; }
  bool PutDesktopText(const std::string& text) override;
  bool GetDesktopText(std::string* text) override;

  // What another program put on the desktop clipboard.
  void SetDesktopText(const std::string& text);
  // Writes the surface of a window's top-level window as a PNG file.
  static bool SaveWindowPng(HWND window, const char* path);

  uintptr_t CursorShape() const { return cursorShape_; }
  // How many times a top-level window's pixels changed.
  int32_t UpdateCount(HWND window) const;
  bool Knows(HWND window) const { return updates_.count(window) != 0; }

 private:
  std::map<HWND, int32_t> updates_;
  std::string desktopText_;
  bool hasDesktopText_ = false;
  uintptr_t cursorShape_ = 0;
};
