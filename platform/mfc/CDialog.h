#pragma once
// Dialogs of the framework: a dialog template made into a window whose messages reach this
// object from the start. DoModal runs it modally (the owner disabled, every message offered to
// PreTranslateMessage first, which gives the dialog keys of the window layer); Create leaves it
// open as a modeless dialog. Buttons IDOK and IDCANCEL call OnOK and OnCancel, which end the
// dialog with that result.

#include <cstdint>
#include <string>

#include "platform/mfc/CWnd.h"

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  explicit CDialog(const char* templateName, CWnd* parent = nullptr);

  // What DoModal answers when the dialog's window could not be made (no template, or the
  // template refused).
  static constexpr intptr_t kNotMade = -1;

  // The result EndDialog gave; kNotMade when the dialog could not be made.
  virtual intptr_t DoModal();
  using CWnd::Create;
  // A modeless dialog of the template; false when it could not be made.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL Create(const char* templateName, CWnd* parent = nullptr);
  BOOL CreateIndirect(const void* dialogTemplate, uint32_t size, CWnd* parent = nullptr);
  void EndDialog(intptr_t result);
  bool IsModal() const { return modal_; }

  // WM_INITDIALOG: answers whether the dialog should focus its first control (it does here).
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Keys of the dialog and its controls go through the dialog keys (IsDialogMessage).
  BOOL PreTranslateMessage(MSG* message) override;

  UINT m_nIDHelp = 0;

 protected:
  CWnd* m_pParentWnd = nullptr;

 private:
  // The template's bytes, from the resources; null when there is none.
  const void* FindTemplate(uint32_t* size) const;
  HWND ParentHandle() const;

  UINT templateId_ = 0;
  std::string templateName_;
  bool modal_ = false;
};
