#pragma once
// The edit control of dialog items. Return (or Escape) after a confirm validates the field: a
// good value goes to the dialog's owner at once, a refused one is reported once and the text
// is selected again. Leaving the field validates it too: a good value is taken while no alert
// is up, a refused one is reported and keeps the dialog from closing until it is checked again.
// Clicks reach the owner item, also on a disabled field (through the dialog's last click).

#include <cstdint>

#include "platform/mfc/CEdit.h"
#include "ui/controls/LinkedControl.h"

class TMacEdit : public TLinkedControl<CEdit> {
  DECLARE_DYNCREATE(TMacEdit)

 public:
  static constexpr int16_t kClassID = 310;
  static constexpr DWORD kDefaultStyle = 0x50000000;

  TMacEdit() = default;
  TMacEdit(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
           int32_t top, int32_t width, int32_t height);
  // Attached to the template's control of that identifier.
  TMacEdit(CWnd* parent, int16_t id, TMacDialogItem* owner);

  // Makes the window; null when it cannot be made.
  TMacEdit* CreateControl();
  const RECT& GetBounds() const { return Link().bounds; }
  int16_t GetControlId() const { return Link().id; }

  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t) const { return kClassID; }

  uint16_t HasFocusFlag() const { return hasFocus_; }
  uint32_t RememberedSelection() const { return selection_; }

  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  // Return after a confirm; the edit of a grid cell differs here.
  virtual void OnConfirmKey();

 private:
  void OnSetFocus();
  // The focus goes to `gaining` (null when it goes nowhere or out of the program).
  void OnKillFocus(HWND gaining);
  void OnHitTest(LPARAM lParam);
  void ReportRefused(int16_t error);

  uint16_t hasFocus_ = 0;
  uint32_t selection_ = 0;
};
