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

// What the three share: a class number of their own over the plain dialog's, and a command
// number given at construction.
template <int16_t ClassID>
class TOwlDialogKind : public TWindowsDialog {
 public:
  static constexpr int16_t kOwlClassID = ClassID;

  TOwlDialogKind() = default;
  TOwlDialogKind(CWnd* parent, int16_t templateId, TDialogOwner* owner, int16_t commandNumber)
      : TWindowsDialog(parent, templateId, owner), commandNumber_(commandNumber) {}

  bool IsMemberClass(int16_t id) const override { return id == kOwlClassID; }
  int16_t GetClassIDAt(int16_t depth) const override {
    return depth == 0 ? kOwlClassID : TWindowsDialog::GetClassIDAt(depth - 1);
  }
  int16_t GetCommandNumber() const { return commandNumber_; }

 private:
  int16_t commandNumber_ = -1;
};

class TOwlMoreChoicesDialog : public TOwlDialogKind<343> {
  DECLARE_DYNCREATE(TOwlMoreChoicesDialog)

 public:
  using TOwlDialogKind::TOwlDialogKind;

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void MoreChoices();
};

class TOwlMoreDetailsDialog : public TOwlDialogKind<344> {
  DECLARE_DYNCREATE(TOwlMoreDetailsDialog)

 public:
  using TOwlDialogKind::TOwlDialogKind;

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class TOwlFloatDialog : public TOwlDialogKind<345> {
  DECLARE_DYNCREATE(TOwlFloatDialog)

 public:
  using TOwlDialogKind::TOwlDialogKind;

  // 0: the close box hides the dialog; otherwise it closes it.
  void SetReallyClose(uint16_t on) { reallyClose_ = on; }
  uint16_t GetReallyClose() const { return reallyClose_; }

  // Enter and Escape do nothing.
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 private:
  uint16_t reallyClose_ = 0;
};
