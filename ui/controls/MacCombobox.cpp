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
    : TLinkedControl(parent, owner, id, title, left, top, width, height, style) {}

TMacCombobox::TMacCombobox(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : TLinkedControl(parent, id, owner, 0x50000000) {}

TMacCombobox* TMacCombobox::CreateControl() {
  if (!Create(Link().style, Link().bounds, Link().parent, ControlId())) return nullptr;
  return this;
}

void TMacCombobox::DrawItem(DRAWITEMSTRUCT* draw) { DrawThroughItem(Link().owner, draw); }

void TMacCombobox::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (Link().owner != nullptr) Link().owner->MeasureItem(measure);
}

void TMacCombobox::SelectionChanged() {
  TWindowsDialog* const dialog = Link().Dialog();
  if (dialog == nullptr || Link().owner == nullptr) return;
  const int32_t selection = GetCurSel();
  if (selection == GetCount() - 1 && Link().owner->LastEntryChosen() != 0) return;
  if (Link().owner != nullptr) dialog->AcceptValue(Link().owner, false);
}

BOOL TMacCombobox::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
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
  return TLinkedControl::OnWndMsg(message, wParam, lParam, result);
}
