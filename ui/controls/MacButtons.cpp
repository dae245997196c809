#include "ui/controls/MacButtons.h"

#include "platform/win32/Button.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
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

TMacButtonBase::TMacButtonBase(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title,
                               int32_t left, int32_t top, int32_t width, int32_t height,
                               DWORD style)
    : link_(parent, owner, id, title, left, top, width, height, style) {}

TMacButtonBase::TMacButtonBase(CWnd* parent, int16_t id, TMacDialogItem* owner,
                               DWORD recordedStyle)
    : link_(parent, id, owner, recordedStyle) {
  if (parent != nullptr) SubclassDlgItem(static_cast<UINT>(static_cast<uint16_t>(id)), parent);
}

TMacButtonBase::~TMacButtonBase() { link_.DeleteOwner(); }

CButton* TMacButtonBase::CreateControl() {
  if (!Create(link_.title.c_str(), link_.style, link_.bounds, link_.parent,
              static_cast<UINT>(static_cast<uint16_t>(link_.id)))) {
    return nullptr;
  }
  return this;
}

void TMacButtonBase::DestroyControl() {
  if (m_hWnd != nullptr) {
    DestroyWindow();
    return;
  }
  delete this;
}

void TMacButtonBase::PostNcDestroy() {
  CButton::PostNcDestroy();
  delete this;
}

void TMacButtonBase::StepValue() {
  TMacDialogItem* const owner = link_.owner;
  if (owner == nullptr) return;
  owner->SetValue(owner->NextValue(owner->GetValue()), true);
  if (TWindowsDialog* const dialog = link_.Dialog(); dialog != nullptr && link_.owner != nullptr) {
    dialog->AcceptValue(link_.owner, false);
  }
}

void TMacButton::Clicked() {
  if (Link().owner == nullptr) return;
  if (TWindowsDialog* const dialog = Link().Dialog(); dialog != nullptr) {
    dialog->AcceptValue(Link().owner, false);
  }
}

void TMacButtonBase::DrawItem(DRAWITEMSTRUCT* draw) {
  if (DrawsThroughOwner()) DrawThroughItem(link_.owner, draw);
}

BOOL TMacButtonBase::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE:
      *result = Default();
      if (*result != -1) link_.Created(*this);
      return TRUE;
    case WM_DESTROY:
      link_.Destroying();
      break;
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
  return CButton::OnWndMsg(message, wParam, lParam, result);
}
