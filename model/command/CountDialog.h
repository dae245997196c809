#pragma once
// A small modeless dialog that shows a running count while a long change works and lets the
// user stop it. While it is up the application's main frame takes no input. The dialog belongs
// to its window: it deletes itself when the window is destroyed, by Cancel or otherwise.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

class TCountDialog {
 public:
  static constexpr int16_t kTemplate = 11111;
  static constexpr int32_t kCountItem = 101;

  // Makes the dialog from the template, owned by parent. Null (and nothing left up) when the
  // dialog cannot be made.
  static TCountDialog* Open(HWND parent, int16_t templateId = kTemplate);
  // The dialog that is up, or null.
  static TCountDialog* Current();
  // 1 from the dialog's construction until its window is destroyed.
  static int16_t& DialogUp();
  // Cleared when a dialog is constructed, set by its Cancel.
  static int16_t& CancelPressed();

  TCountDialog(const TCountDialog&) = delete;
  TCountDialog& operator=(const TCountDialog&) = delete;

  // Shows the count unless it is below the one shown: the display never goes back.
  void SetCount(int16_t count);
  int16_t ShownCount() const { return shown_; }
  HWND Window() const { return window_; }
  // Destroys the window, and with it the dialog.
  void Close();

 private:
  explicit TCountDialog(HWND parent);
  ~TCountDialog();
  static intptr_t Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog(HWND window);
  void OnCancel();
  void PostNcDestroy();

  HWND window_ = nullptr;
  HWND countItem_ = nullptr;
  int16_t shown_ = 0;
};
