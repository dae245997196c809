#pragma once
// The tip of a tool-bar button: a small bordered window with one line of text on a pale
// background, shown just below the pointer without taking the activation, and gone again when
// the pointer leaves the button.

#include <string>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

class TToolTipWindow {
 public:
  // The window class of tips, registered when the first tip shows.
  static constexpr char kClassName[] = "tooltips_class32";

  TToolTipWindow() = default;
  ~TToolTipWindow();
  TToolTipWindow(const TToolTipWindow&) = delete;
  TToolTipWindow& operator=(const TToolTipWindow&) = delete;

  // Shows the text with the window's top-left corner at the screen point, sized to the text.
  // An empty text shows nothing.
  void Show(const std::string& text, POINT screenPoint, HWND owner);
  void Hide();
  bool Shown() const;
  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};
