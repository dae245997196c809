#pragma once
// The dialogs a dialog window object can make besides the plain one:
// - more choices: a button (control 453) confirms the dialog and sends a stored command number
//   up the handler chain of the window over which it stands, so that a fuller dialog can take
//   its place;
// - more details: two buttons (453 shows, 454 hides) grow the window to show a details part of
//   the owner's layout, or shrink it back;
// - floating: Enter and Escape do nothing, the close box hides the dialog (unless it is told
//   to close for real), and the dialog deletes itself when its window is destroyed.

#include <cstdint>

#include "ui/dialogs/WindowsDialog.h"

inline constexpr UINT kMoreButtonId = 453;
inline constexpr UINT kLessButtonId = 454;

class TOwlMoreChoicesDialog : public TWindowsDialog {
  DECLARE_DYNCREATE(TOwlMoreChoicesDialog)

 public:
  static constexpr int16_t kOwlClassID = 343;

  TOwlMoreChoicesDialog() = default;
  TOwlMoreChoicesDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner,
                        int16_t commandNumber);

  bool IsMemberClass(int16_t id) const override { return id == kOwlClassID; }
  int16_t GetClassIDAt(int16_t depth) const override {
    return depth == 0 ? kOwlClassID : TWindowsDialog::GetClassIDAt(depth - 1);
  }
  int16_t GetCommandNumber() const { return commandNumber_; }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void MoreChoices();
  int16_t commandNumber_ = -1;
};

class TOwlMoreDetailsDialog : public TWindowsDialog {
  DECLARE_DYNCREATE(TOwlMoreDetailsDialog)

 public:
  static constexpr int16_t kOwlClassID = 344;

  TOwlMoreDetailsDialog() = default;
  TOwlMoreDetailsDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner,
                        int16_t commandNumber);

  bool IsMemberClass(int16_t id) const override { return id == kOwlClassID; }
  int16_t GetClassIDAt(int16_t depth) const override {
    return depth == 0 ? kOwlClassID : TWindowsDialog::GetClassIDAt(depth - 1);
  }
  int16_t GetCommandNumber() const { return commandNumber_; }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  int16_t commandNumber_ = -1;
};

class TOwlFloatDialog : public TWindowsDialog {
  DECLARE_DYNCREATE(TOwlFloatDialog)

 public:
  static constexpr int16_t kOwlClassID = 345;

  TOwlFloatDialog() = default;
  TOwlFloatDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner, int16_t commandNumber);

  bool IsMemberClass(int16_t id) const override { return id == kOwlClassID; }
  int16_t GetClassIDAt(int16_t depth) const override {
    return depth == 0 ? kOwlClassID : TWindowsDialog::GetClassIDAt(depth - 1);
  }
  int16_t GetCommandNumber() const { return commandNumber_; }
  // 0: the close box hides the dialog; otherwise it closes it.
  void SetReallyClose(uint16_t on) { reallyClose_ = on; }
  uint16_t GetReallyClose() const { return reallyClose_; }

  // Enter and Escape do nothing.
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 private:
  int16_t commandNumber_ = -1;
  uint16_t reallyClose_ = 0;
};
