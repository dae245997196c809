#include "ui/controls/MacButtons.h"

#include "platform/win32/Button.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/SelectionBinding.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNAMIC(TMacButtonBase, CButton)
IMPLEMENT_DYNCREATE(TMacRadio, TMacButtonBase)
IMPLEMENT_DYNCREATE(TMacButton, TMacButtonBase)
IMPLEMENT_DYNCREATE(TMacCheckBox, TMacButtonBase)
IMPLEMENT_DYNCREATE(TMacCluster, TMacButtonBase)

void DrawThroughItem(TMacDialogItem* owner, const DRAWITEMSTRUCT* draw) {
  if (owner == nullptr || draw == nullptr) return;
  switch (draw->itemAction) {
    case ODA_DRAWENTIRE:
      owner->DrawEntire(draw);
      break;
    case ODA_SELECT:
      owner->DrawSelection(draw);
      break;
    case ODA_FOCUS:
      owner->DrawFocus(draw);
      break;
    default:
      break;
  }
}

CButton* TMacButtonBase::CreateControl() {
  if (!Create(Link().title.c_str(), Link().style, Link().bounds, Link().parent, ControlId())) {
    return nullptr;
  }
  return this;
}

void TMacButtonBase::StepValue() {
  TMacDialogItem* const owner = Link().owner;
  if (owner == nullptr) return;
  owner->SetValue(owner->NextValue(owner->GetValue()), true);
  if (TWindowsDialog* const dialog = Link().Dialog();
      dialog != nullptr && Link().owner != nullptr) {
    dialog->AcceptValue(Link().owner, false);
  }
}

void TMacButton::Clicked() {
  TMacDialogItem* const owner = Link().owner;
  TWindowsDialog* const dialog = Link().Dialog();
  if (owner == nullptr || dialog == nullptr) return;
  // A button that performs its objects' action is chosen once by the click, and is ready again
  // afterwards.
  const bool action = owner->GetBindingKind() == binding_kind::kActionChoice;
  if (action) owner->SetValue(1, false);
  dialog->AcceptValue(owner, false);
  if (!action) return;
  owner->SetValue(0, false);
  owner->SetChanged(0);
}

void TMacButtonBase::DrawItem(DRAWITEMSTRUCT* draw) {
  if (DrawsThroughOwner()) DrawThroughItem(Link().owner, draw);
}

BOOL TMacButtonBase::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      TChangingControls bracket;
      *result = Default();
      return TRUE;
    }
    case kReflectedCommand:
      if (((wParam >> 16) & 0xFFFF) == BN_CLICKED) {
        TChangingControls bracket;
        Clicked();
        *result = 0;
        return TRUE;
      }
      break;
    default:
      break;
  }
  return TLinkedControl::OnWndMsg(message, wParam, lParam, result);
}
