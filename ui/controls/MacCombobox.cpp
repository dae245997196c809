#include "ui/controls/MacCombobox.h"

#include "platform/win32/ComboBox.h"
#include "platform/win32/WindowMessages.h"
#include "ui/controls/MacButtons.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TMacCombobox, CComboBox)

TMacCombobox::TMacCombobox(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title,
                           int32_t left, int32_t top, int32_t width, int32_t height, DWORD style)
    : link_(parent, owner, id, title, left, top, width, height, style) {}

TMacCombobox::TMacCombobox(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : link_(parent, id, owner, 0x50000000) {
  if (parent != nullptr) SubclassDlgItem(static_cast<UINT>(static_cast<uint16_t>(id)), parent);
}

TMacCombobox::~TMacCombobox() { link_.DeleteOwner(); }

TMacCombobox* TMacCombobox::CreateControl() {
  if (!Create(link_.style, link_.bounds, link_.parent,
              static_cast<UINT>(static_cast<uint16_t>(link_.id)))) {
    return nullptr;
  }
  return this;
}

void TMacCombobox::DestroyControl() {
  if (m_hWnd != nullptr) {
    DestroyWindow();
    return;
  }
  delete this;
}

void TMacCombobox::PostNcDestroy() {
  CComboBox::PostNcDestroy();
  delete this;
}

void TMacCombobox::DrawItem(DRAWITEMSTRUCT* draw) { DrawThroughItem(link_.owner, draw); }

void TMacCombobox::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (link_.owner != nullptr) link_.owner->MeasureItem(measure);
}

void TMacCombobox::SelectionChanged() {
  TWindowsDialog* const dialog = link_.Dialog();
  if (dialog == nullptr || link_.owner == nullptr) return;
  const int32_t selection = GetCurSel();
  if (selection == GetCount() - 1 && link_.owner->LastEntryChosen() != 0) return;
  if (link_.owner != nullptr) dialog->AcceptValue(link_.owner, false);
}

BOOL TMacCombobox::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE:
      *result = Default();
      if (*result != -1) link_.Created(*this);
      return TRUE;
    case WM_DESTROY:
      link_.Destroying();
      break;
    case kReflectedCommand:
      if (((wParam >> 16) & 0xFFFF) == CBN_SELCHANGE) {
        TChangingControls bracket;
        SelectionChanged();
        *result = 0;
        return TRUE;
      }
      break;
    default:
      break;
  }
  return CComboBox::OnWndMsg(message, wParam, lParam, result);
}
