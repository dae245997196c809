#include "platform/mfc/COleInsertDialog.h"

#include "platform/mfc/COleItems.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(COleInsertDialog, CDialog)

COleInsertDialog::COleInsertDialog(DWORD flags, CWnd* parent)
    : CDialog("INSERTOBJECT", parent), m_dwFlags(flags) {}

BOOL COleInsertDialog::OnInitDialog() {
  const BOOL focus = CDialog::OnInitDialog();
  const bool fromFile = (m_dwFlags & IOF_SELECTCREATENEW) == 0 && !path_.empty();
  CheckRadioButton(m_hWnd, kNewButton, kFileButton, fromFile ? kFileButton : kNewButton);
  SetDlgItemText(m_hWnd, kKindText, RegisteredOleServer().typeName.c_str());
  return focus;
}

void COleInsertDialog::OnOK() {
  const bool fromFile = IsDlgButtonChecked(m_hWnd, kFileButton) != 0;
  std::string path = GetDlgItemTextString(m_hWnd, kPathField);
  if (fromFile && path.empty()) {
    if (HWND field = ::GetDlgItem(m_hWnd, kPathField)) ::SetFocus(field);
    return;
  }
  selection_ = fromFile ? insertFromFile : createNewItem;
  path_ = fromFile ? std::move(path) : std::string();
  CDialog::OnOK();
}

bool COleInsertDialog::CreateItem(COleClientItem* item) const {
  if (item == nullptr) return false;
  return selection_ == insertFromFile ? item->CreateFromFile(path_) : item->CreateNewItem();
}
